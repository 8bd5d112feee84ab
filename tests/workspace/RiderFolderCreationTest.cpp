// Empty rider folders on real folder trees.
#include "WorkspaceTestSupport.h"

#include "platform/Error.h"
#include "workspace/PhotoOrganizer.h"

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

TEST(RiderFolderCreation, FoldsCaseAndWidthButNotAccents)
{
    TempFolder dest;
    dest.write("dupont jeanne/keep.jpg", "x");
    QDir(dest.path()).mkdir("ＭＡＲＴＩＮ"); // full-width letters
    QDir(dest.path()).mkdir("helene");
    QDir(dest.path()).mkdir(".hidden leroy");
    const auto report = PhotoOrganizer::createEmptyRiderFolders(
        { rider("1", "Dupont", "Jeanne"), rider("2", "Martin"), rider("3", "Hélène"), rider("4", "hélène"),
            rider("5", "Leroy", "  "), rider("6", ""), rider("7", "", " "), rider("8", "DUPONT ", "jeanne") },
        dest.path());
    EXPECT_EQ(entries(dest.path()),
        (QStringList { ".hidden leroy", "HÉLÈNE", "LEROY", "dupont jeanne", "helene", "ＭＡＲＴＩＮ" }));
    EXPECT_EQ(entries(dest.file("dupont jeanne")), QStringList { "keep.jpg" });
    EXPECT_EQ(report.messages,
        (QStringList { "2 dossiers NOM PRENOM créés", "2 déjà présents — ignorés, contenu conservé",
            "2 cavaliers sans nom ignorés" }));
    EXPECT_EQ(report.headline, "2 dossiers vides créés");
    EXPECT_EQ(report.folders, 2);
    EXPECT_EQ(report.skipped, 4);
    EXPECT_EQ(report.copied, 0);
}

struct CreationCase
{
    QList<ImportedPerson> people;
    QStringList present;
    QStringList messages;
    QString headline;
};

class RiderFolderCreationReport : public ::testing::TestWithParam<CreationCase>
{
};

TEST_P(RiderFolderCreationReport, WordsItsCounts)
{
    TempFolder dest;
    for (const QString& name : GetParam().present)
        QDir(dest.path()).mkdir(name);
    const auto report = PhotoOrganizer::createEmptyRiderFolders(GetParam().people, dest.file("Paniers"));
    EXPECT_EQ(report.messages, GetParam().messages);
    EXPECT_EQ(report.headline, GetParam().headline);
}

INSTANTIATE_TEST_SUITE_P(Cases, RiderFolderCreationReport,
    ::testing::Values(
        CreationCase { {}, {}, { "Aucun cavalier exploitable dans ce programme." }, "Aucun dossier créé" },
        CreationCase { { rider("1", "A"), rider("1", "a") }, {}, { "1 dossier NOM PRENOM créé" },
            "1 dossier vide créé" },
        CreationCase {
            { rider("1", ":"), rider("2", "") }, {}, { "1 cavalier sans nom ignoré" }, "Aucun dossier créé" },
        CreationCase { { rider("12", "..") }, {}, { "1 dossier NOM PRENOM créé" }, "1 dossier vide créé" }));

TEST(RiderFolderCreation, ExistingFoldersAndUnsafeNames)
{
    TempFolder dest;
    QDir(dest.path()).mkpath("Paniers/A");
    auto report = PhotoOrganizer::createEmptyRiderFolders({ rider("1", "a") }, dest.file("Paniers"));
    EXPECT_EQ(report.messages, QStringList { "1 déjà présent — ignoré, contenu conservé" });
    EXPECT_EQ(report.headline, "Tous les dossiers étaient déjà présents (1)");

    // ".." never names a folder: the bib stands in for it.
    PhotoOrganizer::createEmptyRiderFolders({ rider("12", "..") }, dest.file("Paniers"));
    EXPECT_EQ(entries(dest.file("Paniers")), (QStringList { "12", "A" }));

    dest.write("file", "x");
    EXPECT_THROW(PhotoOrganizer::createEmptyRiderFolders({ rider("1", "a") }, dest.file("file")), FileError);
}
