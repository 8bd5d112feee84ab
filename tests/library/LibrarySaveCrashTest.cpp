// The library save under SIGKILL: a child process edits and saves the library over and over and is
// killed at a random moment; "library.json" must then decode and hold one whole saved version, and the
// start-up sweep removes the temporary siblings the kills left.
#include "LibraryTestSupport.h"

#include "common/ChildProcess.h"
#include "common/TestSupport.h"
#include "library/LibraryStore.h"
#include "library/QuavelJSON.h"
#include "platform/UserDefaults.h"
#include "platform/files/TemporarySweep.h"

#include <QDir>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>
#include <unistd.h>

using namespace quavel;
using namespace quavel::test;

namespace {

QStringList temporarySiblings(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    names.removeIf([](const QString& n) { return !TemporarySweep::isTemporaryName(n); });
    return names;
}

} // namespace

TEST(LibrarySaveCrash, afterEveryKillTheLibraryHoldsOneWholeSavedVersion)
{
    // On tmpfs where there is one: every save ends with an fsync, which costs nothing there.
    TempFolder dir(memoryFolderBase());
    const QString folder = dir.file("QUAVEL");
    QDir().mkpath(folder);
    UserDefaults defaults(dir.file("defaults.json"));
    QUuid sheetID;
    qsizetype rows = 0;
    {
        // About a quarter of a megabyte of rows, so that a save takes a while to write.
        LibraryStore store(folder, defaults);
        const QUuid day = store.addDay(QStringLiteral("Samedi")).id;
        sheetID = store.addSpreadsheet(day, QStringLiteral("Version 0")).id;
        LibrarySnapshot big = store.snapshot();
        for (int i = 0; i < 2000; ++i)
            big.spreadsheets[0].rows.append(
                RowRecord { QUuid::createUuid(), QString::number(1000 + i), QString::number(i % 300) });
        store.replaceFromRemote(big);
        rows = store.snapshot().spreadsheets[0].rows.size();
        ASSERT_GT(rows, 2000);
    }

    std::mt19937 random(7);
    int lastVersion = 0;
    for (int kill = 0; kill < 100; ++kill) {
        // The child tells each save it completes; the kill falls at a random moment of the third, as
        // long as the second took (under a sanitizer as without).
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t child = forkChild([&] {
            ::close(pipeEnds[0]);
            LibraryStore store(folder, defaults);
            store.onChange = [&] { (void)::write(pipeEnds[1], "+", 1); };
            for (int version = 1;; ++version)
                store.renameSpreadsheet(sheetID, QStringLiteral("Version %1").arg(version));
        });
        ::close(pipeEnds[1]);
        char byte;
        (void)::read(pipeEnds[0], &byte, 1);
        const auto second = std::chrono::steady_clock::now();
        (void)::read(pipeEnds[0], &byte, 1);
        const auto save = std::chrono::steady_clock::now() - second;
        ::close(pipeEnds[0]);
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(save).count();
        holdThread(std::chrono::microseconds(
            std::uniform_int_distribution<qint64>(0, std::max<qint64>(micros, 1))(random)));
        ASSERT_FALSE(killChild(child)) << "the child stopped saving by itself";

        // Decodes as it is, whole: every row of the one spreadsheet, under one of its saved titles.
        const LibrarySnapshot onDisk
            = LibrarySnapshot::fromJson(QuavelJSON::parse(readFile(folder + "/library.json")));
        ASSERT_EQ(onDisk.spreadsheets.size(), 1) << "kill " << kill;
        EXPECT_EQ(onDisk.spreadsheets[0].rows.size(), rows) << "kill " << kill;
        const QString title = onDisk.spreadsheets[0].title;
        ASSERT_TRUE(title.startsWith(QStringLiteral("Version "))) << title.toStdString();
        lastVersion = std::max(lastVersion, title.mid(8).toInt());
        if (HasFailure())
            break;
    }
    EXPECT_GT(lastVersion, 0); // the children did save

    // The siblings of the saves cut short go at the next start, and only they.
    const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    // (About one kill in four falls inside a write in an optimised build; fewer under a sanitizer,
    // where encoding takes most of a save.)
    const int left = int(temporarySiblings(folder).size());
    EXPECT_EQ(TemporarySweep::sweepFolder(folder, &TemporarySweep::isTemporaryName), left);
    EXPECT_TRUE(temporarySiblings(folder).isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name).size(), before.size() - left);
    LibraryStore reopened(folder, defaults);
    EXPECT_EQ(reopened.snapshot().spreadsheets[0].rows.size(), rows);
}
