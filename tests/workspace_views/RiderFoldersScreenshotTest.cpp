// Pictures of the "Paniers" screen with real content, in both schemes, written as PNG files to a
// folder that the test prints (QUAVEL_SCREENSHOTS when set, else a folder in the build tree).
#include "common/Screenshots.h"
#include "common/TestSupport.h"
#include "ui/Backdrop.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/views/RiderFoldersView.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QStyleFactory>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace quavel;

namespace {

// Layout settles over a few passes (shown blocks, then their measured heights).
void settle()
{
    for (int i = 0; i < 4; ++i)
        QApplication::processEvents();
}

// The window's backdrop behind the screen, as the main window paints it.
class Window : public QWidget
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Backdrop::paint(p, rect(), Theme::isDark(this));
    }
};

// Forty named riders (one with a long double-barrelled name) and one without a name.
ProgrammeDocument fortyRiders()
{
    const QStringList last
        = QStringLiteral("Dupont Martin Bernard Petit Durand Leroy Moreau Simon Laurent "
                         "Lefèvre Michel Garcia David Bertrand Roux Vincent Fournier Morel "
                         "Girard André Mercier Blanc Guérin Boyer Garnier Chevalier François "
                         "Legrand Gauthier Perrin Robin Clément Morin Nicolas Henry Roussel "
                         "Mathieu Masson Marchand")
              .split(u' ');
    const QStringList first
        = QStringLiteral("Anne Lucas Chloé Hugo Léa Nathan Manon Louis Camille Zoé Jules "
                         "Inès Gabriel Jade Raphaël Louise Arthur Emma Adam Alice Paul Lina "
                         "Victor Rose Maël Ambre Noé Julia Sacha Anna Tom Mia Éthan Agathe "
                         "Léo Margaux Timéo Clara Axel")
              .split(u' ');
    ProgrammeEvent grandPrix { QStringLiteral("Samedi|Grand Prix"), QStringLiteral("Grand Prix 1,40 m"), {} };
    for (qsizetype i = 0; i < last.size(); ++i)
        grandPrix.people.append({ QString::number(i + 1), first[i], last[i], 0 });
    grandPrix.people.append({ QStringLiteral("40"), QStringLiteral("Marie-Amélie"),
        QStringLiteral("de La Rochefoucauld-Montbel"), 0 });
    grandPrix.people.append({ QStringLiteral("41"), QString(), QString(), 0 });
    return { QStringLiteral("Jumping de Fontainebleau — programme.pdf"),
        { { QStringLiteral("Samedi"), { grandPrix } } } };
}

TEST(RiderFoldersScreenshot, ScreenWithRidersDestinationAndReport)
{
    Symbols::installIconTheme();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    test::TempFolder temp;
    RiderFoldersStore store(temp.file(QStringLiteral("RiderFolders")));
    store.setProgramme(fortyRiders());
    store.setProgrammeName(QStringLiteral("Jumping de Fontainebleau — programme.pdf"));

    for (bool dark : { false, true }) {
        const QString scheme = dark ? QStringLiteral("dark") : QStringLiteral("light");
        // A destination where one rider's folder is already there.
        const QString dest = temp.file(QStringLiteral("%1/Fontainebleau 2026/Paniers samedi").arg(int(dark)));
        QDir().mkpath(dest + QStringLiteral("/DUPONT ANNE"));
        store.storeDestination(dest);
        QApplication::setPalette(Theme::palette(dark));
        Window window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* view = new RiderFoldersView(
            store, [](const QString&) {}, &window);
        layout->addWidget(view);
        window.resize(1180, 720);
        window.show();
        settle();
        view->createFolders();
        ASSERT_TRUE(view->report());
        settle();
        const QImage image = test::grabScreenshot(window, QStringLiteral("paniers-%1").arg(scheme));
        EXPECT_TRUE(test::ofScheme(test::meanColour(image), dark));
        // The report's headline (the folders made) is drawn on the screen.
        const QLabel* headline
            = test::visibleLabel(&window, RiderFoldersView::reportHeadline(*view->report()));
        ASSERT_TRUE(headline);
        EXPECT_TRUE(window.rect().contains(test::areaOf(headline, &window)));
        EXPECT_GT(test::lightnessSpread(image, test::areaOf(headline, &window)), 100);

        // The empty screen, as on a first start.
        RiderFoldersStore fresh(temp.file(QStringLiteral("Fresh")));
        auto* empty = new RiderFoldersView(
            fresh, [](const QString&) {}, &window);
        layout->replaceWidget(view, empty);
        delete view;
        settle();
        const QImage emptyImage
            = test::grabScreenshot(window, QStringLiteral("paniers-empty-%1").arg(scheme));
        EXPECT_TRUE(test::ofScheme(test::meanColour(emptyImage), dark));
        delete empty;
    }
    QApplication::setPalette(Theme::palette(false));
    std::printf("screenshots: %s\n", qPrintable(test::screenshotsFolder()));
}

} // namespace
