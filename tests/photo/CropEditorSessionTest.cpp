// The crop editor model's session: opening with and without a journal, the legacy backup, the history
// and its journal, the save / undo / restore sequence, and stale results.
#include "CropEditorFixture.h"

#include "library/QuavelJSON.h"
#include "photo/CropGeometry.h"
#include "photo/crop/CropSessionFolder.h"
#include "platform/AtomicFile.h"

#include <QFileInfo>

using namespace quavel;
using namespace quavel::test;
using Json = QuavelJSON::Json;

namespace {

class CropEditorSessions : public CropEditorFixture
{
protected:
    // One state as the journal stores it; the retouch is the default one unless given.
    static Json state(
        const char* format, double zoom, bool validated, const PhotoRetouchSettings& retouch = {})
    {
        return Json { { "format", format }, { "includeWatermark", false }, { "zoom", zoom },
            { "offset", Json::array({ 0, 0 }) }, { "angle", 0 }, { "retouch", retouch.toJson() },
            { "cropValidated", validated } };
    }
    static Json journal(const Json& current, const Json& history)
    {
        return Json { { "current", current }, { "history", history } };
    }
    // The journal file as it stands, parsed; null when there is none.
    static Json journalOnDisk(const QString& photo)
    {
        const auto file = AtomicFile::read(PhotoEditMemory::journalURL(photo));
        return file ? QuavelJSON::parse(*file) : Json();
    }
};

TEST_F(CropEditorSessions, OpensAnUneditedPhotoNeutralWithNoHistory)
{
    const QString photo = greyPhoto("a.png", 0.5f);
    ASSERT_TRUE(openAndLoad(photo));
    EXPECT_TRUE(m_model->isOpen());
    EXPECT_EQ(m_model->fileURL(), photo);
    EXPECT_FALSE(m_model->hasOriginalBackup());
    EXPECT_TRUE(m_model->history().isEmpty());
    EXPECT_EQ(m_model->currentState(), CropEditState {});
    EXPECT_EQ(m_model->committed(), CropEditState {});
    EXPECT_FALSE(m_model->errorMessage());
    EXPECT_EQ(m_model->preview().size(), QSize(64, 48));
    // The session copy is a byte copy of the photo in the private session folder.
    ASSERT_TRUE(m_model->sessionBaseURL());
    EXPECT_EQ(QFileInfo(*m_model->sessionBaseURL()).absolutePath(), CropSessionFolder::path());
    EXPECT_EQ(bytes(*m_model->sessionBaseURL()), bytes(photo));
    // Opening leaves the photo and its folder as they were.
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_TRUE(journalOnDisk(photo).is_null());
}

TEST_F(CropEditorSessions, OpensAJournalAsItWasLeft)
{
    const QString photo = greyPhoto("b.png", 0.5f);
    PhotoEditJournal saved;
    saved.current.format = PrintFormat::a4;
    saved.current.zoom = 1.5;
    saved.current.offset = QSizeF(3, -4);
    saved.current.angle = 2.5;
    saved.current.retouch = exposure(0.5);
    saved.current.cropValidated = true;
    saved.history = { CropEditState {}, CropEditState {} };
    PhotoEditMemory::save(saved, photo);

    ASSERT_TRUE(openAndLoad(photo));
    // The retouch is known from open() on, before the images are in.
    EXPECT_EQ(m_model->currentState(), saved.current);
    EXPECT_EQ(m_model->committed(), saved.current);
    EXPECT_EQ(m_model->history(), saved.history);
    EXPECT_EQ(m_model->bakedState(), saved.current);
    EXPECT_TRUE(m_model->cropValidated());
    EXPECT_EQ(m_model->dragStartOffset(), QSizeF(3, -4));
}

TEST_F(CropEditorSessions, AJournalLackingAKeyCountsAsNone)
{
    const QString photo = greyPhoto("c.png", 0.5f);
    Json broken = journal(state("a4", 2, false), Json::array());
    broken["current"].erase("angle");
    writeJournal(photo, QuavelJSON::encode(broken));
    ASSERT_TRUE(openAndLoad(photo));
    EXPECT_EQ(m_model->currentState(), CropEditState {});
    EXPECT_TRUE(m_model->history().isEmpty());
}

TEST_F(CropEditorSessions, APhotoEditedBeforeJournalsOpensWithThePresetAndOneStepBack)
{
    const QString original = greyPhoto("legacy.png", 0.25f);
    const QByteArray originalBytes = bytes(original);
    PhotoOriginals::ensureBackup(original);
    // The photo was retouched in place, by hand, long ago.
    greyPhoto("legacy.png", 0.6f);
    ASSERT_TRUE(openAndLoad(original, std::nullopt, exposure(1)));

    EXPECT_TRUE(m_model->hasOriginalBackup());
    EXPECT_EQ(m_model->retouchSettings(), exposure(1));
    EXPECT_EQ(m_model->history(), QList<CropEditState> { CropEditState {} });
    // The session copy is made from the backup, not from the edited photo.
    EXPECT_EQ(bytes(*m_model->sessionBaseURL()), originalBytes);

    // One undo: back to no retouch, written from the original.
    EXPECT_TRUE(await(m_model->undoLast()));
    settle(original);
    EXPECT_TRUE(m_model->history().isEmpty());
    EXPECT_EQ(m_model->retouchSettings(), PhotoRetouchSettings {});
    EXPECT_EQ(bytes(original), originalBytes);
    EXPECT_EQ(journalOnDisk(original), journal(state("a5", 1, false), Json::array()));

    // The next undo restores the original and forgets the backup and the journal.
    EXPECT_TRUE(await(m_model->undoLast()));
    EXPECT_FALSE(PhotoOriginals::hasBackup(original));
    EXPECT_TRUE(journalOnDisk(original).is_null());
    EXPECT_EQ(bytes(original), originalBytes);
    EXPECT_FALSE(m_model->hasOriginalBackup());
    // Nothing left to undo.
    EXPECT_FALSE(await(m_model->undoLast()));
}

TEST_F(CropEditorSessions, SaveUndoAndRestoreKeepTheJournalExact)
{
    const QString photo = m_folder.file("seq.jpg");
    writePhoto(photo, sized(96, 64));
    m_photos.append(photo);
    const QByteArray original = bytes(photo);
    ASSERT_TRUE(openAndLoad(photo));

    m_model->setFormat(PrintFormat::a4);
    settle(photo); // the journal is written in the photo's turn
    EXPECT_EQ(journalOnDisk(photo), journal(state("a4", 1, false), Json::array({ state("a5", 1, false) })));

    m_model->setZoom(2);
    m_model->finishGesture();
    settle(photo);
    const Json history2 = Json::array({ state("a5", 1, false), state("a4", 1, false) });
    EXPECT_EQ(journalOnDisk(photo), journal(state("a4", 2, false), history2));

    // Validation is a step of its own and writes the A4 canvas (landscape photo: landscape sheet).
    ASSERT_TRUE(await(m_model->save()));
    settle(photo);
    Json history3 = history2;
    history3.push_back(state("a4", 2, false));
    EXPECT_EQ(journalOnDisk(photo), journal(state("a4", 2, true), history3));
    EXPECT_EQ(decoded(photo).size(), QSize(3508, 2480));
    EXPECT_EQ(bytes(PhotoOriginals::backupURL(photo)), original);
    EXPECT_EQ(m_written, QStringList { photo });

    // Undoing the validation writes the full-size original again.
    EXPECT_TRUE(await(m_model->undoLast()));
    settle(photo);
    EXPECT_EQ(journalOnDisk(photo), journal(state("a4", 2, false), history2));
    EXPECT_FALSE(m_model->bakedState());
    EXPECT_EQ(bytes(photo), original);

    EXPECT_TRUE(await(m_model->undoLast()));
    EXPECT_EQ(journalOnDisk(photo), journal(state("a4", 1, false), Json::array({ state("a5", 1, false) })));
    EXPECT_TRUE(await(m_model->undoLast()));
    EXPECT_EQ(journalOnDisk(photo), journal(state("a5", 1, false), Json::array()));
    EXPECT_EQ(m_model->format(), PrintFormat::a5);

    // With the history empty, the original comes back and the edit files go.
    EXPECT_TRUE(await(m_model->undoLast()));
    EXPECT_TRUE(journalOnDisk(photo).is_null());
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_EQ(bytes(photo), original);
    EXPECT_EQ(m_model->loadedURL(), photo);
}

TEST_F(CropEditorSessions, HistoryKeepsTheEightyMostRecentStates)
{
    const QString photo = greyPhoto("h.png", 0.5f);
    ASSERT_TRUE(openAndLoad(photo));
    for (int i = 1; i <= 81; ++i) {
        m_model->setZoom(1 + i * 0.01);
        m_model->finishGesture();
    }
    ASSERT_EQ(m_model->history().size(), 80);
    settle(photo);
    // The first former state (zoom 1) went; the latest former one is 1.80.
    EXPECT_DOUBLE_EQ(m_model->history().first().zoom, 1.01);
    EXPECT_DOUBLE_EQ(m_model->history().last().zoom, 1.80);
    EXPECT_EQ(PhotoEditMemory::load(photo).history.size(), 80);
    // A gesture that changed nothing adds no step.
    m_model->finishGesture();
    EXPECT_EQ(m_model->history().size(), 80);
}

TEST_F(CropEditorSessions, FormatAndWatermarkChangesAreRecordedSteps)
{
    const QString photo = greyPhoto("f.png", 0.5f);
    ASSERT_TRUE(openAndLoad(photo));
    m_model->setZoom(1.5);
    m_model->setAngle(3);
    m_model->setOffset(QSizeF(7, 8));
    m_model->setFormat(PrintFormat::a5);
    EXPECT_TRUE(m_model->history().isEmpty()); // same format: nothing happens
    m_model->setFormat(PrintFormat::a4);
    // The pending drag is a step of its own, then the format change.
    ASSERT_EQ(m_model->history().size(), 2);
    EXPECT_EQ(m_model->offset(), QSizeF(0, 0));
    EXPECT_EQ(m_model->dragStartOffset(), QSizeF(0, 0));
    EXPECT_DOUBLE_EQ(m_model->zoom(), 1.5);
    EXPECT_DOUBLE_EQ(m_model->angle(), 3);
    m_model->setIncludeWatermark(true);
    EXPECT_EQ(m_model->history().size(), 3);
    EXPECT_TRUE(m_model->committed().includeWatermark);
}

TEST_F(CropEditorSessions, APhotoWithoutJournalKeepsTheLastFormat)
{
    const QString first = greyPhoto("one.png", 0.5f);
    const QString second = greyPhoto("two.png", 0.5f);
    ASSERT_TRUE(openAndLoad(first));
    m_model->setFormat(PrintFormat::a4);
    m_model->close();
    ASSERT_TRUE(openAndLoad(second));
    EXPECT_EQ(m_model->format(), PrintFormat::a4);
    EXPECT_TRUE(m_model->history().isEmpty());
}

TEST_F(CropEditorSessions, OpeningTheShownPhotoOnlyTakesTheWatermark)
{
    const QString photo = greyPhoto("same.png", 0.5f);
    const QString mark = greyPhoto("mark.png", 1.0f, 20, 10);
    ASSERT_TRUE(openAndLoad(photo));
    const int loads = m_model->loadGeneration();
    m_model->open(photo, mark, exposure(1));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_model->watermarkURL(), mark);
    EXPECT_EQ(m_model->loadGeneration(), loads);
    EXPECT_EQ(m_model->presetForLegacy(), PhotoRetouchSettings {});
    EXPECT_TRUE(m_model->watermarkImage().isNull());
}

