// One look, whichever writer puts it on a photo: the crop editor's write from its session copy and the
// batch's rendering from the original give the same bytes in every state a journal can hold, and the
// batch watermark renders the look its journal records (retouch and crop) with the watermark added. Since
// every writer renders through the same code, the pixels each one writes are also checked against levels
// worked out here from the retouch formulas and a plain alpha blend.
#include "PhotoFixtures.h"
#include "PhotoTestSupport.h"

#include "photo/PhotoEdits.h"
#include "photo/PhotoReads.h"
#include "photo/PhotoWriter.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/imaging/JobPool.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSemaphore>

#include <gtest/gtest.h>

#include <cmath>
#include <exception>
#include <optional>
#include <ostream>
#include <thread>

namespace quavel {
namespace {

struct LookCase
{
    const char* name;
    bool validated;
    bool retouched;
    bool watermarked;
};

// Every combination a journal's current state can ask a writer for, but the two without a watermark
// being the same render as with one when the crop is not validated and the retouch is neutral.
const LookCase looks[] = {
    { "untouched", false, false, false },
    { "retouched", false, true, false },
    { "watermarked_full_size", false, true, true },
    { "cropped", true, false, false },
    { "cropped_retouched", true, true, false },
    { "cropped_retouched_watermarked", true, true, true },
};

CropEditState stateOf(const LookCase& c)
{
    CropEditState state;
    state.format = PrintFormat::a5;
    state.includeWatermark = c.watermarked;
    state.cropValidated = c.validated;
    if (c.validated) {
        state.zoom = 1.3;
        state.offset = QSizeF(12, -8);
        state.angle = 7;
    }
    if (c.retouched) {
        state.retouch.brightness = 30;
        state.retouch.saturation = -40;
    }
    return state;
}

class OneLook : public testing::TestWithParam<LookCase>
{
protected:
    // The same photo twice (byte for byte), and a watermark with transparency.
    void SetUp() override
    {
        test::PhotoRecipe recipe = test::sized(300, 200);
        recipe.checker = 10;
        QDir().mkpath(m_folder.file("batch"));
        QDir().mkpath(m_folder.file("editor"));
        m_batch = test::writePhoto(m_folder.file("batch/IMG_1.jpg"), recipe);
        m_editor = m_folder.file("editor/IMG_1.jpg");
        ASSERT_TRUE(QFile::copy(m_batch, m_editor));
        m_markPath = test::writePhoto(m_folder.file("mark.png"), test::sized(120, 30, 1, true));
        m_mark = PhotoReads::watermark(m_markPath);
    }

    // The crop editor's write of the state, from a session copy of the untouched photo.
    void editorWrite(const CropEditState& state)
    {
        const QString copy = m_folder.file("session.jpg");
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(m_editor, copy));
        PhotoWriter::Request request;
        request.photo = m_editor;
        request.source = copy;
        request.look = state;
        request.watermark.image = m_mark;
        PhotoWriter::write(request);
    }

