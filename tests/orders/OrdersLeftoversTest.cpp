// The leftovers of writes killed on file systems without unnamed files (USB disks): listing an order
// removes, in its photo folders and their ".quavel-originals", the application's own temporaries that
// no writer holds and that are older than ten minutes; nothing else, ever.
#include "OrdersFixture.h"

#include "orders/OrderLeftoverSweep.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quavel;
using namespace quavel::test;
using namespace std::chrono_literals;

namespace {

enum class Fate { removed, kept };

struct Entry
{
    const char* name;
    std::chrono::seconds age;
    bool locked = false;
    bool folder = false;
};

void setAge(const QString& path, std::chrono::seconds age)
{
    const struct timespec t = { ::time(nullptr) - age.count(), 0 };
    const struct timespec times[2] = { t, t };
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0)
        << path.toStdString();
}

class OrdersLeftovers : public ::testing::Test
{
protected:
    OrdersFixture f;
    QList<int> locks;
    QStringList removed;
    QStringList kept;

    void TearDown() override
    {
        for (int fd : locks)
            ::close(fd);
    }

    void make(const QString& folder, const Entry& e, Fate fate)
    {
        const QString path = folder + u'/' + QLatin1String(e.name);
        if (e.folder) {
            ASSERT_TRUE(QDir().mkpath(path));
        } else {
            QDir().mkpath(folder);
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
            file.write("partial photo");
        }
        setAge(path, e.age);
        if (e.locked) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::flock(fd, LOCK_EX), 0);
            locks.append(fd);
        }
        (fate == Fate::removed ? removed : kept).append(path);
    }

    // Each photo folder gets every kind; the ones the sweep must take and the ones it must leave.
    void fill(const QString& folder)
    {
        const QString originals = folder + QStringLiteral("/.quavel-originals");
        for (const QString& where : { folder, originals }) {
            make(where, { ".3F2504E0-4F89-41D3-9A0C-0305E82C3301.jpg", 11min }, Fate::removed);
            make(where, { ".quavel-partial-a1b2c3d4e5f6", 1h }, Fate::removed);
            make(where, { ".8D4C7B1A-0000-4000-8000-000000000001.jpg", 2min }, Fate::kept);
            make(where, { ".8D4C7B1A-0000-4000-8000-000000000002.png", 1h, true }, Fate::kept);
            make(where, { ".quavel-partial-zzzzzz999999", 1h, false, true }, Fate::kept);
            make(where, { ".3f2504e0-4f89-41d3-9a0c-0305e82c3301.jpg", 1h }, Fate::kept);
            make(where, { ".DS_Store", 1h }, Fate::kept);
            make(where, { "._IMG_0001.jpg", 1h }, Fate::kept);
        }
        // The journals' atomic writes leave theirs in ".quavel-originals" only; a user's look-alike beside
        // the photos is theirs.
        make(originals, { "IMG_0001.jpg.edits.json.tmp-Ab12Cd", 1h }, Fate::removed);
        make(originals, { "IMG_0001.jpg", 1h }, Fate::kept);
        make(originals, { "IMG_0001.jpg.edits.json", 1h }, Fate::kept);
        make(folder, { "notes.tmp-Ab12Cd", 1h }, Fate::kept);
        make(folder, { "IMG_0001.jpg", 1h }, Fate::kept);
    }

    bool allRemoved() const
    {
        for (const QString& p : removed)
            if (QFileInfo::exists(p) || QFileInfo(p).isSymLink())
                return false;
        return true;
    }
};

TEST_F(OrdersLeftovers, listingAnOrderRemovesOldFreeLeftoversAndNothingElse)
{
    // The order folder itself (its loose photos are a section) and a section folder.
    fill(f.path("A"));
    fill(f.path("A/S"));
    // A section whose ".quavel-originals" is a link to another folder: nothing is removed through it.
    const QString elsewhere = f.tmp.file("elsewhere");
    make(elsewhere, { ".quavel-partial-a1b2c3d4e5f6", 1h }, Fate::kept);
    f.folder("A/L");
    ASSERT_TRUE(QFile::link(elsewhere, f.path("A/L/.quavel-originals")));

    f.openOn("A");
    ASSERT_EQ(f.store->sections().size(), 3);
    // Off the GUI thread: the listing has returned; the folders are swept in their listing order, L
    // before S, so once S has lost its leftovers every folder has been through.
    ASSERT_TRUE(waitUntil([&] { return allRemoved(); }, 10000));
    for (const QString& p : std::as_const(kept))
        EXPECT_TRUE(QFileInfo::exists(p)) << p.toStdString();
    // Listed again later: what stays, stays. A leftover left meanwhile in S, swept last, tells when that
    // sweep has been through every folder.
    make(f.path("A/S"), { ".quavel-partial-0123456789ab", 1h }, Fate::removed);
    f.store->loadSections();
    ASSERT_TRUE(waitUntil([&] { return allRemoved(); }, 10000));
    for (const QString& p : std::as_const(kept))
        EXPECT_TRUE(QFileInfo::exists(p)) << p.toStdString();
}

// The sweep's work alone: folders without candidates or originals are not opened, a missing folder is
// no failure, and the minimum age holds.
TEST_F(OrdersLeftovers, theSweepCountsWhatWentAndSkipsWhatIsNotThere)
{
    fill(f.path("A"));
    const QList<OrderLeftoverSweep::Folder> folders {
        { f.path("A"), { ".3F2504E0-4F89-41D3-9A0C-0305E82C3301.jpg", ".quavel-partial-a1b2c3d4e5f6" },
            true },
        { f.path("absent"), { ".quavel-partial-a1b2c3d4e5f6" }, true },
    };
    EXPECT_EQ(OrderLeftoverSweep::sweepNow(folders, 24h), 0) << "none is a day old";
    EXPECT_EQ(OrderLeftoverSweep::sweepNow(folders), 5);
    EXPECT_TRUE(allRemoved());
    for (const QString& p : std::as_const(kept))
        EXPECT_TRUE(QFileInfo::exists(p)) << p.toStdString();
}

} // namespace
