// Damaged photos: a file cut short, in every format the system reads, fails every strict read (each
// write's decode, the printed page) while a gallery's thumbnail shows what decodes; every write refuses
// it as an unreadable photo and leaves it byte for byte as it was. A JPEG with stray bytes, which libjpeg
// only warns about, is edited like any photo. A read stopped by an exception is told by that exception.
#include "PhotoFixtures.h"
#include "PhotoTestSupport.h"

#include "photo/PhotoEdits.h"
#include "photo/PhotoWriter.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/ImageThumbnail.h"
#include "platform/imaging/ScaledDecode.h"
#include "platform/imaging/Vips.h"
#include "platform/imaging/VipsSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace quavel {
namespace {

using test::brighter;

// A quarter of the photo drawn on a canvas a quarter of its size: a JPEG is then decoded by its DCT
// scaling, other formats stream.
std::optional<ReadFailure> scaledDecodeFailure(const QString& path, QSize size)
{
    const ScaledDecode::Drawing drawing { QTransform::fromScale(0.25, 0.25), QRect(QPoint(0, 0), size), 0.25,
        size / 4 };
    std::optional<ReadFailure> failure;
    EXPECT_FALSE(ScaledDecode::decode(path, drawing, &failure));
    return failure;
}

class CutShort : public testing::TestWithParam<const char*>
{
protected:
    test::TempFolder m_folder;
};

TEST_P(CutShort, FailsEveryStrictReadAndShowsWhatDecodesInAThumbnail)
{
    const QString extension = QString::fromLatin1(GetParam());
    const QSize size(512, 384);
    const QString whole = test::writePhoto(m_folder.file(QStringLiteral("whole.") + extension), [&] {
        test::PhotoRecipe recipe = test::sized(size.width(), size.height());
        recipe.checker = 8; // detail all over, so that the second half of the file holds pixels
        return recipe;
    }());
    ASSERT_TRUE(ImageIO::decode(whole)) << GetParam();
    const QString cut = m_folder.file(QStringLiteral("cut.") + extension);
    ASSERT_TRUE(QFile::copy(whole, cut));
    test::truncateFile(cut, 0.6);

    ReadFailure failure;
    EXPECT_FALSE(ImageIO::decode(cut, std::nullopt, &failure)) << GetParam();
    EXPECT_EQ(failure.kind, ReadFailure::Kind::unreadable);
    EXPECT_FALSE(ImageIO::decode(cut, 200)) << GetParam() << ": the editor's working image";
    EXPECT_TRUE(ImageThumbnail::fromFile(cut, 200, ImageThumbnail::Damage::refused).isNull()) << GetParam();
    const std::optional<ReadFailure> scaled = scaledDecodeFailure(cut, size);
    EXPECT_TRUE(scaled.has_value()) << GetParam() << ": the crop canvas falls back to a whole decode";
    // JPEG and PNG decode their first part; the others cannot decode any of it.
    const bool partial = extension == QLatin1String("jpg") || extension == QLatin1String("png");
    EXPECT_EQ(ImageThumbnail::fromFile(cut, 200).isNull(), !partial) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Formats, CutShort, testing::Values("jpg", "png", "tif", "webp", "heic"));

// A write of a damaged photo, as each editing step makes it.
struct Write
{
    const char* name;
    std::function<void(const QString& photo, const QString& folder)> run;
};

// The crop editor's write of a look, from its session copy of the photo.
void editorWrite(const QString& photo, const QString& folder, const CropEditState& look)
{
    const QString copy = folder + QStringLiteral("/session.jpg");
    QFile::remove(copy);
    QFile::copy(photo, copy);
    PhotoWriter::Request request;
    request.photo = photo;
    request.source = copy;
    request.look = look;
    PhotoWriter::write(request);
}

const Write writes[] = {
    { "batch retouch",
        [](const QString& p, const QString&) { PhotoEdits::applyRetouch(p, brighter(), {}); } },
    { "batch watermark",
        [](const QString& p, const QString& folder) {
            PhotoEdits::applyWatermark(
                p, test::writePhoto(folder + QStringLiteral("/Logo.png"), test::sized(40, 8, 1, true)));
        } },
    { "validated crop (DCT scaled)",
        [](const QString& p, const QString&) {
            PhotoEditJournal journal;
            journal.current.cropValidated = true;
            PhotoEditMemory::materialize(journal, p, std::nullopt);
        } },
    { "editor write",
        [](const QString& p, const QString& folder) {
            CropEditState look;
            look.retouch = brighter();
            editorWrite(p, folder, look);
        } },
    { "editor write of a validated crop",
        [](const QString& p, const QString& folder) {
            CropEditState look;
            look.cropValidated = true;
            editorWrite(p, folder, look);
        } },
};

TEST(DamagedPhotos, ATruncatedJpegIsRefusedByEveryWriteAndLeftAsItWas)
{
    test::TempFolder folder;
    // Larger than the A5 canvas (1748 × 2480), so that its crop is decoded at a reduced size.
    test::PhotoRecipe recipe = test::sized(4000, 3000);
    recipe.checker = 16;
    const QString whole = test::writePhoto(folder.file(QStringLiteral("whole.jpg")), recipe);
    for (const Write& write : writes) {
        const QString photo
            = folder.file(QStringLiteral("%1/IMG_0001.jpg").arg(QString::fromLatin1(write.name)));
        QDir().mkpath(QFileInfo(photo).absolutePath());
        ASSERT_TRUE(QFile::copy(whole, photo));
        test::truncateFile(photo, 0.5);
        const QByteArray before = test::readFile(photo);
        try {
            write.run(photo, folder.path());
            ADD_FAILURE() << write.name << " wrote the grey of the missing half into the photo";
        } catch (const PhotoEditError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Impossible de lire cette photo.")) << write.name;
        }
        EXPECT_EQ(test::readFile(photo), before) << write.name;
        EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(photo)))
            << write.name << ": the journal records a look the photo does not show";
    }
}

