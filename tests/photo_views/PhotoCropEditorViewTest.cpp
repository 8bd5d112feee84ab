// The crop editor on a real photo in a shown window, over a real editor model: what it shows before and
// after loading, its enabled states and help texts, its keys, drags on the canvas, the preset buttons,
// the window move lock and the paths it reports after each write.
#include "EditorFixture.h"

#include "photo/CropGeometry.h"
#include "photo/PhotoEdits.h"
#include "photo/PhotoWriteQueue.h"
#include "photo/crop/CropEditorJournal.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/views/CropCanvas.h"
#include "photo/views/CropEditorToolbar.h"
#include "photo/views/CropRetouchPanel.h"
#include "photo/views/PhotoCropEditorView.h"
#include "photo/views/RetouchControls.h"
#include "photo/views/RetouchSliderRow.h"
#include "ui/CapsuleButton.h"
#include "ui/WindowMoveLock.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

using namespace quavel;
using namespace quavel::test;

namespace {

TEST_F(EditorFixture, ShowsTheProgressThenThePhoto)
{
    PhotoCropEditorView& v = open(photo);
    EXPECT_EQ(v.toolbar()->title(), QStringLiteral("IMG_3413.jpg"));
    EXPECT_FALSE(v.showsCanvas());
    EXPECT_FALSE(v.validateButton()->isEnabled());
    ASSERT_TRUE(loaded());
    EXPECT_TRUE(v.validateButton()->isEnabled());
    EXPECT_EQ(v.validateButton()->toolTip(), QStringLiteral("Valider le recadrage (Entrée)"));
    EXPECT_EQ(v.canvas()->imageCrop(),
        CropGeometry::cropRect(QSizeF(model.sourceImage().size()), PrintFormat::a5, 1, QSizeF(0, 0)));
    // No history, no original yet: nothing to undo. No watermark file: the switch explains why.
    EXPECT_FALSE(v.toolbar()->undoButton()->isEnabled());
    EXPECT_FALSE(v.toolbar()->watermarkButton()->isEnabled());
    EXPECT_EQ(
        v.toolbar()->watermarkButton()->toolTip(), QStringLiteral("Choisissez d’abord un fichier filigrane"));
    EXPECT_FALSE(v.errorLabel()->isVisible());
}

TEST_F(EditorFixture, FormatAndWatermarkGoToTheModelAndCanBeUndone)
{
    PhotoCropEditorView& v = open(photo, watermark());
    ASSERT_TRUE(loaded());
    ASSERT_TRUE(waitUntil([&] { return v.toolbar()->watermarkButton()->isEnabled(); }));
    QTest::mouseClick(v.toolbar()->formatButton(PrintFormat::a4), Qt::LeftButton);
    EXPECT_EQ(model.format(), PrintFormat::a4);
    EXPECT_TRUE(v.toolbar()->formatButton(PrintFormat::a4)->isSelected());
    EXPECT_EQ(v.canvas()->format(), PrintFormat::a4);
    QTest::mouseClick(v.toolbar()->watermarkButton(), Qt::LeftButton);
    EXPECT_TRUE(model.includeWatermark());
    EXPECT_EQ(v.toolbar()->watermarkButton()->text(), QStringLiteral("Oui"));
    ASSERT_TRUE(waitUntil([&] { return v.canvas()->showsWatermark(); }));

    // Two steps in the history: Ctrl+Z takes back the watermark, and the photo is written.
    EXPECT_TRUE(v.toolbar()->undoButton()->isEnabled());
    EXPECT_EQ(
        v.toolbar()->undoButton()->toolTip(), QStringLiteral("Annuler la dernière modification (Ctrl+Z)"));
    v.canvas()->setFocus();
    QTest::keyClick(v.canvas(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(model.includeWatermark());
    ASSERT_TRUE(waitUntil([&] { return saved.contains(photo); }, 10000));
}

TEST_F(EditorFixture, ReturnValidatesExceptInAValueField)
{
    PhotoCropEditorView& v = open(photo);
    ASSERT_TRUE(loaded());
    RetouchSliderRow* contrast = v.retouchPanel()->controls()->contrast();
    typeInto(contrast->field(), QStringLiteral("20"));
    QTest::keyClick(contrast->field(), Qt::Key_Return);
    EXPECT_EQ(model.retouchSettings().contrast, 20);
    EXPECT_FALSE(model.cropValidated());

    v.canvas()->setFocus();
    QTest::keyClick(v.canvas(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return model.cropValidated() && saved.contains(photo); }, 15000));
    // The written photo is the composed print canvas of an A5 landscape crop.
    EXPECT_EQ(QImage(photo).size(), PrintFormats::canvasSize(PrintFormat::a5, true));
}

TEST_F(EditorFixture, ReturnOnAnUnreadablePhotoReportsNothingWritten)
{
    const QString broken = folder.write(QStringLiteral("IMG_0001.jpg"), QByteArray("not a jpeg"));
    PhotoCropEditorView& v = open(broken);
    ASSERT_TRUE(waitUntil([&] { return v.errorLabel()->isVisible(); }, 10000));
    EXPECT_EQ(v.errorLabel()->text(), QStringLiteral("Impossible de lire cette photo."));
    EXPECT_FALSE(v.validateButton()->isEnabled());
    EXPECT_FALSE(v.showsCanvas());
    v.toolbar()->setFocus();
    QTest::keyClick(v.toolbar(), Qt::Key_Return);
    ASSERT_TRUE(waitForPhotoWork());
    EXPECT_TRUE(saved.isEmpty());
}

TEST_F(EditorFixture, EscapeClosesAfterTellingTheScreen)
{
    PhotoCropEditorView& v = open(photo);
    ASSERT_TRUE(loaded());
    int closesSeenOpen = -1;
    QObject::connect(&model, &CropEditorModel::isOpenChanged, [&] { closesSeenOpen = closes; });
    v.toolbar()->setFocus();
    QTest::keyClick(v.toolbar(), Qt::Key_Escape);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(closesSeenOpen, 1); // the screen heard of it before the model closed
    EXPECT_FALSE(model.isOpen());
    EXPECT_EQ(v.toolbar()->title(), QStringLiteral("Recadrage"));
}

TEST_F(EditorFixture, CanvasDragsMoveTheModelsCropAndMakeOneStep)
{
    PhotoCropEditorView& v = open(photo);
    ASSERT_TRUE(loaded());
    model.setZoom(2);
    ASSERT_EQ(v.canvas()->zoom(), 2);
    const qsizetype steps = model.history().size();
    const QRectF r = v.canvas()->canvasLayout().crop;
    CropCanvas* c = v.canvas();
    QTest::mousePress(c, Qt::LeftButton, {}, r.center().toPoint());
    QTest::mouseMove(c, (r.center() + QPointF(30, 12)).toPoint());
    EXPECT_EQ(model.activeHandle(), CropHandle::move());
    QTest::mouseMove(c, (r.center() + QPointF(60, 24)).toPoint());
    QTest::mouseRelease(c, Qt::LeftButton, {}, (r.center() + QPointF(60, 24)).toPoint());
    EXPECT_GT(model.offset().width(), 0);
    EXPECT_GT(model.offset().height(), 0);
    EXPECT_EQ(model.offset(), c->offset());
    EXPECT_FALSE(model.activeHandle());
    EXPECT_EQ(model.history().size(), steps + 1);

    // A corner pulled inwards zooms in.
    const QRectF moved = c->canvasLayout().crop;
    QTest::mousePress(c, Qt::LeftButton, {}, moved.bottomRight().toPoint());
    QTest::mouseMove(c, (moved.bottomRight() - QPointF(40, 40)).toPoint());
    QTest::mouseRelease(c, Qt::LeftButton, {}, (moved.bottomRight() - QPointF(40, 40)).toPoint());
    EXPECT_GT(model.zoom(), 2);
    EXPECT_EQ(model.zoom(), c->zoom());
}

// A crop validated, then pulled tighter on the canvas and left with "Fermer": the journal and the photo keep
// the validated crop, a batch retouch of the photo too, and the editor opens it again on that crop.
TEST_F(EditorFixture, ACropPulledAfterValidationAndLeftStaysTheValidatedOne)
{
    PhotoCropEditorView& v = open(photo);
    ASSERT_TRUE(loaded());
    v.canvas()->setFocus();
    QTest::keyClick(v.canvas(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return model.cropValidated() && saved.contains(photo); }, 15000));
    PhotoWriteQueue::shared().waitFor(photo);
    const CropEditState validated = PhotoEditMemory::load(photo).current;
    ASSERT_DOUBLE_EQ(validated.zoom, 1);

    CropCanvas* c = v.canvas();
    const QRectF r = c->canvasLayout().crop;
    QTest::mousePress(c, Qt::LeftButton, {}, r.bottomRight().toPoint());
    QTest::mouseMove(c, (r.bottomRight() - QPointF(30, 30)).toPoint());
    QTest::mouseMove(c, (r.bottomRight() - QPointF(60, 60)).toPoint());
    QTest::mouseRelease(c, Qt::LeftButton, {}, (r.bottomRight() - QPointF(60, 60)).toPoint());
    ASSERT_GT(model.zoom(), 1.05);
    EXPECT_FALSE(model.cropValidated());

    QTest::mouseClick(v.toolbar()->closeButton(), Qt::LeftButton);
    EXPECT_EQ(closes, 1);
    PhotoWriteQueue::shared().waitFor(photo);
    EXPECT_EQ(PhotoEditMemory::load(photo).current, validated);
    PhotoRetouchSettings brighter;
    brighter.brightness = 20;
    PhotoEdits::applyRetouch(photo, brighter, std::nullopt);
    EXPECT_DOUBLE_EQ(PhotoEditMemory::load(photo).current.zoom, 1);
    EXPECT_EQ(QImage(photo).size(), PrintFormats::canvasSize(PrintFormat::a5, true));

    model.open(photo, std::nullopt, {});
    ASSERT_TRUE(waitUntil([&] { return model.loadedURL() == photo; }, 10000));
    EXPECT_DOUBLE_EQ(model.zoom(), 1);
    EXPECT_TRUE(model.cropValidated());
}

TEST_F(EditorFixture, PresetButtonsApplyAndSave)
{
    PhotoRetouchSettings preset;
    preset.contrast = 15;
    preset.vibrance = 10;
    PhotoCropEditorView& v = open(photo, std::nullopt, preset);
    ASSERT_TRUE(loaded());
    EXPECT_TRUE(v.retouchPanel()->applyPresetButton()->isEnabled());
    v.retouchPanel()->applyPresetButton()->click();
    EXPECT_EQ(model.retouchSettings(), preset);
    EXPECT_EQ(v.retouchPanel()->controls()->contrast()->typed(), QStringLiteral("15,0"));
    EXPECT_FALSE(v.retouchPanel()->applyPresetButton()->isEnabled());
    EXPECT_FALSE(v.retouchPanel()->savePresetButton()->isEnabled());

    v.retouchPanel()->controls()->saturation()->field()->setText(QStringLiteral("-12"));
    v.retouchPanel()->controls()->saturation()->commitTyped();
    EXPECT_EQ(model.retouchSettings().saturation, -12);
    v.retouchPanel()->savePresetButton()->click();
    ASSERT_EQ(presets.size(), 1);
    EXPECT_EQ(presets.first(), model.retouchSettings());
    // The preset itself only changes when the screen stores it and hands it back.
    v.setPreset(presets.first());
    EXPECT_FALSE(v.retouchPanel()->savePresetButton()->isEnabled());

    // The slider change reaches the photo once the sliders rest.
    ASSERT_TRUE(waitUntil([&] { return saved.contains(photo); }, 10000));
}

TEST_F(EditorFixture, TheWrittenPhotoIsTheOneReportedAfterClosing)
{
    const QString other
        = writePhoto(folder.file(QStringLiteral("IMG_3414.jpg")), arenaPhoto(QSize(600, 900)), 1, 92);
    PhotoCropEditorView& v = open(photo);
    ASSERT_TRUE(loaded());
    v.retouchPanel()->controls()->brightness()->field()->setText(QStringLiteral("25"));
    v.retouchPanel()->controls()->brightness()->commitTyped();
    // Another photo at once: the first photo's look is written, and reported under its own path.
    model.open(other, std::nullopt, {});
    ASSERT_TRUE(waitUntil([&] { return saved.contains(photo); }, 10000));
    EXPECT_FALSE(saved.contains(other));
    // The second photo's edit is made once it has loaded: before that there is nothing of it to write.
    ASSERT_TRUE(waitUntil([&] { return model.loadedURL() == other && view->showsCanvas(); }, 10000));
    view->retouchPanel()->controls()->contrast()->field()->setText(QStringLiteral("10"));
    view->retouchPanel()->controls()->contrast()->commitTyped();
    view->closeEditor();
    ASSERT_TRUE(waitUntil([&] { return saved.contains(other); }, 10000));
}

TEST_F(EditorFixture, TheMoveLockIsHeldWhileShown)
{
    PhotoCropEditorView& first = open(photo);
    EXPECT_EQ(WindowMoveLock::count(), 1);
    EXPECT_TRUE(first.holdsMoveLock());
    CropEditorModel secondModel;
    auto* second = window->hold(new PhotoCropEditorView(&secondModel, {}, {}));
    second->show();
    EXPECT_EQ(WindowMoveLock::count(), 2);
    WindowMoveLock::setMovableByBackground(window.get(), true);
    ASSERT_TRUE(waitUntil([&] { return !WindowMoveLock::isMovableByBackground(window.get()); }));

    first.hide();
    EXPECT_EQ(WindowMoveLock::count(), 1);
    letTimePass(50); // the other editor keeps the window unmovable
    EXPECT_FALSE(WindowMoveLock::isMovableByBackground(window.get()));
    delete second; // taken off the screen by deletion releases it too
    EXPECT_EQ(WindowMoveLock::count(), 0);
    ASSERT_TRUE(waitUntil([&] { return WindowMoveLock::isMovableByBackground(window.get()); }));
    first.hide();
    EXPECT_EQ(WindowMoveLock::count(), 0);
    first.show();
    EXPECT_EQ(WindowMoveLock::count(), 1);
}

TEST_F(EditorFixture, HidingWritesTheCurrentLook)
{
    PhotoCropEditorView& v = open(photo);
    ASSERT_TRUE(loaded());
    v.retouchPanel()->controls()->exposure()->field()->setText(QStringLiteral("0,5"));
    v.retouchPanel()->controls()->exposure()->commitTyped();
    v.hide();
    // Written now, not after the rest delay of the sliders.
    ASSERT_TRUE(waitUntil([&] { return saved.contains(photo); }, 10000));
}

} // namespace
