// Pictures of the orders screen with real content, in both schemes and the three layouts, written as
// PNG files to a folder that the test prints (QUAVEL_SCREENSHOTS when set, else a folder in the build
// tree).
#include "OrdersViewFixture.h"
#include "common/Screenshots.h"

#include "orders/views/OrdersFolderColumn.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/views/CropCanvas.h"
#include "photo/views/PhotoCropEditorView.h"

#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <map>

using namespace quavel;
using namespace quavel::test;

namespace {

// The colours of the order's photos, four A5 photos each, then the A4 ones.
const QColor colours[]
    = { QColor(176, 92, 60), QColor(70, 120, 160), QColor(90, 140, 80), QColor(150, 110, 170) };

// An order of three sections: loose files with a video, twelve A5 prints in three riders' runs, four
// A4 prints; a second watermark, a retouch preset, two photos delivered and three selected.
void makeOrders(OrdersViewFixture& f)
{
    for (const char* name : { "BERNARD Chloé", "Commande été 2026", "DUPONT Marie — Grand Prix 1,40 m",
             "LEROY Anne", "MARTIN Lucas", "PETIT Hugo" })
        f.folder(QString::fromUtf8(name));
    const QString order = QStringLiteral("DUPONT Marie — Grand Prix 1,40 m/");
    int c = 0;
    for (int n : { 3412, 3413, 3415, 3431, 3432, 3433, 3434, 3435, 3470, 3471, 3473, 3474 })
        f.photo(order + QStringLiteral("IMPRESSION A5/IMG_%1.JPG").arg(n), colours[(c++ / 4) % 4],
            QSize(120, 80));
    for (int n : { 3501, 3502, 3503, 3504 })
        f.photo(order + QStringLiteral("IMPRESSION A4/IMG_%1.JPG").arg(n), colours[3], QSize(80, 120));
    f.photo(order + QStringLiteral("Photo de groupe avec toute l’équipe du Haras des Trois Chênes.jpg"),
        colours[1], QSize(120, 80));
    f.video(order + QStringLiteral("clip du barrage.mp4"));
}

void prepare(OrdersViewFixture& f)
{
    makeOrders(f);
    OrdersStore& store = f.openOn(QStringLiteral("DUPONT Marie — Grand Prix 1,40 m"));
    store.addWatermark(writeWatermark(
        f.tmp.file(QStringLiteral("marks/Logo Haras.png")), QSize(60, 30), QColor(240, 240, 240)));
    store.addWatermark(writeWatermark(
        f.tmp.file(QStringLiteral("marks/Signature blanche.png")), QSize(60, 30), QColor(30, 30, 30)));
    PhotoRetouchSettings retouch;
    retouch.contrast = 12;
    retouch.vibrance = 20;
    retouch.optimizedSharpness = true;
    store.setRetouch(retouch);
    const QString order = f.path(QStringLiteral("DUPONT Marie — Grand Prix 1,40 m/"));
    store.markDelivered({ order + QStringLiteral("IMPRESSION A5/IMG_3412.JPG"),
        order + QStringLiteral("IMPRESSION A5/IMG_3413.JPG") });
}

TEST(OrdersScreenshot, ThreeLayoutsInBothSchemes)
{
    OrdersViewFixture f;
    prepare(f);
    const QString order = f.path(QStringLiteral("DUPONT Marie — Grand Prix 1,40 m/"));
    // The mean lightness of each layout's light picture.
    std::map<int, int> lightLayouts;
    for (bool dark : { false, true }) {
        QApplication::setPalette(Theme::palette(dark));
        const QString scheme = dark ? QStringLiteral("dark") : QStringLiteral("light");
        for (OrdersGalleryLayout layout : OrdersGalleryLayouts::allCases()) {
            f.defaults.setString(
                QStringLiteral("ordersGalleryLayout"), OrdersGalleryLayouts::rawValue(layout));
            OrdersView& view = f.show(QSize(1280, 820));
            view.screen().click({ order + QStringLiteral("IMPRESSION A5/IMG_3413.JPG"), false }, {});
            view.screen().click(
                { order + QStringLiteral("IMPRESSION A5/IMG_3415.JPG"), false }, { true, false });
            ASSERT_TRUE(f.waitForThumbnails());
            settle();
            const QImage image = grabScreenshot(*f.window,
                QStringLiteral("commandes-%1-%2").arg(OrdersGalleryLayouts::rawValue(layout), scheme));
            // The thumbnails of the group photo and the A4 prints, first in every layout, show their
            // photos' colours, and the dark scheme darkens the screen.
            EXPECT_GE(pixelsNear(image, colours[1]), 400);
            EXPECT_GE(pixelsNear(image, colours[3]), 400);
            const int lightness = meanColour(image).lightness();
            if (dark)
                EXPECT_LT(lightness, lightLayouts[int(layout)] - 60);
            else
                lightLayouts[int(layout)] = lightness;
            if (layout == OrdersGalleryLayout::sections && !dark) {
                // The last section's strip with its number-jump marks.
                QScrollBar* bar = view.detail()->galleryScroll()->verticalScrollBar();
                bar->setValue(bar->maximum());
                ASSERT_TRUE(f.waitForThumbnails());
                settle();
                // The A5 prints of the last section are seen.
                EXPECT_GE(
                    pixelsNear(grabScreenshot(*f.window, QStringLiteral("commandes-sections-end-light")),
                        colours[3]),
                    400);
            }
        }
    }
    std::printf("screenshots: %s\n", qPrintable(screenshotsFolder()));
}

TEST(OrdersScreenshot, TheEditorUnderTheGalleryInBothSchemes)
{
    OrdersViewFixture f;
    prepare(f);
    const QString photo
        = f.path(QStringLiteral("DUPONT Marie — Grand Prix 1,40 m/IMPRESSION A5/IMG_3431.JPG"));
    f.photo(QStringLiteral("DUPONT Marie — Grand Prix 1,40 m/IMPRESSION A5/IMG_3431.JPG"),
        QColor(90, 140, 80), QSize(900, 600));
    for (bool dark : { false, true }) {
        QApplication::setPalette(Theme::palette(dark));
        OrdersView& view = f.show(QSize(1280, 900));
        view.screen().openCrop({ photo, false });
        CropEditorModel& model = view.screen().cropEditor();
        ASSERT_TRUE(
            waitUntil([&] { return model.loadedURL() == photo && !model.preview().isNull(); }, 15000));
        ASSERT_TRUE(f.waitForThumbnails());
        settle();
        const QImage image
            = grabScreenshot(*f.window, QStringLiteral("commandes-editor-%1").arg(dark ? "dark" : "light"));
        // The editor's canvas shows the green photo at its crop's centre.
        CropCanvas* canvas = view.editor()->canvas();
        const QPoint centre = canvas->mapTo(f.window.get(), canvas->canvasLayout().crop.center().toPoint());
        const QColor shown = meanColour(image, QRect(centre - QPoint(3, 3), QSize(7, 7)));
        EXPECT_TRUE(shown.green() > shown.red() + 20 && shown.green() > shown.blue() + 20)
            << qPrintable(shown.name());
        model.close();
    }
}

TEST(OrdersScreenshot, EmptyScreenAsOnAFirstStart)
{
    OrdersViewFixture f;
    f.openStore();
    f.show(QSize(1180, 720));
    const QImage image = grabScreenshot(*f.window, QStringLiteral("commandes-empty-light"));
    EXPECT_TRUE(ofScheme(meanColour(image), false));
    // The invitation to choose a folder is drawn.
    const QLabel* title = visibleLabel(f.window.get(), QStringLiteral("Choisissez un dossier"));
    ASSERT_TRUE(title);
    EXPECT_GT(lightnessSpread(image, areaOf(title, f.window.get())), 120);
}

} // namespace