TEST_F(CropEditorSessions, ALoadOvertakenByAnotherPhotoChangesNothing)
{
    const QString slow = greyPhoto("slow.png", 0.3f, 1800, 1200);
    const QString fast = greyPhoto("fast.png", 0.7f);
    m_model->open(slow, std::nullopt, {});
    m_model->open(fast, std::nullopt, {});
    ASSERT_TRUE(waitUntil([&] { return m_model->loadedURL() == fast; }));
    // The first load's result, whenever it arrives, is dropped.
    ASSERT_TRUE(waitForPhotoWork());
    EXPECT_EQ(m_model->loadedURL(), fast);
    EXPECT_EQ(m_model->baseImage().size(), QSize(64, 48));
}

TEST_F(CropEditorSessions, APreviewOvertakenByANewerOneChangesNothing)
{
    const QString photo = greyPhoto("render.png", 0.25f, 1600, 1200);
    ASSERT_TRUE(openAndLoad(photo));
    PhotoRetouchSettings heavy = exposure(-1);
    heavy.optimizedSharpness = true;
    heavy.shadows = 60;
    heavy.highlights = -40;
    // The slow render is asked for first; the quick one after it must stay on screen.
    QFuture<void> slow = m_model->renderPreview(heavy);
    QFuture<void> quick = m_model->renderPreview(exposure(1));
    await(quick);
    await(slow);
    QCoreApplication::processEvents();
    EXPECT_NEAR(pixel(m_model->sourceImage(), 800, 600)[0], 0.5f, 1.5f / 255);
    EXPECT_EQ(m_model->preview().size(), QSize(1600, 1200));

    // A neutral look shows the working image itself at once, and a late render does not replace it.
    slow = m_model->renderPreview(heavy);
    m_model->renderPreview(PhotoRetouchSettings {});
    EXPECT_TRUE(m_model->sourceImage().sharesPixelsWith(m_model->baseImage()));
    await(slow);
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_model->sourceImage().sharesPixelsWith(m_model->baseImage()));
}

