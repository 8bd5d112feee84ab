// The crop editor model's writes: the debounced retouch write, captured writes that survive closing
// and switching photos, the per-photo order of writes, the restore behind a write in flight, the
// offset carried between the working image and the full-size photo, RAW photos and the watermark.
#include "CropEditorFixture.h"

#include "photo/CropGeometry.h"
#include "photo/PhotoEdits.h"
#include "photo/PhotoWriter.h"
#include "platform/files/NativeName.h"
#include "platform/imaging/JobPool.h"

#include <QThread>

#include <sys/inotify.h>
#include <unistd.h>

#include <cmath>
#include <numbers>

using namespace quavel;
using namespace quavel::test;

namespace {

using CropEditorWrites = CropEditorFixture;

// One 8-bit step and a little: what an encode and a retouch may move a grey level.
constexpr float step = 1.5f / 255;

// A landscape photo with a bright frame around a dark middle: the validated A5 crop at zoom 1 reaches the
// frame at the top of the sheet, a tighter or lower crop does not.
FloatImage framed()
{
    return makeImage(96, 64, [](int x, int y) {
        const float v = (x < 20 || x >= 76 || y < 14 || y >= 50) ? 0.9f : 0.1f;
        return Rgb { v, v, v };
    });
}

// Counts the journal files put in place under one name in a folder, as the kernel reports them: each
// atomic write of a journal links or renames one finished file there.
class JournalWrites
{
public:
    explicit JournalWrites(const QString& journal)
        : m_name(QFile::encodeName(QFileInfo(journal).fileName()))
        , m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(
            m_fd, QFile::encodeName(QFileInfo(journal).absolutePath()).constData(), IN_MOVED_TO | IN_CREATE);
    }
    ~JournalWrites() { ::close(m_fd); }
    int count()
    {
        alignas(inotify_event) char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                return m_count;
            for (ssize_t i = 0; i < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + i);
                if (event->len > 0 && QByteArray(event->name) == m_name)
                    ++m_count;
                i += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    QByteArray m_name;
    int m_fd;
    int m_count = 0;
};

TEST_F(CropEditorWrites, TenSliderMovesWriteThePhotoOnceWithTheLast)
{
    const QString photo = greyPhoto("d.png", 0.25f);
    ASSERT_TRUE(openAndLoad(photo));
    shortenRetouchRest();
    for (int i = 1; i <= 10; ++i) {
        m_model->setRetouchPreview(exposure(i / 10.0));
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(m_written.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return m_written.size() == 1; }, 5000));
    turnPastRest();
    settle(photo);
    EXPECT_EQ(m_written, QStringList { photo });
    EXPECT_NEAR(level(photo), 0.5f, step);
    EXPECT_EQ(PhotoEditMemory::load(photo).current.retouch, exposure(1));
    // The preview follows the sliders: the last one is shown.
    ASSERT_TRUE(waitUntil([&] { return !m_model->sourceImage().sharesPixelsWith(m_model->baseImage()); }));
    EXPECT_NEAR(pixel(m_model->sourceImage(), 3, 3)[0], 0.5f, step);
}

TEST_F(CropEditorWrites, AValidationSupersedesThePendingSliderWrite)
{
    const QString photo = greyPhoto("v.png", 0.25f);
    ASSERT_TRUE(openAndLoad(photo));
    shortenRetouchRest();
    m_model->setRetouchPreview(exposure(1));
    ASSERT_TRUE(await(m_model->save()));
    turnPastRest();
    settle(photo);
    // One write: the validation's, which carries the retouch, on the landscape A5 sheet.
    EXPECT_EQ(m_written, QStringList { photo });
    EXPECT_EQ(decoded(photo).size(), QSize(2480, 1748));
    EXPECT_NEAR(level(photo), 0.5f, 2 * step);
}

