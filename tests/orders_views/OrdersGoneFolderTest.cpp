// An order whose folder goes during a batch, as when its memory card is pulled: the message line names
// the folder once, and the order is listed again when the window is activated with the folder back,
// which no folder watch can see when a disk is mounted again at the same place. The card is a tmpfs
// mounted on the order's folder and unmounted lazily (needs root; skipped otherwise); a folder
// replaced by another of the same name stands for it without root.
#include "OrdersViewFixture.h"

#include "orders/OrdersOutcome.h"
#include "orders/views/OrdersFolderColumn.h"

#include <QLabel>
#include <QProcess>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace quavel;
using namespace quavel::test;

namespace {

const QList<SectionFiles> photos { { QStringLiteral("IMPRESSION A5"),
    { "DSC_0001.JPG", "DSC_0002.JPG", "DSC_0003.JPG", "DSC_0004.JPG" } } };

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

// A memory card: a small tmpfs mounted on a folder, pulled by a lazy unmount as `umount -l` does, and
// plugged back by mounting a new one at the same place. Unmounted at the end.
class Card
{
public:
    explicit Card(QString folder)
        : m_folder(std::move(folder))
    {
        QDir().mkpath(m_folder);
        plugIn();
    }
    ~Card()
    {
        if (m_mounted)
            pull();
    }
    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;

    bool plugIn()
    {
        m_mounted = run(QStringLiteral("mount"),
            { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QStringLiteral("size=32m"),
                QStringLiteral("quavel-card"), m_folder });
        return m_mounted;
    }
    bool pull()
    {
        m_mounted = !run(QStringLiteral("umount"), { QStringLiteral("-l"), m_folder });
        return !m_mounted;
    }
    bool isMounted() const { return m_mounted; }

private:
    QString m_folder;
    bool m_mounted = false;
};

struct GoneFolders : public ::testing::Test
{
    OrdersViewFixture f;
    QString order = f.path(QStringLiteral("Carte"));
    QStringList files;

    // The order listed and shown, its window the active one.
    OrdersView& showOrder()
    {
        writeOrder(f.root, QStringLiteral("Carte"), photos, QSize(320, 240));
        OrdersStore& store = f.openOn(QStringLiteral("Carte"));
        store.setRetouch(brighter());
        for (const OrderMedia& m : store.sections().first().files)
            files << m.url;
        OrdersView& view = f.show();
        f.window->activateWindow();
        settle();
        return view;
    }
    bool isActive() const { return QApplication::activeWindow() == f.window.get(); }

    // A retouch of the order's photos during which `loss` takes the order's folder away, while the
    // second photo waits for its turn.
    void retouchLosingTheFolder(OrdersView& view, const std::function<void()>& loss)
    {
        {
            HeldWrites turn(files[1]);
            view.screen().applyRetouch(files);
            ASSERT_TRUE(waitUntil([&] { return PhotoWriteQueue::shared().waiting(files[1]) == 1; }, 30000));
            loss();
        }
        ASSERT_TRUE(waitUntil([&] { return !f.store->isRetouching(); }, 60000));
    }

    void expectToldOnce(OrdersView& view)
    {
        const QLabel* line = view.folderColumn()->errorLine();
        EXPECT_TRUE(line->isVisibleTo(&view));
        EXPECT_EQ(line->text(), OrdersOutcome::goneFolderMessage(order));
        EXPECT_EQ(line->toolTip(),
            QStringLiteral("3 photos n’ont pas été modifiées : DSC_0002.JPG, DSC_0003.JPG, DSC_0004.JPG"));
    }

    void activated() const
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
    OrdersView& view = showOrder();
    ASSERT_TRUE(isActive());
    const QString away = f.tmp.file(QStringLiteral("Ailleurs"));
    ASSERT_NO_FATAL_FAILURE(retouchLosingTheFolder(view, [&] {
        ASSERT_TRUE(QDir().rename(order, away));
        ASSERT_TRUE(QDir().mkpath(order));
    }));
    expectToldOnce(view);
    // The watch lists the empty folder now at the order's path.
    ASSERT_TRUE(waitUntil([&] { return shownFiles() == 0; }));

    // Put back, and the window activated before the watch has told anything of it.
    ASSERT_TRUE(QDir().rmdir(order));
    ASSERT_TRUE(QDir().rename(away, order));
    activated();
    EXPECT_EQ(shownFiles(), 4);
    EXPECT_EQ(f.store->selectedFolderID(), order);
}

TEST_F(GoneFolders, ACardPulledDuringABatchIsToldOnceAndItsOrderListedAgainWhenPluggedBack)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a file system";
    Card card(order);
    if (!card.isMounted())
        GTEST_SKIP() << "a tmpfs could not be mounted here";
    OrdersView& view = showOrder();
    ASSERT_TRUE(isActive());
    ASSERT_NO_FATAL_FAILURE(retouchLosingTheFolder(view, [&] { ASSERT_TRUE(card.pull()); }));
    expectToldOnce(view);

    // Back to the window with the card still away: the empty folder it was mounted on is listed.
    activated();
    EXPECT_EQ(shownFiles(), 0);
    EXPECT_EQ(f.store->selectedFolderID(), order);

    // Plugged back at the same place: no watch sees a mount, the window's activation lists it.
    ASSERT_TRUE(card.plugIn());
    writeOrder(f.root, QStringLiteral("Carte"), photos, QSize(320, 240));
    ASSERT_TRUE(waitUntil([&] { return f.store->isWatchSettled(); }));
    EXPECT_EQ(shownFiles(), 0);
    activated();
    EXPECT_EQ(shownFiles(), 4);
    // Watched on the card again, not through the folder it was mounted on: a section added there shows.
    writeOrder(f.root, QStringLiteral("Carte"), { { QStringLiteral("IMPRESSION A4"), { "DSC_0005.JPG" } } },
        QSize(320, 240));
    EXPECT_TRUE(waitUntil([&] { return f.store->sections().size() == 2; }));
}

} // namespace