    test::TempFolder m_folder;
    QString m_batch;
    QString m_editor;
    QString m_markPath;
    FloatImage m_mark;
};

TEST_P(OneLook, TheEditorAndTheBatchWriteTheSameBytes)
{
    const CropEditState state = stateOf(GetParam());
    PhotoEditMemory::materialize(PhotoEditJournal { state, {} }, m_batch, m_mark);
    editorWrite(state);
    const QByteArray written = test::readFile(m_batch);
    ASSERT_FALSE(written.isEmpty());
    EXPECT_EQ(written, test::readFile(m_editor));
}

INSTANTIATE_TEST_SUITE_P(
    States, OneLook, testing::ValuesIn(looks), [](const auto& info) { return std::string(info.param.name); });

// The watermark batch adds the watermark to the look the journal holds: what it writes is that look with
// the watermark, byte for byte as any other rendering of it, whatever retouch or crop the journal has.
class WatermarkBatch : public OneLook
{
};

TEST_P(WatermarkBatch, RendersTheJournalsLookWithTheWatermark)
{
    CropEditState before = stateOf(GetParam());
    before.includeWatermark = false;
    PhotoOriginals::ensureBackup(m_batch);
    PhotoEditMemory::save(PhotoEditJournal { before, {} }, m_batch);
    PhotoEdits::applyWatermark(m_batch, m_markPath);

    const PhotoEditJournal journal = PhotoEditMemory::load(m_batch);
    CropEditState expected = before;
    expected.includeWatermark = true;
    EXPECT_EQ(journal.current, expected);
    EXPECT_EQ(journal.history, QList<CropEditState> { before });
    PhotoEditMemory::materialize(PhotoEditJournal { expected, {} }, m_editor, m_mark);
    EXPECT_EQ(test::readFile(m_batch), test::readFile(m_editor));
}

INSTANTIATE_TEST_SUITE_P(States, WatermarkBatch,
    testing::Values(LookCase { "retouched", false, true, true }, LookCase { "cropped", true, false, true },
        LookCase { "cropped_retouched", true, true, true }),
    [](const auto& info) { return std::string(info.param.name); });

// A grey photo (128) and a watermark of red at alpha 128 give every look levels known in advance: the
// retouch (brightness +50) makes 148, the watermark over a level v gives red 255·a + v·(1 − a) and green
// and blue v·(1 − a), a = 128/255. The crop keeps the grey and gives the A5 landscape canvas; the full-size
// looks keep 300 × 200, the watermark scaled to 300 × 75 across the bottom.
struct PixelCase
{
    const char* name;
    bool validated;
    bool retouched;
    bool watermarked;
};

const PixelCase pixelCases[] = {
    { "untouched", false, false, false },
    { "retouched", false, true, false },
    { "watermarked", false, false, true },
    { "retouched_watermarked", false, true, true },
    { "cropped", true, false, false },
    { "cropped_watermarked", true, false, true },
    { "cropped_retouched", true, true, false },
    { "cropped_retouched_watermarked", true, true, true },
};

void PrintTo(const PixelCase& c, std::ostream* os)
{
    *os << c.name;
}

class LookPixels : public testing::TestWithParam<PixelCase>
{
protected:
    void SetUp() override
    {
        m_markPath = test::writeWatermark(m_folder.file("mark.png"), QSize(120, 30), QColor(255, 0, 0, 128));
        m_mark = PhotoReads::watermark(m_markPath);
    }

    QString greyPhoto(const QString& name) const
    {
        return test::writePhoto(m_folder.file(name), test::filled(300, 200, QColor(128, 128, 128)));
    }

    CropEditState state(bool watermarked) const
    {
        const PixelCase& c = GetParam();
        CropEditState s;
        s.format = PrintFormat::a5;
        s.includeWatermark = watermarked;
        s.cropValidated = c.validated;
        if (c.validated) {
            // Turned and shifted, the crop still lies wholly on the photo: the canvas is grey throughout.
            s.zoom = 1.3;
            s.offset = QSizeF(12, -8);
            s.angle = 7;
        }
        if (c.retouched)
            s.retouch.brightness = 50;
        return s;
    }

    // The photo as written: its size, the level above the watermark, and the colour under it.
    void expectPixels(const QString& photo) const
    {
        const PixelCase& c = GetParam();
        const QImage written = test::decodeStored(photo);
        const QSize size = c.validated ? QSize(2480, 1748) : QSize(300, 200);
        ASSERT_EQ(written.size(), size);
        const int level = c.retouched ? 148 : 128;
        const double a = 128 / 255.0;
        const QColor under = c.watermarked ? QColor(int(std::lround(255 * a + level * (1 - a))),
                                 int(std::lround(level * (1 - a))), int(std::lround(level * (1 - a))))
                                           : QColor(level, level, level);
        // Above the watermark (which takes the bottom 3/8 of either picture), and well inside it.
        const QColor top = written.pixelColor(size.width() / 2, size.height() / 4);
        const QColor bottom = written.pixelColor(size.width() / 2, size.height() * 7 / 8);
        EXPECT_TRUE(test::near(top, QColor(level, level, level), 1)) << qPrintable(top.name());
        EXPECT_TRUE(test::near(bottom, under, 2))
            << qPrintable(bottom.name()) << " for " << qPrintable(under.name());
    }