// From a disk written by another system: opened, validated and undone through the name's bytes.
TEST_F(CropEditorWrites, APhotoWhoseNameIsNotUtf8IsOpenedWrittenAndRestoredThroughItsBytes)
{
    const QString photo = greyPhoto(NativeName::decode("gr\xE9y \xFF.png"), 0.25f);
    ASSERT_TRUE(NativeName::hasEscapes(photo));
    ASSERT_TRUE(openAndLoad(photo));
    m_model->setRetouchPreview(exposure(1));
    ASSERT_TRUE(await(m_model->save()));
    settle(photo);
    EXPECT_EQ(m_written, QStringList { photo });
    EXPECT_EQ(decoded(photo).size(), QSize(2480, 1748));
    EXPECT_NEAR(level(photo), 0.5f, 2 * step);
    EXPECT_EQ(PhotoEditMemory::load(photo).current.retouch, exposure(1));
    ASSERT_TRUE(PhotoOriginals::hasBackup(photo));
    PhotoOriginals::restore(photo);
    EXPECT_NEAR(level(photo), 0.25f, step);
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_FALSE(PhotoEditMemory::read(photo));
}

TEST_F(CropEditorWrites, ABurstOfWritesEndsWithTheNewestLookOnDisk)
{
    const QString photo = greyPhoto("burst.png", 0.25f);
    ASSERT_TRUE(openAndLoad(photo));
    holdQueue(photo);
    for (double ev : { 0.2, 0.4, 0.6, 0.8, 1.0 }) {
        m_model->setRetouchPreview(exposure(ev));
        m_model->persistCurrent();
    }
    release();
    settle(photo);
    EXPECT_NEAR(level(photo), 0.5f, step);
    // The older looks were overtaken in the queue by the newest, which alone was written.
    EXPECT_EQ(m_written, QStringList { photo });
    EXPECT_EQ(PhotoEditMemory::load(photo).current.retouch, exposure(1));
}

TEST_F(CropEditorWrites, ClosingRightAfterARetouchWritesIt)
{
    const QString photo = greyPhoto("close.png", 0.25f);
    const QByteArray original = bytes(photo);
    ASSERT_TRUE(openAndLoad(photo));
    m_model->setRetouchPreview(exposure(1));
    m_model->close();
    settle(photo);
    EXPECT_EQ(m_written, QStringList { photo });
    EXPECT_NEAR(level(photo), 0.5f, step);
    EXPECT_EQ(PhotoEditMemory::load(photo).current.retouch, exposure(1));
    EXPECT_EQ(bytes(PhotoOriginals::backupURL(photo)), original);
}

TEST_F(CropEditorWrites, OpeningAnotherPhotoWritesTheFirstWithItsOwnLook)
{
    const QString first = greyPhoto("first.png", 0.25f);
    const QString second = greyPhoto("second.png", 0.4f);
    PhotoEditJournal secondJournal;
    secondJournal.current.retouch = exposure(-1);
    PhotoEditMemory::save(secondJournal, second);
    const QByteArray secondBytes = bytes(second);

    ASSERT_TRUE(openAndLoad(first));
    m_model->setRetouchPreview(exposure(1));
    m_model->open(second, std::nullopt, {});
    // The second photo's retouch is already shown; a write asked for now must not carry it to the first.
    EXPECT_EQ(m_model->retouchSettings(), exposure(-1));
    m_model->persistCurrent();
    settle(first);
    EXPECT_NEAR(level(first), 0.5f, step);
    EXPECT_EQ(PhotoEditMemory::load(first).current.retouch, exposure(1));
    EXPECT_EQ(m_written, QStringList { first });
    ASSERT_TRUE(waitUntil([&] { return m_model->loadedURL() == second; }));
    settle(second);
    EXPECT_EQ(bytes(second), secondBytes);
}

TEST_F(CropEditorWrites, ARestoreWaitsForTheWriteInFlight)
{
    const QString photo = greyPhoto("restore.png", 0.25f);
    const QByteArray original = bytes(photo);
    ASSERT_NO_FATAL_FAILURE(openAndBrighten(photo));

    holdQueue(photo);
    m_model->setRetouchPreview(exposure(0.5));
    m_model->persistCurrent();
    QFuture<bool> restored = m_model->restoreOriginalFromBackup();
    // Asked for during the restore: the old look must not follow the original back onto the photo.
    m_model->persistCurrent();
    release();
    EXPECT_TRUE(await(restored));
    settle(photo);
    EXPECT_EQ(bytes(photo), original);
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(photo)));
    EXPECT_EQ(m_model->retouchSettings(), PhotoRetouchSettings {});
    EXPECT_TRUE(m_model->history().isEmpty());
}

