// The crop editor on a real photo in a shown window, over a real editor model: what it shows before and
// after loading, its enabled states and help texts, its keys, drags on the canvas, the preset buttons,
// the window move lock and the paths it reports after each write.
#include "PhotoPictures.h"
#include "RetouchTestSupport.h"
#include "common/TestSupport.h"

#include "photo/CropEditorJournal.h"
#include "photo/CropEditorModel.h"
#include "photo/CropGeometry.h"
#include "photo/PhotoEditMemory.h"
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

// A folder with a photo of the arena (and, on demand, a watermark), an editor model opened on it and
// the editor shown in a window, with every callback counted.
class EditorFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WindowMoveLock::resetForTesting();
        photo = folder.file(QStringLiteral("IMG_3413.jpg"));
        ASSERT_TRUE(arenaPhoto(QSize(900, 600)).save(photo, "JPEG", 92));
    }
    void TearDown() override
    {
        window.reset(); // and the editor with it
        // Writes captured on the way out finish before the folder goes.
        waitUntil([] { return false; }, 300);
    }

    QString watermark()
    {
        const QString path = folder.file(QStringLiteral("filigrane.png"));
        if (!QFile::exists(path))
            watermarkStrip(QSize(800, 150)).save(path, "PNG");
        return path;
    }

    PhotoCropEditorView& open(const QString& path, const std::optional<QString>& mark = std::nullopt,
        const PhotoRetouchSettings& preset = {})
    {
        model.open(path, mark, preset);
        window = std::make_unique<TestWindow>();
        window->resize(1200, 620);
        PhotoCropEditorView::Callbacks callbacks;
        callbacks.onSaved = [this](const QString& p) { saved << p; };
        callbacks.onClose = [this] { ++closes; };
        callbacks.onSavePreset = [this](const PhotoRetouchSettings& s) { presets << s; };
        view = window->hold(new PhotoCropEditorView(&model, preset, callbacks));
        window->open();
        return *view;
    }

    bool loaded()
    {
        return waitUntil([this] { return view->showsCanvas(); }, 10000);
    }

    TempFolder folder;
    QString photo;
    CropEditorModel model;
    std::unique_ptr<TestWindow> window;
    QPointer<PhotoCropEditorView> view;
    QStringList saved;
    int closes = 0;
    QList<PhotoRetouchSettings> presets;
};

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
    waitUntil([] { return false; }, 300);
    EXPECT_TRUE(saved.isEmpty());
}

