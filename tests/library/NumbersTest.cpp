#include "LibraryTestSupport.h"

#include "library/AssignedNumber.h"
#include "library/MediaFile.h"
#include "library/PhotoNumber.h"

#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quavel;

namespace {

struct PhotoCase
{
    const char16_t* input;
    bool parses;
    const char16_t* prefix;
    qint64 value;
    int width;
    const char16_t* raw;
    const char16_t* formatted;
};

void PrintTo(const PhotoCase& c, std::ostream* os)
{
    *os << test::printable(QStringView(c.input));
}

class PhotoNumbers : public ::testing::TestWithParam<PhotoCase>
{
};

} // namespace

TEST_P(PhotoNumbers, parse)
{
    const PhotoCase& c = GetParam();
    const auto n = PhotoNumber::parse(QStringView(c.input));
    ASSERT_EQ(n.has_value(), c.parses);
    if (!n)
        return;
    EXPECT_EQ(n->prefix, QString::fromUtf16(c.prefix));
    EXPECT_EQ(n->value, c.value);
    EXPECT_EQ(n->width, c.width);
    EXPECT_EQ(n->raw, QString::fromUtf16(c.raw));
    EXPECT_EQ(n->formatted(), QString::fromUtf16(c.formatted));
}

INSTANTIATE_TEST_SUITE_P(Names, PhotoNumbers,
    ::testing::Values(PhotoCase { u"DSC_0042.JPG", true, u"DSC", 42, 4, u"DSC_0042.JPG", u"DSC0042" },
        PhotoCase { u"0042", true, u"", 42, 4, u"0042", u"0042" },
        PhotoCase { u"img-17.heic", true, u"IMG", 17, 2, u"IMG-17.HEIC", u"IMG17" },
        PhotoCase { u"DSC_0042-2.JPG", true, u"DSC_0042", 2, 1, u"DSC_0042-2.JPG", u"DSC_00422" },
        PhotoCase { u"12.5", true, u"", 12, 2, u"12.5", u"12" },
        PhotoCase { u" \n 7 \t", true, u"", 7, 1, u"7", u"7" },
        PhotoCase { u"0", true, u"", 0, 1, u"0", u"0" },
        PhotoCase { u"a.b/IMG_0001", true, u"A.B/IMG", 1, 4, u"A.B/IMG_0001", u"A.B/IMG0001" },
        PhotoCase { u"._DSC_9.jpg", true, u"DSC", 9, 1, u"._DSC_9.JPG", u"DSC9" },
        PhotoCase { u".123", true, u"", 123, 3, u".123", u"123" }, // a leading dot is no extension
        PhotoCase { u"ÉTÉ 3.jpg", true, u"ÉTÉ", 3, 1, u"ÉTÉ 3.JPG", u"ÉTÉ3" },
        PhotoCase { u"straße_5", true, u"STRASSE", 5, 1, u"STRASSE_5", u"STRASSE5" },
        PhotoCase { u"x9223372036854775807", true, u"X", std::numeric_limits<qint64>::max(), 19,
            u"X9223372036854775807", u"X9223372036854775807" },
        // Runs that do not qualify are skipped and the earlier run stays.
        PhotoCase { u"DSC_12_99999999999999999999.JPG", true, u"DSC", 12, 2,
            u"DSC_12_99999999999999999999.JPG", u"DSC12" },
        PhotoCase { u"7_A12²", true, u"", 7, 1, u"7_A12²", u"7" }, // "12²" is one run, not all ASCII digits
        PhotoCase { u"7_A12\u0663\u0664", true, u"", 7, 1, u"7_A12\u0663\u0664", u"7" },
        PhotoCase { u"A12²", false, u"", 0, 0, u"", u"" },
        PhotoCase { u"IMG_١٢", false, u"", 0, 0, u"", u"" },
        PhotoCase { u"99999999999999999999.jpg", false, u"", 0, 0, u"", u"" },
        PhotoCase { u"vacances.jpg", false, u"", 0, 0, u"", u"" },
        PhotoCase { u"IMG_12.", true, u"IMG", 12, 2, u"IMG_12.", u"IMG12" },
        PhotoCase { u"", false, u"", 0, 0, u"", u"" }, PhotoCase { u" \n\t", false, u"", 0, 0, u"", u"" }),
    [](const auto& info) { return test::paramName(info.index, QStringView(info.param.input)); });

TEST(PhotoNumber, ordersByValuePrefixWidthThenRaw)
{
    auto p = [](const char16_t* s) { return *PhotoNumber::parse(QStringView(s)); };
    EXPECT_LT(p(u"Z9"), p(u"A10"));
    EXPECT_LT(p(u"42"), p(u"0042"));
    EXPECT_LT(p(u"A42"), p(u"B42"));
    EXPECT_LT(p(u"DSC_0042.CR2"), p(u"DSC_0042.JPG"));
    EXPECT_FALSE(p(u"DSC_0042.JPG") < p(u"DSC_0042.JPG"));
    // Canonically equivalent spellings are one number, in order, equality and hash alike.
    const PhotoNumber composed = p(u"\u00C9T\u00C9_3.jpg");
    const PhotoNumber decomposed = p(u"E\u0301TE\u0301_3.jpg");
    EXPECT_FALSE(composed < decomposed);
    EXPECT_FALSE(decomposed < composed);
    EXPECT_EQ(composed, decomposed);
    EXPECT_EQ(qHash(composed), qHash(decomposed));
    EXPECT_EQ(QSet<PhotoNumber>({ composed, decomposed }).size(), 1);

    QList<PhotoNumber> list { p(u"B2"), p(u"A10"), p(u"a2"), p(u"002"), p(u"2") };
    std::sort(list.begin(), list.end());
    QStringList raws;
    for (const PhotoNumber& n : list)
        raws << n.raw;
    EXPECT_EQ(raws, (QStringList { "2", "002", "A2", "B2", "A10" }));
}