TEST(DamagedPhotos, AJpegWithStrayBytesOnlyWarnsAndIsEdited)
{
    test::TempFolder folder;
    test::PhotoRecipe recipe = test::sized(512, 384);
    const QString photo = test::writeStrayBytesJpeg(folder.file(QStringLiteral("IMG_0001.jpg")), recipe);
    EXPECT_FALSE(test::decodesCleanly(photo)) << "libjpeg warns about the stray bytes";
    const ScaledDecode::Drawing drawing { QTransform::fromScale(0.25, 0.25), QRect(0, 0, 512, 384), 0.25,
        QSize(128, 96) };
    EXPECT_TRUE(ScaledDecode::decode(photo, drawing));
    EXPECT_FALSE(ImageThumbnail::fromFile(photo, 200, ImageThumbnail::Damage::refused).isNull());
    const QByteArray before = test::readFile(photo);
    PhotoEdits::applyRetouch(photo, brighter(), {});
    EXPECT_NE(test::readFile(photo), before);
    EXPECT_EQ(test::decodesCleanly(photo), QSize(512, 384));
}

// What a read through libvips makes of the exception that stopped it: a libvips error by its message,
// libvips' error buffer then left empty for the next read; memory running out as such. Any other
// exception is no read failure and goes on its way.
TEST(DamagedPhotos, AStoppedReadIsToldByTheExceptionThatStoppedIt)
{
    using Kind = ReadFailure::Kind;
    const struct
    {
        const char* name;
        std::function<void()> raise;
        Kind kind;
        bool clearsBuffer;
    } cases[] = {
        { "libvips error", [] { throw vips::VError("VipsJpeg: premature end of input file"); },
            Kind::unreadable, true },
        { "libvips out of memory", [] { throw vips::VError("vips_tracked: out of memory --- size == 96MB"); },
            Kind::outOfMemory, true },
        { "allocation", [] { throw std::bad_alloc(); }, Kind::outOfMemory, false },
    };
    VipsSupport::ensureStarted();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vips_error("test", "%s", "left by the failed call");
        ReadFailure failure { Kind::tooLarge, 1 };
        try {
            c.raise();
        } catch (...) {
            failure = VipsSupport::caughtFailure();
        }
        EXPECT_EQ(failure, (ReadFailure { c.kind, 0 }));
        EXPECT_EQ(QString::fromUtf8(vips_error_buffer()).isEmpty(), c.clearsBuffer);
        vips_error_clear();
    }
    EXPECT_THROW(
        {
            try {
                throw std::runtime_error("not a read");
            } catch (...) {
                VipsSupport::caughtFailure();
            }
        },
        std::runtime_error);
}

} // namespace
} // namespace quavel