TEST_F(CropEditorWrites, ANeutralLookPutsTheUntouchedOriginalBackByteForByte)
{
    const QString photo = m_folder.file("n.jpg");
    writePhoto(photo, sized(80, 60));
    m_photos.append(photo);
    const QByteArray original = bytes(photo);
    ASSERT_TRUE(openAndLoad(photo));
    m_model->setRetouchPreview(exposure(1));
    m_model->persistCurrent();
    settle(photo);
    ASSERT_NE(bytes(photo), original);
    m_model->setRetouchPreview(PhotoRetouchSettings {});
    m_model->persistCurrent();
    settle(photo);
    EXPECT_EQ(bytes(photo), original);
}

TEST_F(CropEditorWrites, TheWrittenCropIsTheCropShownOnALargePhoto)
{
    // Smooth stripes of 400 pixels: a crop misplaced by a fraction of that changes every sample.
    const int W = 4000, H = 3000;
    const auto wave = [](int v) { return float(0.5 + 0.4 * std::sin(2 * std::numbers::pi * v / 400.0)); };
    const QString big = photo("big.jpg", makeImage(W, H, [&](int x, int y) {
        return Rgb { wave(x), wave(y), 0.5f };
    }));
    ASSERT_TRUE(openAndLoad(big));
    const FloatImage base = m_model->baseImage();
    ASSERT_EQ(base.size(), QSize(2048, 1536));
    EXPECT_DOUBLE_EQ(m_model->offsetScale(), 4000.0 / 2048.0);

    m_model->setZoom(2.5);
    m_model->setOffset(QSizeF(150, -80));
    m_model->finishGesture();
    ASSERT_TRUE(await(m_model->save()));
    settle(big);
    // The journal holds pixels of the full-size photo, as every full-size writer reads them.
    EXPECT_EQ(PhotoEditMemory::load(big).current.offset, QSizeF(150 * 1.953125, -80 * 1.953125));

    const FloatImage written = decoded(big);
    ASSERT_EQ(written.size(), QSize(2480, 1748));
    const QRectF crop = CropGeometry::cropRect(QSizeF(base.size()), PrintFormat::a5, 2.5, QSizeF(150, -80));
    for (double u = 0.1; u < 0.95; u += 0.2) {
        for (double v = 0.1; v < 0.95; v += 0.2) {
            const Rgb shown
                = pixel(base, int(crop.x() + u * crop.width()), int(crop.y() + v * crop.height()));
            const Rgb saved = pixel(written, int(u * written.width()), int(v * written.height()));
            for (int c = 0; c < 2; ++c)
                EXPECT_NEAR(saved[c], shown[c], 0.05) << "at " << u << "," << v;
        }
    }

    // Reopened, the canvas shows the same offset in its own pixels.
    m_model->close();
    ASSERT_TRUE(openAndLoad(big));
    EXPECT_EQ(m_model->offset(), QSizeF(150, -80));
}

TEST_F(CropEditorWrites, AZoomBelowTheMinimumComposesAsTheMinimum)
{
    const QString photo = greyPhoto("tall.png", 0.5f, 48, 64);
    ASSERT_TRUE(openAndLoad(photo));
    m_model->setZoom(0.05);
    ASSERT_TRUE(await(m_model->save()));
    settle(photo);
    const FloatImage written = decoded(photo);
    ASSERT_EQ(written.size(), QSize(1748, 2480));
    // At 0.2 the photo takes a fifth of the sheet's width, centred on black.
    EXPECT_NEAR(pixel(written, 874, 1240)[0], 0.5f, step);
    EXPECT_NEAR(pixel(written, 874 - 200, 1240)[0], 0.0f, step);
    EXPECT_NEAR(pixel(written, 874 + 150, 1240)[0], 0.5f, step);
}

