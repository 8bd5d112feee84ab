// What the crop editor shows and does is what it writes: a side or corner pulled on the canvas keeps
// the opposite one where it was in the journal, the watermark over the crop is the band the validated
// photo gets, and keys typed into a text field elsewhere in the window write nothing.
#include "EditorFixture.h"

#include "photo/CropGeometry.h"
#include "photo/PhotoWriteQueue.h"
#include "photo/crop/CropEditorJournal.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/print/PrintFormat.h"
#include "photo/views/CropCanvas.h"
#include "photo/views/CropEditorToolbar.h"
#include "ui/CapsuleButton.h"

#include <QPushButton>
#include <QSignalSpy>

using namespace quavel;
using namespace quavel::test;

namespace {

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
        // The journal is written in the photo's turn.
        PhotoWriteQueue::shared().waitFor(photo);

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
    const QString plain = writePhoto(folder.file(QStringLiteral("IMG_0500.png")), filled(900, 600, grey));
    // A strip eight times as wide as high in four blocks: red, green, blue, yellow.
    const QColor blocks[] = { Qt::red, Qt::green, Qt::blue, Qt::yellow };
    QImage strip(800, 100, QImage::Format_ARGB32);
    for (int i = 0; i < 4; ++i)
        for (int y = 0; y < 100; ++y)
            for (int x = i * 200; x < (i + 1) * 200; ++x)
                strip.setPixelColor(x, y, blocks[i]);
    const QString mark = writePhoto(folder.file(QStringLiteral("bande.png")), strip);

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

// The editor's keys are its own while the focus is in it or on no text field: in a text field elsewhere
// in the window, Return, Ctrl+Z and Escape are that field's, and the editor, the photo and its journal
// stay as they were.
TEST_F(EditorFixture, KeysTypedInAFieldElsewhereAreThatFieldsOwn)
{
    PhotoCropEditorView& v = open(photo);
    ASSERT_TRUE(loaded());
    QTest::mouseClick(v.toolbar()->formatButton(PrintFormat::a4), Qt::LeftButton); // a step to undo
    ASSERT_EQ(model.history().size(), 1);
    PhotoWriteQueue::shared().waitFor(photo); // the journal is written in the photo's turn
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
    ASSERT_TRUE(waitForPhotoWork()); // what the keys started has ended
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

} // namespace
