// What the orders screen's folder column tells of a batch on real photos through the real store: the
// count and bar while it runs, the message naming the photos that failed (its tooltip with each reason)
// still shown seconds later, and a watermark whose file went away named, its row's red line gone once
// the file is back.
#include "OrdersViewFixture.h"

#include "orders/views/OrdersFolderColumn.h"
#include "orders/views/OrdersWatermarkPicker.h"
#include "orders/views/WatermarkChoiceRow.h"

#include <QLabel>
#include <QProgressBar>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

struct Outcomes : public ::testing::Test
{
    OrdersViewFixture f;
    QStringList files;

    void SetUp() override
    {
        writeOrder(f.root, QStringLiteral("Dupont"),
            { { QStringLiteral("IMPRESSION A5"),
                { "DSC_4501.JPG", "DSC_4502.JPG", "DSC_4503.JPG", "DSC_4504.JPG", "DSC_4505.JPG",
                    "DSC_4506.JPG", "DSC_4513.JPG" } } },
            QSize(320, 240));
        f.file(QStringLiteral("Dupont/IMPRESSION A5/DSC_4512.JPG"), "pas une photo");
        truncateFile(f.path(QStringLiteral("Dupont/IMPRESSION A5/DSC_4513.JPG")));
        OrdersStore& store = f.openOn(QStringLiteral("Dupont"));
        store.setRetouch(brighter());
        for (const OrderMedia& m : store.sections().first().files)
            files << m.url;
    }
};

TEST_F(Outcomes, ARetouchCountsItsPhotosAndItsMessageNamesTheFailedOnesAndStays)
{
    OrdersView& view = f.show();
    OrdersFolderColumn* column = view.folderColumn();
    ASSERT_EQ(files.size(), 8);
    // Read after the column has taken each change (connected after it).
    QStringList counts;
    QList<int> bar;
    QObject::connect(f.store.get(), &OrdersStore::batchProgressChanged, [&] {
        if (f.store->isRetouching() && f.store->retouchProgress().total > 0) {
            counts << column->retouchCount()->text();
            bar << column->retouchBar()->value();
            EXPECT_EQ(column->retouchBar()->maximum(), 8);
        }
    });
    view.screen().applyRetouch(files);
    EXPECT_TRUE(column->progressLine()->isVisibleTo(&view));
    ASSERT_TRUE(waitUntil([&] { return !f.store->isRetouching(); }, 60000));
    QStringList expectedCounts;
    QList<int> expectedBar;
    for (int done = 0; done <= 8; ++done) {
        expectedCounts << QStringLiteral("%1 / 8").arg(done);
        expectedBar << done;
    }
    EXPECT_EQ(counts, expectedCounts);
    EXPECT_EQ(bar, expectedBar);
    EXPECT_FALSE(column->progressLine()->isVisibleTo(&view));

    const QString told = QStringLiteral("2 photos n’ont pas été modifiées : DSC_4512.JPG, DSC_4513.JPG");
    EXPECT_TRUE(column->errorLine()->isVisibleTo(&view));
    EXPECT_EQ(column->errorLine()->text(), told);
    EXPECT_EQ(column->errorLine()->toolTip(),
        QStringLiteral("DSC_4512.JPG : impossible de lire cette photo.\n"
                       "DSC_4513.JPG : impossible de lire cette photo."));
    // The six photos written come back from the folder watch: the line stays.
    ASSERT_TRUE(waitUntil([&] { return f.store->isWatchSettled(); }));
    EXPECT_TRUE(column->errorLine()->isVisibleTo(&view));
    EXPECT_EQ(column->errorLine()->text(), told);
}

TEST_F(Outcomes, AMissingWatermarkIsNamedAndItsRowsRedLineGoesOnceTheFileIsBack)
{
    const QString logo = writeWatermark(f.tmp.file(QStringLiteral("Logo.png")));
    f.store->addWatermark(logo);
    OrdersView& view = f.show();
    OrdersWatermarkPicker* picker = view.folderColumn()->watermarkPicker();
    ASSERT_EQ(picker->rows().size(), 1);
    ASSERT_TRUE(waitUntil([&] { return !picker->rows().first()->problem(); }));

    const QString away = f.tmp.file(QStringLiteral("Logo-ailleurs.png"));
    ASSERT_TRUE(QFile::rename(logo, away));
    view.screen().applyWatermark({ files.first() });
    ASSERT_TRUE(OrdersFixture::finishWatermark(*f.store));
    EXPECT_EQ(view.folderColumn()->errorLine()->text(),
        QStringLiteral("Impossible de lire le fichier filigrane « Logo.png »."));
    ASSERT_TRUE(picker->rows().first()->problem());
    EXPECT_EQ(*picker->rows().first()->problem(), QStringLiteral("Fichier introuvable"));

    // Put back: the list shown again looks at it again.
    ASSERT_TRUE(QFile::rename(away, logo));
    picker->hide();
    picker->show();
    EXPECT_TRUE(waitUntil([&] { return !picker->rows().first()->problem(); }));

    // Gone again and the window activated: the line comes back, and goes with the file put back.
    ASSERT_TRUE(QFile::rename(logo, away));
    f.store->checkWatermarks();
    ASSERT_TRUE(waitUntil([&] { return picker->rows().first()->problem().has_value(); }));
    ASSERT_TRUE(QFile::rename(away, logo));
    f.window->activateWindow();
    QEvent activated(QEvent::ActivationChange);
    QApplication::sendEvent(picker, &activated);
    EXPECT_TRUE(waitUntil([&] { return !picker->rows().first()->problem(); }));
}

} // namespace