TEST_F(CropEditorWrites, AnIncludedWatermarkIsDrawnOnTheFullPhotoAndOnTheValidatedCrop)
{
    const QString photo = greyPhoto("wm.png", 0.25f);
    // Transparent above, opaque red below.
    const QString mark = this->photo("mark.png",
        makeImage(
            40, 20,
            [](int, int) {
                return Rgb { 1, 0, 0 };
            },
            [](int, int y) { return y < 10 ? 0.0f : 1.0f; }));
    ASSERT_TRUE(openAndLoad(photo, mark));
    ASSERT_FALSE(m_model->watermarkFull().isNull());
    m_model->setIncludeWatermark(true);
    m_model->persistCurrent();
    settle(photo);
    // Not validated: the full-size photo with the watermark across its bottom (64 × 32 there).
    const FloatImage full = decoded(photo);
    ASSERT_EQ(full.size(), QSize(64, 48));
    EXPECT_NEAR(pixel(full, 32, 44)[0], 1.0f, step);
    EXPECT_NEAR(pixel(full, 32, 44)[1], 0.0f, step);
    EXPECT_NEAR(pixel(full, 32, 20)[0], 0.25f, step);
    // Switched off again: the original's own bytes.
    m_model->setIncludeWatermark(false);
    m_model->persistCurrent();
    settle(photo);
    EXPECT_NEAR(level(photo), 0.25f, step);
    m_model->setIncludeWatermark(true);

    ASSERT_TRUE(await(m_model->save()));
    settle(photo);
    const FloatImage written = decoded(photo);
    ASSERT_EQ(written.size(), QSize(2480, 1748));
    const Rgb bottom = pixel(written, 1240, 1740);
    const Rgb top = pixel(written, 1240, 10);
    EXPECT_NEAR(bottom[0], 1.0f, step);
    EXPECT_NEAR(bottom[1], 0.0f, step);
    EXPECT_NEAR(top[0], 0.25f, step);
}

TEST_F(CropEditorWrites, TheNewerWatermarkWinsAndAnUnreadableOneSwitchesItOff)
{
    const QString photo = greyPhoto("w2.png", 0.5f);
    const QString large = greyPhoto("large.png", 0.9f, 2600, 1800);
    const QString small = greyPhoto("small.png", 0.9f, 30, 10);
    ASSERT_TRUE(openAndLoad(photo, large));
    m_model->setIncludeWatermark(true);
    m_model->setWatermark(large); // the same path: nothing
    const int loadsBefore = m_model->loadGeneration();
    m_model->setWatermark(m_folder.file("elsewhere/../large.png"));
    m_model->setWatermark(small);
    ASSERT_TRUE(waitUntil([&] { return m_model->watermarkImage().size() == QSize(30, 10); }));
    ASSERT_TRUE(waitForPhotoWork()); // the loads overtaken have come back
    EXPECT_EQ(m_model->watermarkImage().size(), QSize(30, 10));
    EXPECT_EQ(m_model->watermarkFull().size(), QSize(30, 10));
    EXPECT_EQ(m_model->loadGeneration(), loadsBefore);

    m_model->setWatermark(m_folder.write("bad.png", "no image"));
    ASSERT_TRUE(waitUntil([&] { return !m_model->includeWatermark(); }));
    EXPECT_TRUE(m_model->watermarkImage().isNull());
    // Switched off without a history step.
    EXPECT_TRUE(m_model->committed().includeWatermark);
}

