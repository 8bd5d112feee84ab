// Pictures of the retouch popover beside its "Réglages" button, in both schemes of the window (the
// panel itself is always dark), with sharpening on and the shadows lifted so both kinds of group show.
#include "PhotoPictures.h"
#include "PhotoScreenshotSupport.h"

#include "photo/crop/CropEditorModel.h"
#include "photo/views/CropCanvas.h"

#include "photo/views/RetouchControls.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "photo/views/RetouchSettingsPopover.h"
#include "photo/views/RetouchToneGroup.h"
#include "ui/CapsuleButton.h"

using namespace quavel;
using namespace quavel::test;

namespace {

using RetouchScreenshots = ScreenshotTest;

TEST_F(RetouchScreenshots, PopoverBesideItsButton)
{
    for (bool dark : { false, true }) {
        QApplication::setPalette(Theme::palette(dark));
        PhotoRetouchSettings s;
        s.optimizedSharpness = true;
        s.sharpnessAmount = 140;
        s.contrast = 12;
        s.vibrance = 18.5;
        s.gamma = 0.95;
        s.exposure = -0.3;
        s.shadows = 25;
        RetouchSettingsBinding settings(s);
        Stage stage(QSize(620, 700));
        auto* button = new CapsuleButton(QStringLiteral("Réglages"), QString(), CapsuleKind::glass, &stage);
        button->move(24, 320);
        button->resize(button->sizeHint());
        auto* popover = new RetouchSettingsPopover(&settings, &stage);
        stage.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&stage));
        ASSERT_TRUE(waitUntil([&] { return !popover->controls()->shadows()->isAnimating(); }));
        popover->resize(popover->sizeHint());
        popover->move(button->geometry().right() + 8, 30);
        const QImage picture
            = grabScreenshot(stage, QStringLiteral("retouch-popover-%1").arg(schemeName(dark)));
        // The panel is dark whatever the scheme; beside it, the window's ground of the scheme.
        const QRect panel = popover->geometry();
        EXPECT_TRUE(ofScheme(meanColour(picture, panel.adjusted(20, 20, -20, -20)), true));
        EXPECT_TRUE(ofScheme(meanColour(picture, QRect(4, 660, 40, 30)), dark));
        EXPECT_LT(button->geometry().right(), panel.left());
    }
    std::printf("screenshots: %s\n", qPrintable(screenshotsFolder()));
}

TEST_F(RetouchScreenshots, CropCanvasTurnedWithWatermark)
{
    TempFolder folder;
    const QString scene = writePhoto(folder.file(QStringLiteral("scene.png")), arenaPhoto());
    const QString mark = writeLetteredWatermark(folder.file(QStringLiteral("mark.png")), QSize(1600, 300));
    CropEditorModel model;
    model.open(scene, mark, {});
    ASSERT_TRUE(
        waitUntil([&] { return !model.preview().isNull() && !model.watermarkImage().isNull(); }, 30000));
    model.setZoom(1.35);
    model.setOffset(QSizeF(40, -30));
    model.setAngle(-6);
    model.setIncludeWatermark(true);
    CropCanvas canvas(&model);
    canvas.setPalette(Theme::palette(true));
    canvas.setAutoFillBackground(true);
    canvas.resize(760, 520);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    const QImage picture = grabScreenshot(canvas, QStringLiteral("crop-canvas"));
    // The shifted crop's centre is on the horse's brown body; the canvas around the photo is dark.
    const QPoint centre = canvas.canvasLayout().crop.center().toPoint();
    const QColor horse = meanColour(picture, QRect(centre - QPoint(3, 3), QSize(7, 7)));
    EXPECT_TRUE(horse.red() > horse.green() && horse.green() > horse.blue()) << qPrintable(horse.name());
    EXPECT_TRUE(ofScheme(meanColour(picture, QRect(0, 0, 4, 4)), true));
}

} // namespace
