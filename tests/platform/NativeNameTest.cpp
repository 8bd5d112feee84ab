// The name codec against Qt's own UTF-8 decoder and against real files whose names are not UTF-8.
#include "platform/files/NativeName.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace quavel;

namespace {

struct Bytes
{
    const char* what;
    QByteArray bytes;
    bool utf8;
};

void PrintTo(const Bytes& b, std::ostream* os)
{
    *os << b.what;
}

class NativeNames : public ::testing::TestWithParam<Bytes>
{
};

// Every name comes back byte for byte; a valid one decodes as Qt decodes it; an invalid one is shown and
// stored as Qt shows it, one U+FFFD per byte it could not decode, so marks stored before by that form
// still match.
TEST_P(NativeNames, decodeIsLosslessAndDisplayedIsQtsForm)
{
    const Bytes& b = GetParam();
    const QString decoded = NativeName::decode(b.bytes);
    EXPECT_EQ(NativeName::encode(decoded), b.bytes);
    EXPECT_EQ(NativeName::hasEscapes(decoded), !b.utf8);
    const QString shown = NativeName::displayed(decoded);
    EXPECT_EQ(shown, QString::fromUtf8(b.bytes));
    EXPECT_FALSE(NativeName::hasEscapes(shown));
    if (b.utf8) {
        EXPECT_EQ(decoded, QFile::decodeName(b.bytes));
    }
    // Names are decoded the same whole or in parts cut at a slash (a path and its components agree).
    const QByteArray path = "/Commandes/" + b.bytes + "/" + b.bytes;
    EXPECT_EQ(NativeName::decode(path), "/Commandes/" + decoded + "/" + decoded);
}

INSTANTIATE_TEST_SUITE_P(Names, NativeNames,
    ::testing::Values(Bytes { "ASCII", "IMG_0001.JPG", true },
        Bytes { "composed", "\xC3\xA9t\xC3\xA9.jpg", true },
        Bytes { "decomposed", "e\xCC\x81t\xC3\xA9.jpg", true },
        Bytes { "four bytes", "\xF0\x9F\x93\xB7 photo.jpg", true },
        Bytes { "non-character", "\xEF\xBF\xBE.jpg", true }, Bytes { "Latin-1", "\xE9t\xE9.jpg", false },
        Bytes { "lone continuation", "IMG_\x80.jpg", false }, Bytes { "FF FE", "\xFF\xFE.jpg", false },
        Bytes { "cut at the end", "IMG\xE2\x82", false },
        Bytes { "cut before ASCII", "\xE2\x82x.jpg", false },
        Bytes { "cut before a valid sequence", "\xF0\x9F\x98\xF0\x9F\x98\x80.jpg", false },
        Bytes { "overlong", "\xC0\xAF.jpg", false }, Bytes { "encoded surrogate", "\xED\xA0\x80.jpg", false },
        Bytes { "beyond U+10FFFF", "\xF4\x90\x80\x80.jpg", false },
        Bytes { "lead byte before its own kind", "\xC3\xC3\xA9.jpg", false }));

TEST(NativeName, keepsALeadingByteOrderMarkThatQtDrops)
{
    const QByteArray bom = "\xEF\xBB\xBF"
                           "IMG.jpg";
    ASSERT_EQ(QFile::decodeName(bom), QStringLiteral("IMG.jpg")) << "Qt drops it: that name is unreachable";
    const QString decoded = NativeName::decode(bom);
    EXPECT_EQ(decoded, QString(QChar(0xFEFF)) + QStringLiteral("IMG.jpg"));
    EXPECT_EQ(NativeName::encode(decoded), bom);
    EXPECT_FALSE(NativeName::hasEscapes(decoded));
}

TEST(NativeName, surrogatesThatNoNameGivesEncodeAsReplacement)
{
    const struct
    {
        const char* what;
        QString text;
        QByteArray bytes;
    } cases[] = {
        { "lone high", QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("b"),
            "a\xEF\xBF\xBD"
            "b" },
        { "lone low below the escapes", QString(QChar(0xDC41)), "\xEF\xBF\xBD" },
        { "lone low above the escapes", QString(QChar(0xDD00)), "\xEF\xBF\xBD" },
        { "escape", QString(QChar(0xDCE9)), "\xE9" },
        { "pair", QString::fromUtf8("\xF0\x9F\x93\xB7"), "\xF0\x9F\x93\xB7" },
        { "high then escape", QString(QChar(0xD83D)) + QChar(0xDCE9), "\xF0\x9F\x93\xA9" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NativeName::encode(c.text), c.bytes) << c.what;
        EXPECT_FALSE(NativeName::hasEscapes(NativeName::displayed(c.text))) << c.what;
    }
}

// Made absolute and cleaned by text: QFileInfo would turn the escapes into U+FFFD for such paths.
TEST(NativeName, absolutePathsKeepTheEscapes)
{
    const QString odd = NativeName::decode(QByteArray("IMG_\xE9.jpg"));
    const QString current = QDir::currentPath();
    const struct
    {
        QString path;
        QString absolute;
    } cases[] = {
        { "/photos/" + odd, "/photos/" + odd },
        { "/photos/./x/../" + odd, "/photos/" + odd },
        { "/photos//" + odd + "/", "/photos/" + odd },
        { odd, current + u'/' + odd },
        { "./S/../" + odd, current + u'/' + odd },
        { QString(), QString() },
    };
    for (const auto& c : cases)
        EXPECT_EQ(NativeName::absolute(c.path), c.absolute) << NativeName::displayed(c.path).toStdString();
    ASSERT_NE(QFileInfo("/photos/./x/../" + odd).absoluteFilePath(), "/photos/" + odd) << "why it is needed";
}

// Qt's file classes cannot reach such a file; its decoded path through encode() can, and a listing
// decodes to that same path.
TEST(NativeName, reachesAFileThatQtCannot)
{
    test::TempFolder dir;
    const QByteArray name = "IMG_\xE9t\xE9.jpg";
    const QByteArray native = QFile::encodeName(dir.path()) + '/' + name;
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);

    QString listed;
    DIR* folder = ::opendir(QFile::encodeName(dir.path()).constData());
    ASSERT_TRUE(folder);
    while (const dirent* d = ::readdir(folder))
        if (d->d_name[0] != '.')
            listed = dir.path() + u'/' + NativeName::decode(d->d_name);
    ::closedir(folder);

    EXPECT_FALSE(QFileInfo::exists(listed));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + u'/' + QFile::decodeName(name)));
    EXPECT_EQ(::access(NativeName::encode(listed).constData(), F_OK), 0);
    EXPECT_EQ(NativeName::displayed(listed), dir.path() + QStringLiteral("/IMG_\uFFFDt\uFFFD.jpg"));
}

} // namespace