TEST_F(CropEditorWrites, ARawPhotoOpensButIsNeverRewritten)
{
    const QString photo = writeLinearDng(m_folder.file("camera.dng"), 60, 40);
    m_photos.append(photo);
    const QByteArray original = bytes(photo);
    ASSERT_TRUE(openAndLoad(photo));
    // Developed for the canvas like any photo.
    EXPECT_EQ(m_model->preview().size(), QSize(60, 40));
    EXPECT_FALSE(m_model->errorMessage());
    m_model->setRetouchPreview(exposure(1));
    m_model->persistCurrent();
    settle(photo);
    const QString rawMessage = QStringLiteral("Photo RAW non modifiée, enregistrez-la d’abord en JPEG.");
    EXPECT_EQ(m_model->errorMessage(), rawMessage);
    m_model->setRetouchPreview(PhotoRetouchSettings {});
    m_model->persistCurrent();
    settle(photo);
    EXPECT_EQ(m_model->errorMessage(), rawMessage);
    EXPECT_FALSE(await(m_model->save()));
    settle(photo);
    EXPECT_EQ(m_model->errorMessage(), rawMessage);
    EXPECT_EQ(bytes(photo), original);
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_TRUE(m_written.isEmpty());
}

// A request that finds its look already asked for joins that write: when the write then fails, the
// failure is heard of (under the editor, or through onWriteFailed once the editor has closed) and the
// look is written again by the next close instead of being taken as written.
TEST_F(CropEditorWrites, AFailedWriteThatARequestJoinedIsReportedAndWrittenAgain)
{
    QStringList failures;
    m_model->setOnWriteFailed(
        [&](const QString& photo, const QString& message) { failures.append(photo + " " + message); });
    const QString unreadable = QStringLiteral("Impossible de lire cette photo.");
    for (const bool closing : { false, true }) {
        const QString photo = greyPhoto(closing ? "closed.png" : "open.png", 0.25f);
        ASSERT_TRUE(openAndLoad(photo));
        const QString copy = *m_model->sessionBaseURL();
        const QByteArray copyBytes = bytes(copy);
        m_model->setRetouchPreview(exposure(1));
        holdQueue(photo);
        m_model->persistCurrent();
        if (closing)
            m_model->close();
        else
            m_model->persistCurrent();
        // Without its session copy the write in the queue fails.
        QFile::remove(copy);
        release();
        settle(photo);
        EXPECT_TRUE(m_written.isEmpty());
        EXPECT_NEAR(level(photo), 0.25f, step);
        if (closing) {
            EXPECT_EQ(failures, QStringList { photo + " " + unreadable });
            // Opened again, the journal's look is written at the next close.
            ASSERT_TRUE(openAndLoad(photo));
        } else {
            EXPECT_TRUE(failures.isEmpty());
            EXPECT_EQ(m_model->errorMessage(), unreadable);
            QFile restored(copy);
            ASSERT_TRUE(restored.open(QIODevice::WriteOnly));
            restored.write(copyBytes);
        }
        m_model->close();
        settle(photo);
        EXPECT_EQ(m_written, QStringList { photo });
        EXPECT_NEAR(level(photo), 0.5f, step);
        m_written.clear();
    }
}

// A photo opened without a journal, changed and written, then undone back to the look it opened with:
// it is not untouched. When the undo's write fails (its session copy gone), the close writes the way back.
TEST_F(CropEditorWrites, AnUndoBackToTheOpenedLookIsWrittenAtCloseWhenItsOwnWriteFailed)
{
    const QString photo = greyPhoto("undone.png", 0.25f);
    const QByteArray original = bytes(photo);
    ASSERT_NO_FATAL_FAILURE(openAndBrighten(photo));
    const QString copy = *m_model->sessionBaseURL();
    const QByteArray copyBytes = bytes(copy);
    holdQueue(photo);
    QFuture<bool> undone = m_model->undoLast();
    QFile::remove(copy);
    release();
    EXPECT_FALSE(await(undone));
    settle(photo);
    ASSERT_TRUE(m_model->history().isEmpty());
    EXPECT_NEAR(level(photo), 0.5f, step) << "the undo's write failed";

    writeRaw(QFile::encodeName(copy), copyBytes);
    m_written.clear();
    m_model->close();
    settle(photo);
    EXPECT_EQ(m_written, QStringList { photo });
    EXPECT_EQ(bytes(photo), original);
}

