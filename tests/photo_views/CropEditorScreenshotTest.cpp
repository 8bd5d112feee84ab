// Pictures of the crop editor on a real photo, with a watermark file chosen and the shadows lifted,
// over the window's backdrop in both schemes.
#include "PhotoPictures.h"
#include "PhotoScreenshotSupport.h"

#include "photo/crop/CropEditorModel.h"
#include "photo/views/CropCanvas.h"
#include "photo/views/CropRetouchPanel.h"
#include "photo/views/PhotoCropEditorView.h"

#include <QVBoxLayout>

using namespace quavel;
using namespace quavel::test;

namespace {

using CropEditorScreenshots = ScreenshotTest;

TEST_F(CropEditorScreenshots, EditorOnAPhoto)
{
    TempFolder folder;
    const QString photo
        = writePhoto(folder.file(QStringLiteral("IMG_3413.jpg")), arenaPhoto(QSize(1500, 1000)), 1, 92);
    const QString mark
        = writeLetteredWatermark(folder.file(QStringLiteral("filigrane.png")), QSize(1400, 400));
    for (bool dark : { false, true }) {
        QApplication::setPalette(Theme::palette(dark));
        PhotoRetouchSettings preset;
        preset.contrast = 12;
        preset.shadows = 20;
        CropEditorModel model;
        model.open(photo, mark, preset);
        Stage stage(QSize(1280, 640));
        auto* layout = new QVBoxLayout(&stage);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* view = new PhotoCropEditorView(&model, preset, {}, &stage);
        layout->addWidget(view);
        stage.show();
        ASSERT_TRUE(
            waitUntil([&] { return view->showsCanvas() && !model.watermarkImage().isNull(); }, 15000));
        model.setRetouchPreview(preset);
        model.setIncludeWatermark(true);
        model.setZoom(1.25);
        model.setAngle(-3);
        ASSERT_TRUE(waitUntil([&] { return model.retouchSettings() == preset; }));
        ASSERT_TRUE(waitForPhotoWork()); // the retouched preview
        const QImage picture = grabScreenshot(stage, QStringLiteral("crop-editor-%1").arg(schemeName(dark)));
        // The crop's centre shows the horse's brown body, retouched; the toolbar's corner, the scheme's
        // ground.
        CropCanvas* canvas = view->canvas();
        const QPoint centre = canvas->mapTo(&stage, canvas->canvasLayout().crop.center().toPoint());
        const QColor horse = meanColour(picture, QRect(centre - QPoint(3, 3), QSize(7, 7)));
        EXPECT_TRUE(horse.red() > horse.green() && horse.green() > horse.blue()) << qPrintable(horse.name());
        EXPECT_TRUE(ofScheme(meanColour(picture, QRect(2, 2, 6, 6)), dark));
        EXPECT_GT(canvas->width(), stage.width() / 2);
        model.close();
        ASSERT_TRUE(waitForPhotoWork());
    }
    std::printf("screenshots: %s\n", qPrintable(screenshotsFolder()));
}

} // namespace