TEST_F(CropEditorSessions, LensSharpeningShowsInThePreviewOfALargePhoto)
{
    // A 3000-pixel photo is shown at 2048, where the default radius makes a disc of 0.68 pixel: the
    // written photo is sharpened, so the preview must be too.
    const QString photo = this->photo("edge.png", makeImage(3000, 400, [](int x, int) {
        const float v = x < 1500 ? 0.3f : 0.7f;
        return Rgb { v, v, v };
    }));
    ASSERT_TRUE(openAndLoad(photo));
    ASSERT_EQ(m_model->baseImage().width(), 2048);
    PhotoRetouchSettings lens;
    lens.optimizedSharpness = true;
    lens.removeLensBlur = true;
    // The baseline: an amount too small to sharpen leaves the noise reduction alone.
    PhotoRetouchSettings denoised = lens;
    denoised.sharpnessAmount = 0.05;
    await(m_model->renderPreview(denoised));
    QCoreApplication::processEvents();
    const FloatImage base = m_model->sourceImage();
    await(m_model->renderPreview(lens));
    QCoreApplication::processEvents();
    const FloatImage& shown = m_model->sourceImage();
    ASSERT_EQ(shown.size(), base.size());
    ASSERT_FALSE(shown.sharesPixelsWith(base));
    // Around the edge (at 1024) the preview reaches further below the dark side and above the bright
    // side than the noise reduction alone does.
    float baseLow = 1, baseHigh = 0, shownLow = 1, shownHigh = 0;
    for (int x = 1012; x < 1036; ++x) {
        baseLow = std::min(baseLow, pixel(base, x, 60)[0]);
        baseHigh = std::max(baseHigh, pixel(base, x, 60)[0]);
        shownLow = std::min(shownLow, pixel(shown, x, 60)[0]);
        shownHigh = std::max(shownHigh, pixel(shown, x, 60)[0]);
    }
    EXPECT_GT(baseLow - shownLow, 2.0f / 255);
    EXPECT_GT(shownHigh - baseHigh, 2.0f / 255);
}