TEST_F(CropEditorWrites, AFailureOvertakenByANewerRequestShowsNothing)
{
    const QString photo = greyPhoto("fail.png", 0.25f);
    ASSERT_TRUE(openAndLoad(photo));
    // Without its session copy every retouched write fails.
    QFile::remove(*m_model->sessionBaseURL());
    holdQueue(photo);
    m_model->setRetouchPreview(exposure(1));
    m_model->persistCurrent();
    m_model->setRetouchPreview(exposure(0.5)); // newer: a debounced write is pending
    release();
    settle(photo);
    EXPECT_FALSE(m_model->errorMessage());
    // The debounced write fails in turn and, being the latest, says so.
    ASSERT_TRUE(waitUntil([&] { return m_model->errorMessage().has_value(); }, 3000));
    EXPECT_EQ(m_model->errorMessage(), QStringLiteral("Impossible de lire cette photo."));
    EXPECT_TRUE(m_written.isEmpty());
}

// A crop moved after "Valider" and left without validating again is never the validated one: the photo
// and its journal keep the validated crop through the close and a batch retouch of the photo, and the
// editor opens it again on that crop.
struct MovedCrop
{
    const char* name;
    friend void PrintTo(const MovedCrop& c, std::ostream* os) { *os << c.name; }
    std::function<void(CropEditorModel&)> move;
};

class CropEditorMovedCrop : public CropEditorFixture, public ::testing::WithParamInterface<MovedCrop>
{
};

TEST_P(CropEditorMovedCrop, IsNeitherWrittenNorTakenByABatchRetouch)
{
    const QString photo = this->photo(QStringLiteral("moved.png"), framed());
    ASSERT_TRUE(openAndLoad(photo));
    ASSERT_TRUE(await(m_model->save()));
    settle(photo);
    const CropEditState validated = PhotoEditMemory::load(photo).current;
    ASSERT_TRUE(validated.cropValidated);
    ASSERT_DOUBLE_EQ(validated.zoom, 1);

    GetParam().move(*m_model);
    m_model->finishGesture();
    EXPECT_FALSE(m_model->cropValidated()) << "a moved crop is not the validated one";
    EXPECT_EQ(m_model->bakedState(), validated);
    m_model->close();
    settle(photo);
    EXPECT_EQ(PhotoEditMemory::load(photo).current, validated);

    // As the orders batch runs it.
    PhotoEdits::applyRetouch(photo, exposure(0.25), std::nullopt);
    CropEditState retouched = validated;
    retouched.retouch = exposure(0.25);
    EXPECT_EQ(PhotoEditMemory::load(photo).current, retouched);
    const FloatImage written = decoded(photo);
    ASSERT_EQ(written.size(), QSize(2480, 1748)) << "the validated A5 sheet";
    // The top of the sheet is the frame: the crop of zoom 1, not a tighter or lower one.
    EXPECT_GT(pixel(written, 1240, 20)[0], 0.8f);

    // Opened again: the last validated crop, validated.
    ASSERT_TRUE(openAndLoad(photo));
    EXPECT_EQ(m_model->currentState(), retouched);
    EXPECT_EQ(m_model->bakedState(), retouched);
}

INSTANTIATE_TEST_SUITE_P(Moves, CropEditorMovedCrop,
    ::testing::Values(MovedCrop { "zoom", [](CropEditorModel& m) { m.setZoom(2); } },
        MovedCrop { "offset", [](CropEditorModel& m) { m.setOffset(QSizeF(0, 20)); } },
        MovedCrop { "angle", [](CropEditorModel& m) { m.setAngle(10); } },
        MovedCrop { "format", [](CropEditorModel& m) { m.setFormat(PrintFormat::a4); } }),
    [](const auto& info) { return std::string(info.param.name); });

// How many times each change of the editor writes the journal (each in the photo's turn), counted by the
// kernel's reports of journal files put in place.
struct JournalWriteCount
{
    const char* name;
    friend void PrintTo(const JournalWriteCount& c, std::ostream* os) { *os << c.name; }
    bool validatedFirst;
    std::function<QFuture<bool>(CropEditorModel&)> change;
    int writes;
};

class CropEditorJournalWrites : public CropEditorFixture,
                                public ::testing::WithParamInterface<JournalWriteCount>
{
};

