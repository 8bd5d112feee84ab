#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/UuidText.h"

#include <QSet>

#include <gtest/gtest.h>

#include <cerrno>

using namespace quavel;

TEST(UuidText, writesUpperCaseAndReadsEitherCase)
{
    const QUuid id = QUuid::fromString(QStringLiteral("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"));
    EXPECT_EQ(uuidText(id), "6BA7B810-9DAD-11D1-80B4-00C04FD430C8");
    EXPECT_EQ(parseUuid(u"6ba7b810-9dad-11d1-80b4-00c04fd430c8"), id);
    EXPECT_EQ(parseUuid(u"6BA7B810-9DAD-11D1-80B4-00C04FD430C8"), id);
    // No version check: any hexadecimal of the right shape is an identifier, the nil one included.
    EXPECT_EQ(parseUuid(u"FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF")->toString(QUuid::WithoutBraces),
        "ffffffff-ffff-ffff-ffff-ffffffffffff");
    EXPECT_EQ(parseUuid(u"00000000-0000-0000-0000-000000000000"), QUuid());
}

TEST(UuidText, refusesOtherShapes)
{
    for (const char16_t* text :
        { u"{6ba7b810-9dad-11d1-80b4-00c04fd430c8}", u"6ba7b8109dad11d180b400c04fd430c8",
            u"6ba7b810-9dad-11d1-80b4-00c04fd430c", u"6ba7b810-9dad-11d1-80b4-00c04fd430cg",
            u"6ba7b810+9dad-11d1-80b4-00c04fd430c8", u" 6ba7b810-9dad-11d1-80b4-00c04fd430c", u"" }) {
        EXPECT_FALSE(parseUuid(QStringView(text))) << QString::fromUtf16(text).toStdString();
    }
}

TEST(FrenchErrors, everyCommonFileErrorHasItsOwnFrenchText)
{
    const int errors[] = { ENOENT, EACCES, EEXIST, ENOTDIR, EISDIR, ENOSPC, EROFS, EIO, ENAMETOOLONG, EXDEV,
        ENOTCONN, ENOMEDIUM, ENODEV, ESTALE };
    QSet<QString> seen;
    for (int e : errors) {
        const QString text = frenchDescription(e);
        EXPECT_FALSE(text.isEmpty());
        EXPECT_FALSE(text.contains(QStringLiteral("erreur %1").arg(e))) << e;
        EXPECT_TRUE(text.endsWith(u'.'));
        EXPECT_FALSE(text.contains(u'\'')) << "typographic apostrophe expected: " << text.toStdString();
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), std::size(errors));
    EXPECT_EQ(frenchDescription(ENOENT), "Le fichier ou le dossier est introuvable.");
    // An unusual value still gives a sentence, with its number for support.
    EXPECT_EQ(frenchDescription(EHWPOISON),
        QStringLiteral("L’opération sur le fichier a échoué (erreur %1).").arg(EHWPOISON));
}

// A pulled card, a dead FUSE mount, a vanished network share or a failing disk: the photographer must read
// that the disk is the cause, in words, never an errno number.
TEST(FrenchErrors, aLostOrFailingDiskIsSaidInWords)
{
    struct Case
    {
        int errnoValue;
        const char* name;
        const char16_t* cause; // what the text says happened to the disk
    };
    const Case cases[] = {
        { EIO, "EIO", u"défectueux" },
        { EIO, "EIO", u"débranché" },
        { ENODEV, "ENODEV", u"débranché" },
        { ENXIO, "ENXIO", u"débranché" },
        { ESTALE, "ESTALE", u"déconnecté" },
        { EROFS, "EROFS", u"défectueux" },
        { ENOTCONN, "ENOTCONN", u"débranché" },
        { ENOMEDIUM, "ENOMEDIUM", u"retiré" },
    };
    for (const Case& c : cases) {
        const QString text = frenchDescription(c.errnoValue);
        EXPECT_TRUE(text.contains(u"disque")) << c.name << ": " << text.toStdString();
        EXPECT_TRUE(text.contains(QStringView(c.cause))) << c.name << ": " << text.toStdString();
        EXPECT_FALSE(text.contains(u"erreur")) << c.name << ": " << text.toStdString();
        EXPECT_FALSE(text.contains(QString::number(c.errnoValue))) << c.name;
    }
    EXPECT_EQ(frenchDescription(ENOTCONN),
        "Le disque n’est plus connecté : il a peut-être été débranché ou déconnecté du réseau.");
}

TEST(FrenchErrors, fileErrorCarriesTheFrenchMessage)
{
    const FileError error(ENOSPC, frenchDescription(ENOSPC));
    EXPECT_EQ(error.errnoValue(), ENOSPC);
    EXPECT_EQ(error.message(), "Il n’y a plus assez d’espace libre sur le disque.");
    EXPECT_STREQ(error.what(), "Il n’y a plus assez d’espace libre sur le disque.");
}