TEST_F(CropEditorSessions, AnUnreadablePhotoOpensWithAMessageAndNoPicture)
{
    const QString photo = m_folder.write("broken.jpg", "not a photo");
    ASSERT_TRUE(openAndLoad(photo));
    EXPECT_TRUE(m_model->isOpen());
    EXPECT_EQ(m_model->errorMessage(), QStringLiteral("Impossible de lire cette photo."));
    EXPECT_TRUE(m_model->preview().isNull());
    // Validation cannot write what cannot be read.
    EXPECT_FALSE(await(m_model->save()));
    settle(photo);
    EXPECT_EQ(m_model->errorMessage(), QStringLiteral("Impossible de lire cette photo."));
    EXPECT_EQ(bytes(photo), "not a photo");
}

TEST_F(CropEditorSessions, NothingIsWrittenBeforeTheLoadCompletes)
{
    const QString photo = greyPhoto("early.png", 0.5f);
    m_model->open(photo, std::nullopt, {});
    EXPECT_FALSE(await(m_model->save()));
    EXPECT_FALSE(await(m_model->undoLast()));
    m_model->persistCurrent();
    settle(photo);
    EXPECT_TRUE(m_written.isEmpty());
}

TEST_F(CropEditorSessions, ClosingClearsThePhotoButKeepsTheEditorsChoices)
{
    const QString photo = greyPhoto("close.png", 0.5f);
    ASSERT_TRUE(openAndLoad(photo));
    m_model->setFormat(PrintFormat::a4);
    m_model->setZoom(1.3);
    m_model->close();
    EXPECT_FALSE(m_model->isOpen());
    EXPECT_FALSE(m_model->fileURL());
    EXPECT_FALSE(m_model->loadedURL());
    EXPECT_FALSE(m_model->sessionBaseURL());
    EXPECT_TRUE(m_model->preview().isNull());
    EXPECT_TRUE(m_model->history().isEmpty());
    EXPECT_EQ(m_model->committed(), CropEditState {});
    EXPECT_EQ(m_model->format(), PrintFormat::a4);
    EXPECT_DOUBLE_EQ(m_model->zoom(), 1.3);
    // The copy stays in the session folder until the next start.
    settle(photo);
}