TEST(PhotoNumber, formattedPadsWithoutCutting)
{
    EXPECT_EQ((PhotoNumber { "", 12345, 3, "12345" }).formatted(), "12345");
    EXPECT_EQ((PhotoNumber { "X", 5, 0, "X" }).formatted(), "X5");
    EXPECT_EQ((PhotoNumber { "", -5, 4, "" }).formatted(), "-005");
}

namespace {

struct CanonicalCase
{
    const char16_t* input;
    const char16_t* expected; // nullptr: nothing
};

void PrintTo(const CanonicalCase& c, std::ostream* os)
{
    *os << test::printable(QStringView(c.input));
}

class CanonicalNumbers : public ::testing::TestWithParam<CanonicalCase>
{
};

} // namespace

TEST_P(CanonicalNumbers, canonical)
{
    const CanonicalCase& c = GetParam();
    const auto result = AssignedNumber::canonical(QStringView(c.input));
    if (!c.expected) {
        EXPECT_FALSE(result) << result->toStdString();
    } else {
        ASSERT_TRUE(result);
        EXPECT_EQ(*result, QString::fromUtf16(c.expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Bibs, CanonicalNumbers,
    ::testing::Values(CanonicalCase { u"12", u"12" }, CanonicalCase { u"  012 ", u"12" },
        CanonicalCase { u"\u00A012\u00A0", u"12" }, CanonicalCase { u"+5", u"5" },
        CanonicalCase { u"-3", u"-3" }, CanonicalCase { u"007", u"7" }, CanonicalCase { u"12-hc", u"12" },
        CanonicalCase { u"12/HC", u"12" }, CanonicalCase { u"12\u2013HC", u"12" },
        CanonicalCase { u"12 HC", u"12" }, CanonicalCase { u"12\u00A0hC", u"12" },
        CanonicalCase { u"12HC", u"12" }, CanonicalCase { u"12.HC", u"12" },
        CanonicalCase { u"-HC", nullptr }, CanonicalCase { u" HC ", u"hc" }, CanonicalCase { u"HC", u"hc" },
        CanonicalCase { u"ABHC", u"abhc" }, CanonicalCase { u"12,0", u"12" },
        CanonicalCase { u"12,5", u"12" }, CanonicalCase { u"999999.0", u"999999" },
        CanonicalCase { u"1000000.0", u"1000000" }, CanonicalCase { u"1e3", u"1000" },
        CanonicalCase { u"1e7", u"1" }, CanonicalCase { u"1,000", u"1" }, CanonicalCase { u"-12.0", u"12" },
        CanonicalCase { u"-5.0", u"5" }, CanonicalCase { u"0x10", u"16" },
        CanonicalCase { u"N° 45 bis", u"45" }, CanonicalCase { u"abc", u"abc" },
        CanonicalCase { u"A,B", u"a.b" }, CanonicalCase { u"ÉQUIPE", u"équipe" },
        CanonicalCase { u"99999999999999999999", u"99999999999999999999" },
        CanonicalCase { u"x99999999999999999999", u"x99999999999999999999" }, CanonicalCase { u"١٢", u"١٢" },
        CanonicalCase { u"nan", u"nan" }, CanonicalCase { u"inf", u"inf" }, CanonicalCase { u"", nullptr },
        CanonicalCase { u" \n\t\u00A0", nullptr }),
    [](const auto& info) { return test::paramName(info.index, QStringView(info.param.input)); });

TEST(MediaFile, extensionSetsDecideThePhotosAndVideos)
{
    EXPECT_EQ(PhotoFile::extensions().size(), 17);
    EXPECT_EQ(MediaFile::videoExtensions().size(), 10);
    for (const char16_t* name :
        { u"PHOTO.JPG", u"photo.Jpeg", u"x.jpg/", u"a.b.raf", u"/x.y/IMG_1.CR3", u"IMG.HEIC" }) {
        EXPECT_TRUE(PhotoFile::isPhoto(QStringView(name))) << QString::fromUtf16(name).toStdString();
        EXPECT_FALSE(MediaFile::isVideo(QStringView(name)));
    }
    for (const char16_t* name : { u"clip.MOV", u"clip.m2ts", u"a.MtS" }) {
        EXPECT_TRUE(MediaFile::isVideo(QStringView(name))) << QString::fromUtf16(name).toStdString();
        EXPECT_FALSE(PhotoFile::isPhoto(QStringView(name)));
    }
    for (const char16_t* name : { u"notes.txt", u"jpg", u".jpg", u"photo", u"x.jpg.txt", u"" }) {
        EXPECT_FALSE(PhotoFile::isPhoto(QStringView(name))) << QString::fromUtf16(name).toStdString();
        EXPECT_FALSE(MediaFile::isVideo(QStringView(name)));
    }
}

TEST(MediaFile, pathExtensionRules)
{
    EXPECT_EQ(pathExtension(u"a/b.c/d"), "");
    EXPECT_EQ(pathExtension(u"a/b.tar.gz"), "gz");
    EXPECT_EQ(deletingPathExtension(u"a/b.tar.gz"), "a/b.tar");
    EXPECT_EQ(deletingPathExtension(u"DSC_0042.JPG"), "DSC_0042");
    EXPECT_EQ(deletingPathExtension(u".profile"), ".profile");
}
