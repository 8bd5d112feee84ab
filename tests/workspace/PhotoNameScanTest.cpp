// The fast file-name numbering must number every name exactly as PhotoNumber::parse does.
#include "WorkspaceTestSupport.h"

#include "library/MediaFile.h"
#include "workspace/PhotoNameScan.h"

#include <gtest/gtest.h>

using namespace quavel;

class PhotoNameScanAgrees : public ::testing::TestWithParam<const char*>
{
};

TEST_P(PhotoNameScanAgrees, WithTheLibraryParser)
{
    const QString name = QString::fromUtf8(GetParam());
    EXPECT_EQ(PhotoNameScan::number(name), PhotoNumber::parse(name));

    if (name.contains(u'/'))
        return; // never a directory entry's name
    const QByteArray bytes = name.toUtf8();
    const auto entry = PhotoNameScan::photoEntry("/shoot/", bytes.constData(), size_t(bytes.size()));
    const bool expected = !name.startsWith(u'.') && PhotoFile::isPhoto(name) && PhotoNumber::parse(name);
    ASSERT_EQ(entry.has_value(), expected);
    if (entry) {
        const PhotoNumber number = *PhotoNumber::parse(name);
        EXPECT_EQ(entry->path, "/shoot/" + name);
        EXPECT_EQ(entry->name(), name);
        EXPECT_EQ(entry->prefix, number.prefix);
        EXPECT_EQ(entry->value, number.value);
        EXPECT_EQ(entry->width, number.width);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, PhotoNameScanAgrees,
    ::testing::Values("IMG_0042.JPG", "img_0042.jpg", "DSC01234.NEF", "  B_0101.jpg\t", "photo.jpg ",
        "\n12.png", "A-_. 7.tif", "x.y.123.jpeg", "123", ".jpg", "..5.jpg", "noext5", "5.", "a5b6c.RAW",
        "IMG 12 34.CR3", "0000000000000000000000001.jpg", "99999999999999999999.jpg",
        "7_99999999999999999999.jpg", "9223372036854775807.heic", "9223372036854775808.heic", "x.jpg", "",
        "   ", "IMG_0001.mp4", "IMG_0001.JPG.xmp", "Été_0012.jpg", "ＩＭＧ_０１２.jpg", "IMG_٣٤.jpg",
        "Photo 12.TİF", "IMG_12.jpg/", "a/b_12.jpg",
        "\x7f"
        "12.png",
        "IMG_0012.JpEg"));