TEST_F(CropEditorSessions, DragsWriteTheGeometryAndEndAsOneStep)
{
    const QString photo = greyPhoto("drag.png", 0.5f, 200, 100);
    ASSERT_TRUE(openAndLoad(photo));
    const QSizeF image(200, 100);
    const double aspect = CropGeometry::aspect(PrintFormat::a5, image);
    const auto cropNow
        = [&] { return CropGeometry::cropRect(image, aspect, m_model->zoom(), m_model->offset()); };
    // The canvas shows the image at 2 points per pixel from the origin.
    const auto view
        = [](const QRectF& r) { return QRectF(r.x() * 2, r.y() * 2, r.width() * 2, r.height() * 2); };

    // A move: the total translation from the start, never step by step.
    QRectF crop = cropNow();
    m_model->beginDrag(view(crop).center() + QPointF(30, 0), view(crop), crop, view(crop).center());
    EXPECT_EQ(m_model->activeHandle(), CropHandle::move());
    m_model->applyDrag(QPointF(10, 0), {}, image, aspect, 2, view(crop).center());
    m_model->applyDrag(QPointF(20, 4), {}, image, aspect, 2, view(crop).center());
    EXPECT_EQ(m_model->offset(), QSizeF(10, 2));
    m_model->finishGesture();
    EXPECT_FALSE(m_model->activeHandle());
    EXPECT_EQ(m_model->dragStartOffset(), QSizeF(10, 2));
    EXPECT_EQ(m_model->history().size(), 1);

    // A corner: a smaller crop is a larger zoom.
    crop = cropNow();
    const QRectF v = view(crop);
    m_model->beginDrag(v.bottomRight(), v, crop, v.center());
    EXPECT_EQ(m_model->activeHandle(), CropHandle::edge(CropEdge::bottomRight));
    m_model->applyDrag(QPointF(-40, -5), v.bottomRight() + QPointF(-40, -5), image, aspect, 2, v.center());
    EXPECT_GT(m_model->zoom(), 1.1);
    m_model->finishGesture();
    EXPECT_EQ(m_model->history().size(), 2);

    // A rotation from a rotate handle, clamped to 45 degrees.
    crop = cropNow();
    const QRectF r = view(crop);
    const QPointF handle = CropGeometry::rotatePoints(r)[3];
    m_model->beginDrag(handle, r, crop, r.center());
    EXPECT_EQ(m_model->activeHandle(), CropHandle::rotate());
    const QPointF turned(
        r.center().x() - (handle.y() - r.center().y()), r.center().y() + (handle.x() - r.center().x()));
    m_model->applyDrag(turned - handle, turned, image, aspect, 2, r.center());
    EXPECT_DOUBLE_EQ(m_model->angle(), 45);
    m_model->finishGesture();

    // A drag that starts far outside the crop changes nothing, and its end records nothing.
    const int steps = int(m_model->history().size());
    m_model->beginDrag(QPointF(-500, -500), r, crop, r.center());
    m_model->applyDrag(QPointF(100, 100), QPointF(-400, -400), image, aspect, 2, r.center());
    EXPECT_DOUBLE_EQ(m_model->angle(), 45);
    m_model->finishGesture();
    EXPECT_EQ(m_model->history().size(), steps);
}

} // namespace
