// Quitting ends the process whatever runs: the application as built, quit while a batch writes 40
// photos of 3000 × 2000 (their progress still posted when the event loop returns) or with a change in the
// crop editor, ends through the application's own ending within the bound, with status 0, every photo
// whole and nothing visible added.
#include "common/ChildProcess.h"
#include "common/TestSupport.h"
#include "common/photo/PhotoFixtures.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>

using namespace quavel;
using namespace quavel::test;

namespace {

constexpr int photoCount = 40;
const QString order = QStringLiteral("Dupont");
const QString section = QStringLiteral("IMPRESSION A4");

// The visible entries under a folder (files and folders whose names do not start with a dot, outside
// hidden folders), relative to it.
QStringList visibleTree(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(it.next().mid(folder.size()));
    names.sort();
    return names;
}

// How the application is quit, and while it does what.
struct QuitCase
{
    const char* name;
    const char* mode;
};

const QuitCase quitCases[] = {
    { "retouch batch, Ctrl+Q", "retouch" },
    { "watermark batch, SIGTERM", "watermark" },
    { "crop editor with changes, window closed", "editor" },
};

// One quit in a process of its own, over a copy of the order's photos; the process's end and what it
// left are checked as the test's failures.
void quitDuring(const QuitCase& c, const QString& originals)
{
    TempFolder home;
    const QString root = home.file(QStringLiteral("Commandes"));
    const QString photos = root + u'/' + order + u'/' + section;
    ASSERT_TRUE(QDir().mkpath(photos));
    const QStringList names = QDir(originals + u'/' + order + u'/' + section).entryList(QDir::Files);
    ASSERT_EQ(names.size(), photoCount);
    for (const QString& name : names)
        ASSERT_TRUE(
            QFile::copy(originals + u'/' + order + u'/' + section + u'/' + name, photos + u'/' + name));
    const QString watermark = writeWatermark(home.file(QStringLiteral("Logo.png")), QSize(600, 120));
    const QStringList before = visibleTree(root);
    for (const char* folder : { "data", "config", "cache", "runtime" })
        ASSERT_TRUE(QDir().mkpath(home.file(QString::fromLatin1(folder))));
    QFile::setPermissions(
        home.file(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString asked = home.file(QStringLiteral("asked"));

    // The deadline on the child only keeps a hang from holding the run.
    const int status = runProgram(QUAVEL_QUIT_CHILD,
        { c.mode, QFile::encodeName(root), QFile::encodeName(root + u'/' + order), QFile::encodeName(asked),
            QFile::encodeName(watermark) },
        { "XDG_DATA_HOME=" + QFile::encodeName(home.file(QStringLiteral("data"))),
            "XDG_CONFIG_HOME=" + QFile::encodeName(home.file(QStringLiteral("config"))),
            "XDG_CACHE_HOME=" + QFile::encodeName(home.file(QStringLiteral("cache"))),
            "XDG_RUNTIME_DIR=" + QFile::encodeName(home.file(QStringLiteral("runtime"))),
            "QT_QPA_PLATFORM=offscreen" },
        60000);
    // The child's clock too (CLOCK_MONOTONIC, one for every process).
    const qint64 ended = std::chrono::steady_clock::now().time_since_epoch() / std::chrono::nanoseconds(1);
    ASSERT_EQ(status, 0)
        << "-1: killed at the deadline (a hang) or ended by a signal; 2 to 6: its set-up failed";
    const QByteArray askedAt = readFile(asked);
    ASSERT_FALSE(askedAt.isEmpty()) << "the child never asked to quit";
    const qint64 tookMs = (ended - askedAt.toLongLong()) / 1000000;
    std::printf("%s: ended %lld ms after the quit was asked\n", c.name, static_cast<long long>(tookMs));
    if (test::timeBoundsApply()) {
        EXPECT_LT(tookMs, 15000);
    }

    int kept = 0;
    for (const QString& name : names) {
        const QString photo = photos + u'/' + name;
        const std::optional<QSize> size = decodesCleanly(photo);
        EXPECT_TRUE(size) << name.toStdString() << " does not decode whole";
        if (PhotoOriginals::hasBackup(photo))
            ++kept;
        else
            EXPECT_EQ(size, QSize(3000, 2000)) << name.toStdString();
    }
    EXPECT_EQ(visibleTree(root), before);
    // The work really ran when the quit came, and what it wrote stands.
    if (QByteArray(c.mode) == "editor") {
        EXPECT_EQ(kept, 1);
        EXPECT_EQ(PhotoEditMemory::load(photos + u'/' + names.first()).current.retouch.brightness, 80)
            << "the look the editor showed when the window closed";
    } else {
        EXPECT_GE(kept, 3);
        EXPECT_LT(kept, photoCount) << "the batch went on to its end instead of stopping";
    }
}

// Each way of quitting, with photo work running or its outcome still posted: the order's 40 photos are
// made once, and each quit works on its own copy.
TEST(Quitting, EndsWithStatusZeroWithinTheBoundEveryPhotoWholeAndNothingVisibleAdded)
{
    TempFolder originals;
    QStringList names;
    for (int i = 1; i <= photoCount; ++i)
        names.append(QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
    writeOrder(originals.path(), order, { { section, names } }, QSize(3000, 2000));
    for (const QuitCase& c : quitCases) {
        SCOPED_TRACE(c.name);
        quitDuring(c, originals.path());
    }
}

} // namespace