// The editor's keys are its own while the focus is in it or on no text field: in a text field elsewhere
// in the window, Return, Ctrl+Z and Escape are that field's, and the editor, the photo and its journal
// stay as they were.
TEST_F(EditorFixture, KeysTypedInAFieldElsewhereAreThatFieldsOwn)
{
    PhotoCropEditorView& v = open(photo);
    ASSERT_TRUE(loaded());
    QTest::mouseClick(v.toolbar()->formatButton(PrintFormat::a4), Qt::LeftButton); // a step to undo
    ASSERT_EQ(model.history().size(), 1);
    const CropEditState state = model.currentState();
    const QByteArray pixels = readFile(photo);
    const QByteArray journal = readFile(PhotoEditMemory::journalURL(photo));
    ASSERT_FALSE(journal.isEmpty());

    QLineEdit* field = window->elsewhere();
    typeInto(field, QStringLiteral("commande"));
    QSignalSpy returns(field, &QLineEdit::returnPressed);
    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } keys[] = { { Qt::Key_Return, {} }, { Qt::Key_Enter, Qt::KeypadModifier },
        { Qt::Key_Z, Qt::ControlModifier }, { Qt::Key_Escape, {} } };
    for (const auto& k : keys)
        QTest::keyClick(field, k.key, k.modifiers);
    waitUntil([] { return false; }, 500); // past the rest delay of a write
    EXPECT_EQ(returns.count(), 2);
    EXPECT_NE(field->text(), QStringLiteral("commande")); // the field's own undo
    EXPECT_TRUE(model.isOpen());
    EXPECT_EQ(closes, 0);
    EXPECT_FALSE(model.cropValidated());
    EXPECT_EQ(model.currentState(), state);
    EXPECT_EQ(model.history().size(), 1);
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_EQ(readFile(photo), pixels);
    EXPECT_EQ(readFile(PhotoEditMemory::journalURL(photo)), journal);

    // On a control that takes no text, outside the editor, the keys are the editor's again.
    auto* button = window->hold(new QPushButton(QStringLiteral("Ailleurs")));
    ASSERT_TRUE(waitUntil([&] {
        button->setFocus();
        return button->hasFocus();
    }));
    QTest::keyClick(button, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(model.format(), PrintFormat::a5);
    QTest::keyClick(button, Qt::Key_Escape);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(model.isOpen());
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

// Each side and corner pulled with the pointer on the canvas keeps the opposite side or corner where it
// was, and the crop the journal records is the one the drag made.
TEST_F(EditorFixture, EachHandleKeepsItsOppositeSideInTheJournal)
{
    PhotoCropEditorView& v = open(photo);
    ASSERT_TRUE(loaded());
    CropCanvas* c = v.canvas();
    const QSizeF image(model.sourceImage().size());
    ASSERT_EQ(image, QSizeF(900, 600)); // the journal's pixels are the canvas's
    const double aspect = CropGeometry::aspect(PrintFormat::a5, image);

    using Pick = double (*)(const QRectF&);
    const Pick left = [](const QRectF& r) { return r.left(); };
    const Pick right = [](const QRectF& r) { return r.right(); };
    const Pick top = [](const QRectF& r) { return r.top(); };
    const Pick bottom = [](const QRectF& r) { return r.bottom(); };
    const Pick midX = [](const QRectF& r) { return r.center().x(); };
    const Pick midY = [](const QRectF& r) { return r.center().y(); };
    const struct
    {
        const char* name;
        QPointF (*grip)(const QRectF&);
        QPointF pull;
        // What stays where it was, and the side the pull moves.
        Pick kept[2];
        Pick moved;
    } handles[] = {
        { "left", [](const QRectF& r) { return QPointF(r.left(), r.center().y()); }, { -40, 0 },
            { right, midY }, left },
        { "right", [](const QRectF& r) { return QPointF(r.right(), r.center().y()); }, { 40, 0 },
            { left, midY }, right },
        { "top", [](const QRectF& r) { return QPointF(r.center().x(), r.top()); }, { 0, -30 },
            { bottom, midX }, top },
        { "bottom", [](const QRectF& r) { return QPointF(r.center().x(), r.bottom()); }, { 0, 30 },
            { top, midX }, bottom },
        { "top-left", [](const QRectF& r) { return r.topLeft(); }, { -40, -20 }, { right, bottom }, left },
        { "top-right", [](const QRectF& r) { return r.topRight(); }, { 40, -20 }, { left, bottom }, right },
        { "bottom-left", [](const QRectF& r) { return r.bottomLeft(); }, { -20, 40 }, { right, top },
            bottom },
        { "bottom-right", [](const QRectF& r) { return r.bottomRight(); }, { 30, 30 }, { left, top }, right },
    };
    for (const auto& h : handles) {
        model.setZoom(2);
        model.setOffset(QSizeF(0, 0));
        const QRectF before = CropGeometry::cropRect(image, aspect, 2, QSizeF(0, 0));
        const QRectF shown = c->canvasLayout().crop;
        const QPoint from = h.grip(shown).toPoint();
        const QPoint to = (h.grip(shown) + h.pull).toPoint();
        QTest::mousePress(c, Qt::LeftButton, {}, from);
        QTest::mouseMove(c, (QPointF(from) + h.pull / 2).toPoint());
        QTest::mouseMove(c, to);
        QTest::mouseRelease(c, Qt::LeftButton, {}, to);

        std::optional<PhotoEditJournal> journal;
        ASSERT_TRUE(waitUntil([&] {
            journal = CropEditorJournal::read(photo);
            return journal && journal->current.zoom != 2;
        })) << h.name;
        const QRectF after
            = CropGeometry::cropRect(image, aspect, journal->current.zoom, journal->current.offset);
        for (Pick kept : h.kept)
            EXPECT_NEAR(kept(after), kept(before), 1e-6) << h.name;
        EXPECT_GT(std::abs(h.moved(after) - h.moved(before)), 20) << h.name;
        EXPECT_EQ(model.currentState(), journal->current) << h.name;
    }
}

// The watermark over the crop on screen is the band the validated photo gets: across the crop's width on
// its bottom edge, the whole strip, at the height the written canvas has it.
TEST_F(EditorFixture, TheWatermarkShownIsTheBandWritten)
{
    const QColor grey(128, 128, 128);
    const QString plain = folder.file(QStringLiteral("IMG_0500.png"));
    QImage picture(900, 600, QImage::Format_RGB32);
    picture.fill(grey);
    ASSERT_TRUE(picture.save(plain, "PNG"));
    // A strip eight times as wide as high in four blocks: red, green, blue, yellow.
    const QString mark = folder.file(QStringLiteral("bande.png"));
    const QColor blocks[] = { Qt::red, Qt::green, Qt::blue, Qt::yellow };
    QImage strip(800, 100, QImage::Format_ARGB32);
    for (int i = 0; i < 4; ++i)
        for (int y = 0; y < 100; ++y)
            for (int x = i * 200; x < (i + 1) * 200; ++x)
                strip.setPixelColor(x, y, blocks[i]);
    ASSERT_TRUE(strip.save(mark, "PNG"));

    PhotoCropEditorView& v = open(plain, mark);
    ASSERT_TRUE(loaded());
    ASSERT_TRUE(waitUntil([&] { return !model.watermarkImage().isNull(); }, 10000));
    model.setIncludeWatermark(true);
    ASSERT_TRUE(v.canvas()->showsWatermark());
    QApplication::processEvents();
    const QImage shown = v.canvas()->grab().toImage();
    const QRectF crop = v.canvas()->canvasLayout().crop;

    v.confirmCrop();
    ASSERT_TRUE(waitUntil([&] { return saved.contains(plain); }, 15000));
    const QImage written(plain);
    ASSERT_EQ(written.size(), PrintFormats::canvasSize(PrintFormat::a5, true));

    // Where a point of the canvas (in fractions of its width and height) lies on screen and in the file.
    const auto onScreen = [&](double fx, double fy) {
        return shown.pixelColor(
            QPointF(crop.left() + fx * crop.width(), crop.top() + fy * crop.height()).toPoint());
    };
    const auto inFile = [&](double fx, double fy) {
        return written.pixelColor(int(fx * (written.width() - 1)), int(fy * (written.height() - 1)));
    };
    const auto differs = [](const QColor& a, const QColor& b) {
        return std::max({ std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                   std::abs(a.blue() - b.blue()) })
            > 40;
    };
    // The band's top, down the red block: its first row that is not the photo's grey.
    const auto bandTop = [&](const auto& at) {
        double fy = 0.3;
        while (fy < 1 && !differs(at(0.125, fy), grey))
            fy += 0.001;
        return fy;
    };
    const double top = bandTop(inFile);
    ASSERT_LT(top, 0.95);
    EXPECT_NEAR(top, 1 - 0.125 * written.width() / written.height(), 0.005);
    EXPECT_NEAR(bandTop(onScreen), top, 2.5 / crop.height());

    // The same content at the same places: the whole strip from edge to edge, the photo above it.
    const double middle = (top + 1) / 2;
    const struct
    {
        double fx, fy;
    } points[] = { { 0.02, middle }, { 0.125, middle }, { 0.375, middle }, { 0.625, middle },
        { 0.875, middle }, { 0.98, middle }, { 0.3, top - 0.05 }, { 0.7, top - 0.05 } };
    for (const auto& at : points) {
        const QColor a = onScreen(at.fx, at.fy);
        const QColor b = inFile(at.fx, at.fy);
        EXPECT_FALSE(differs(a, b)) << at.fx << "," << at.fy << ": " << qPrintable(a.name()) << " on screen, "
                                    << qPrintable(b.name()) << " written";
    }
    EXPECT_FALSE(differs(inFile(0.02, middle), Qt::red));
    EXPECT_FALSE(differs(inFile(0.98, middle), Qt::yellow));
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
    const QString other = folder.file(QStringLiteral("IMG_3414.jpg"));
    ASSERT_TRUE(arenaPhoto(QSize(600, 900)).save(other, "JPEG", 92));
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
    waitUntil([] { return false; }, 50);
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