TEST_P(CropEditorJournalWrites, OncePerChangeThatTheDiskHolds)
{
    const JournalWriteCount& c = GetParam();
    const QString photo = greyPhoto(QStringLiteral("count.png"), 0.4f);
    ASSERT_TRUE(openAndLoad(photo));
    if (c.validatedFirst)
        ASSERT_TRUE(await(m_model->save()));
    else
        m_model->setFormat(PrintFormat::a4); // the journal's folder is made
    settle(photo);
    ASSERT_TRUE(QFile::exists(PhotoEditMemory::journalURL(photo)));

    JournalWrites writes(PhotoEditMemory::journalURL(photo));
    QFuture<bool> done = c.change(*m_model);
    await(done);
    settle(photo);
    EXPECT_EQ(writes.count(), c.writes);
}

INSTANTIATE_TEST_SUITE_P(Changes, CropEditorJournalWrites,
    ::testing::Values(
        JournalWriteCount { "validation", false, [](CropEditorModel& m) { return m.save(); }, 1 },
        JournalWriteCount { "validationAfterAMove", true,
            [](CropEditorModel& m) {
                m.setZoom(1.5);
                m.finishGesture();
                return m.save();
            },
            1 },
        JournalWriteCount { "gesture", false,
            [](CropEditorModel& m) {
                m.setZoom(1.5);
                m.finishGesture();
                return QtFuture::makeReadyFuture(true);
            },
            1 },
        JournalWriteCount { "moveOfAValidatedCrop", true,
            [](CropEditorModel& m) {
                m.setZoom(1.5);
                m.finishGesture();
                m.setFormat(PrintFormat::a4);
                return QtFuture::makeReadyFuture(true);
            },
            0 },
        JournalWriteCount { "undoOfAMove", true,
            [](CropEditorModel& m) {
                m.setZoom(1.5);
                m.finishGesture();
                return m.undoLast();
            },
            0 },
        JournalWriteCount { "undo", false, [](CropEditorModel& m) { return m.undoLast(); }, 1 }),
    [](const auto& info) { return std::string(info.param.name); });

// A commit of the editor asked for while a restore of the photo waits for its turn runs behind it and
// writes nothing: no journal, look or original stands beside the restored photo.
struct CommitDuringRestore
{
    const char* name;
    friend void PrintTo(const CommitDuringRestore& c, std::ostream* os) { *os << c.name; }
    std::function<void(CropEditorModel&)> commit;
};

class CropEditorCommitDuringRestore : public CropEditorFixture,
                                      public ::testing::WithParamInterface<CommitDuringRestore>
{
};

TEST_P(CropEditorCommitDuringRestore, LeavesNothingBesideTheRestoredPhoto)
{
    const QString photo = greyPhoto(QStringLiteral("restored.png"), 0.25f);
    const QByteArray original = bytes(photo);
    ASSERT_NO_FATAL_FAILURE(openAndBrighten(photo));

    holdQueue(photo);
    // The orders screen's undo of the photo, while the editor shows it.
    QFuture<PhotoWriteQueue::Result> restored = PhotoWriter::submitRestore(photo, JobPool::interactive());
    GetParam().commit(*m_model);
    release();
    ASSERT_TRUE(waitUntil([&] { return restored.isFinished(); }, 20000));
    EXPECT_EQ(restored.result().status, PhotoWriteQueue::Status::written);
    settle(photo);
    EXPECT_EQ(bytes(photo), original);
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(photo)));
}

INSTANTIATE_TEST_SUITE_P(Commits, CropEditorCommitDuringRestore,
    ::testing::Values(
        CommitDuringRestore { "format", [](CropEditorModel& m) { m.setFormat(PrintFormat::a4); } },
        CommitDuringRestore { "gesture",
            [](CropEditorModel& m) {
                m.setZoom(1.5);
                m.finishGesture();
            } },
        CommitDuringRestore { "look",
            [](CropEditorModel& m) {
                PhotoRetouchSettings darker;
                darker.exposure = 0.5;
                m.setRetouchPreview(darker);
                m.persistCurrent();
            } }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