    test::TempFolder m_folder;
    QString m_markPath;
    FloatImage m_mark;
};

TEST_P(LookPixels, EachWriterWritesTheLevelsOfTheLook)
{
    const CropEditState look = state(GetParam().watermarked);
    const auto check = [&](const char* writer, const QString& photo) {
        SCOPED_TRACE(writer);
        expectPixels(photo);
    };

    // The crop editor, from its session copy.
    PhotoWriter::Request request;
    request.photo = greyPhoto("editor/IMG_1.png");
    request.source = greyPhoto("session.png");
    request.look = look;
    request.watermark.image = m_mark;
    PhotoWriter::write(request);
    check("editor", request.photo);

    // A re-rendering of the journal from the original.
    const QString batch = greyPhoto("batch/IMG_1.png");
    PhotoEditMemory::materialize(PhotoEditJournal { look, {} }, batch, m_mark);
    check("journal", batch);

    // The watermark batch, on the look the journal held without it.
    if (GetParam().watermarked) {
        const QString marked = greyPhoto("watermark/IMG_1.png");
        // A journal stands for a look only beside the original it describes.
        PhotoOriginals::ensureBackup(marked);
        PhotoEditMemory::save(PhotoEditJournal { state(false), {} }, marked);
        PhotoEdits::applyWatermark(marked, m_markPath);
        check("watermark batch", marked);
    }
}

INSTANTIATE_TEST_SUITE_P(States, LookPixels, testing::ValuesIn(pixelCases),
    [](const auto& info) { return std::string(info.param.name); });

// The crop editor's write of a look waits for the photo's turn while a batch's write of the same photo is
// asked for behind it: the editor's write is not skipped for it (only a newer look of the editor's own
// skips it), and the batch builds on the look and journal it leaves.
TEST(EditorLookBehindABatch, IsWrittenAndTheBatchBuildsOnIt)
{
    test::TempFolder folder;
    const QString photo
        = test::writePhoto(folder.file("IMG_1.png"), test::filled(300, 200, QColor(128, 128, 128)));
    const QString copy
        = test::writePhoto(folder.file("session.png"), test::filled(300, 200, QColor(128, 128, 128)));
    const QString mark
        = test::writeWatermark(folder.file("mark.png"), QSize(120, 30), QColor(255, 0, 0, 128));

    // The photo's turn held until both writes wait for it.
    QSemaphore started;
    QSemaphore release;
    QFuture<PhotoWriteQueue::Result> busy = PhotoWriteQueue::shared().submit(photo, [&] {
        started.release();
        release.tryAcquire(1, 30000);
    });
    ASSERT_TRUE(started.tryAcquire(1, 30000));
    CropEditState look;
    look.retouch.brightness = 50;
    PhotoWriter::Request request;
    request.photo = photo;
    request.source = copy;
    request.look = look;
    request.journal = PhotoEditJournal { look, {} };
    QFuture<PhotoWriteQueue::Result> editor = PhotoWriter::submit(request, JobPool::interactive(), true);
    std::optional<QString> batchFailure;
    std::thread batch([&] {
        try {
            PhotoEdits::applyWatermark(photo, mark);
        } catch (const std::exception& e) {
            batchFailure = QString::fromUtf8(e.what());
        }
    });
    EXPECT_TRUE(test::waitUntil([&] { return PhotoWriteQueue::shared().waiting(photo) >= 2; }, 30000));
    EXPECT_EQ(PhotoWriteQueue::shared().waiting(photo), 2);
    release.release();
    batch.join();
    busy.waitForFinished();

    EXPECT_EQ(editor.result().status, PhotoWriteQueue::Status::written);
    EXPECT_FALSE(batchFailure) << qPrintable(batchFailure.value_or(QString()));
    const PhotoEditJournal journal = PhotoEditMemory::load(photo);
    EXPECT_EQ(journal.current.retouch.brightness, 50);
    EXPECT_TRUE(journal.current.includeWatermark);
    EXPECT_EQ(journal.history, QList<CropEditState> { look });
    // The editor's brightening above the watermark and under it.
    const QImage written = test::decodeStored(photo);
    EXPECT_TRUE(test::near(written.pixelColor(150, 50), QColor(148, 148, 148), 1));
    EXPECT_TRUE(test::near(written.pixelColor(150, 175), QColor(202, 74, 74), 2));
}

} // namespace
} // namespace quavel
