// An order whose folder goes during a retouch, as when its memory card is pulled: the message line names
// the folder once, and the order is listed again when the window is activated with the folder back,
// which no folder watch sees when a disk is mounted again at the same place. A folder replaced by another
// of the same name stands for the card without root; the card itself is a tmpfs mounted on the order's
// folder and unmounted lazily (needs root; skipped otherwise).
#include "OrdersViewFixture.h"

#include "common/MountedDisk.h"
#include "orders/OrdersOutcome.h"
#include "orders/views/OrdersFolderColumn.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

const QList<SectionFiles> photos { { QStringLiteral("IMPRESSION A5"),
    { "DSC_0001.JPG", "DSC_0002.JPG", "DSC_0003.JPG", "DSC_0004.JPG" } } };

struct GoneFolders : public ::testing::Test
{
    OrdersViewFixture f;
    QString order = f.path(QStringLiteral("Carte"));

    // The order shown in the active window, retouched while `loss` takes its folder away as the second
    // photo waits for its turn: the line names the folder.
    void retouchLosingTheFolder(const std::function<void()>& loss)
    {
        writeOrder(f.root, QStringLiteral("Carte"), photos, QSize(320, 240));
        f.openOn(QStringLiteral("Carte")).setRetouch(brighter());
        QStringList files;
        for (const OrderMedia& m : f.store->sections().first().files)
            files << m.url;
        OrdersView& view = f.show();
        f.window->activateWindow();
        settle();
        ASSERT_EQ(QApplication::activeWindow(), f.window.get());
        {
            HeldWrites turn(files[1]);
            view.screen().applyRetouch(files);
            ASSERT_TRUE(waitUntil([&] { return PhotoWriteQueue::shared().waiting(files[1]) == 1; }, 30000));
            loss();
        }
        ASSERT_TRUE(waitUntil([&] { return !f.store->isRetouching(); }, 60000));
        EXPECT_TRUE(view.folderColumn()->errorLine()->isVisibleTo(&view));
        EXPECT_EQ(view.folderColumn()->errorLine()->text(), OrdersOutcome::goneFolderMessage(order));
    }
    // Back to the window from the file manager, say.
    void activate() const
    {
        QEvent activation(QEvent::ActivationChange);
        QApplication::sendEvent(f.view, &activation);
    }
    qsizetype shownFiles() const
    {
        const QList<OrderSection>& sections = f.store->sections();
        return sections.isEmpty() ? 0 : sections.first().files.size();
    }
};

TEST_F(GoneFolders, AFolderReplacedDuringABatchIsToldOnceAndListedAgainWhenBackAndTheWindowActivated)
{
    const QString away = f.tmp.file(QStringLiteral("Ailleurs"));
    ASSERT_NO_FATAL_FAILURE(retouchLosingTheFolder([&] {
        ASSERT_TRUE(QDir().rename(order, away));
        ASSERT_TRUE(QDir().mkpath(order));
    }));
    // The watch lists the empty folder now at the order's path; the order put back is listed on activation,
    // before the watch has told anything of it.
    ASSERT_TRUE(waitUntil([&] { return shownFiles() == 0; }));
    ASSERT_TRUE(QDir().rmdir(order));
    ASSERT_TRUE(QDir().rename(away, order));
    activate();
    EXPECT_EQ(shownFiles(), 4);
}

TEST_F(GoneFolders, ACardPulledDuringABatchIsToldOnceAndItsOrderListedAgainWhenPluggedBack)
{
    MountedDisk card(MountedDisk::Kind::tmpfs, f.tmp, 32, order);
    if (!card.skip().isEmpty())
        GTEST_SKIP() << card.skip().toStdString();
    ASSERT_NO_FATAL_FAILURE(retouchLosingTheFolder([&] { ASSERT_TRUE(card.pull()); }));
    // The card still away: the empty folder it was mounted on is listed, the order still selected.
    activate();
    EXPECT_EQ(shownFiles(), 0);
    EXPECT_EQ(f.store->selectedFolderID(), order);

    // Plugged back at the same place: no watch sees a mount, the window's activation lists it.
    ASSERT_TRUE(card.plugIn());
    writeOrder(f.root, QStringLiteral("Carte"), photos, QSize(320, 240));
    ASSERT_TRUE(waitUntil([&] { return f.store->isWatchSettled(); }));
    EXPECT_EQ(shownFiles(), 0);
    activate();
    EXPECT_EQ(shownFiles(), 4);
    // Watched on the card again, not through the folder it was mounted on: a section added there shows.
    writeOrder(f.root, QStringLiteral("Carte"), { { QStringLiteral("IMPRESSION A4"), { "DSC_0005.JPG" } } },
        QSize(320, 240));
    EXPECT_TRUE(waitUntil([&] { return f.store->sections().size() == 2; }));
}

} // namespace
