// The one key of "is this the same file?": the paths the orders settings file holds (delivered marks,
// remembered applications) keep the key they had, and the spellings of one photo share it.
#include "platform/files/PathKey.h"
#include "platform/files/NativeName.h"

#include <QDir>

#include <gtest/gtest.h>

namespace quavel {
namespace {

// What the key of a path stored by earlier versions is, written out: a mark is stored in the form it was
// made through (with its "." and ".." components), composed, a name's bytes that are not UTF-8 as U+FFFD.
TEST(PathKey, GivesStoredPathsTheKeysTheyHad)
{
    const QString current = QDir::currentPath();
    const struct
    {
        const char* path;
        QString key;
    } cases[] = {
        { "/c/A/IMG_1.jpg", "/c/A/IMG_1.jpg" },
        { "/c/A/./IMG_1.jpg", "/c/A/IMG_1.jpg" },
        { "/c/B/../A//IMG_1.jpg", "/c/A/IMG_1.jpg" },
        { "/c/A/", "/c/A" },
        { "/c/Ce\u0301line.jpg", QStringLiteral("/c/C\u00e9line.jpg") },
        { "/c/IMG_\uFFFD.jpg", QStringLiteral("/c/IMG_\uFFFD.jpg") },
        { "/usr/share/applications/./gimp.desktop", "/usr/share/applications/gimp.desktop" },
        { "IMG_1.jpg", current + "/IMG_1.jpg" },
        // A name beginning with a colon is a name: nothing here is one of Qt's resources.
        { ":IMG_1.jpg", current + "/:IMG_1.jpg" },
        { "", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathKey::of(QString::fromUtf8(c.path)), c.key) << c.path;
}

TEST(PathKey, OneKeyForEverySpellingOfAPhotoAndTwoForTwoNames)
{
    const QString odd = NativeName::decode(QByteArray("/p/IMG_\xE9.jpg"));
    const struct
    {
        QString a;
        QString b;
        bool same;
    } cases[] = {
        { QStringLiteral("/p/C\u00e9line.jpg"), QStringLiteral("/p/Ce\u0301line.jpg"), true },
        { QStringLiteral("/p/x/../C\u00e9line.jpg"), QStringLiteral("/p/./Ce\u0301line.jpg"), true },
        { odd, "/p/./" + odd.mid(3), true },
        // Two names that differ only in bytes that are not UTF-8, or in a byte and its composed letter.
        { odd, NativeName::decode(QByteArray("/p/IMG_\xE8.jpg")), false },
        { odd, QStringLiteral("/p/IMG_\u00e9.jpg"), false },
        { "/p/IMG_1.jpg", "/p/img_1.jpg", false },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathKey::same(c.a, c.b), c.same) << NativeName::displayed(c.a).toStdString();
        EXPECT_EQ(PathKey::of(c.a) == PathKey::of(c.b), c.same);
    }
    EXPECT_TRUE(PathKey::same(std::optional<QString>(), std::nullopt));
    EXPECT_FALSE(PathKey::same(std::optional<QString>("/p/a.jpg"), std::nullopt));
}

} // namespace
} // namespace quavel
