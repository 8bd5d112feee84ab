// One look, whichever writer puts it on a photo: the crop editor's write from its session copy and the
// batch's rendering from the original give the same bytes in every state a journal can hold, and the
// batch watermark renders the look its journal records (retouch and crop) with the watermark added.
#include "PhotoFixtures.h"
#include "PhotoTestSupport.h"

#include "photo/PhotoEdits.h"
#include "photo/PhotoReads.h"
#include "photo/PhotoWriter.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

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

} // namespace
} // namespace quavel
