// Programmes read and imported on the stores' worker: the window's thread keeps turning meanwhile, and
// a web page's programme stored during a reading or an import is the one that stays.
#include "WorkspaceTestSupport.h"
#include "ZipWriter.h"

#include "common/ChildProcess.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"
#include "workspace/ProgrammeStorage.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/WorkspaceStore.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QTimer>

#include <gtest/gtest.h>

#include <ctime>

using namespace quavel;
using namespace quavel::test;

namespace {

// A workbook of `classes` classes of `riders` riders each, every rider with a bib of its own.
QByteArray bigWorkbook(int classes, int riders)
{
    QString rows = QStringLiteral(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>Dossard</t></is></c>)"
                                  R"(<c r="B1" t="inlineStr"><is><t>Cavalier</t></is></c></row>)");
    int line = 1;
    for (int c = 0; c < classes; ++c) {
        ++line;
        rows += QStringLiteral(
            R"(<row r="%1"><c r="A%1" t="inlineStr"><is><t>Epreuve %2 (1,10 m)</t></is></c></row>)")
                    .arg(line)
                    .arg(c + 1);
        for (int r = 0; r < riders; ++r) {
            ++line;
            rows += QStringLiteral(R"(<row r="%1"><c r="A%1"><v>%2</v></c>)"
                                   R"(<c r="B%1" t="inlineStr"><is><t>CAVALIER%2 Jeanne</t></is></c></row>)")
                        .arg(line)
                        .arg(c * riders + r + 1);
        }
    }
    return workbook(
        { { "xl/workbook.xml", workbookXml({ "Samedi" }) }, { "xl/worksheets/sheet1.xml", sheetXml(rows) } });
}

double threadSeconds()
{
    timespec t {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Ticks of a 5 ms timer while `until` is false: the most CPU time this thread spent between two
// ticks (a frame it could not draw meanwhile), and in all. CPU time, not wall time: on a loaded
// machine the thread may wait for a processor, which no code of ours can help.
struct Responsiveness
{
    int ticks = 0;
    double busiestFrameSeconds = 0;
    double threadCpuSeconds = 0;
    qint64 wallMs = 0;
};

Responsiveness watch(const std::function<bool()>& until)
{
    Responsiveness r;
    QElapsedTimer wall;
    wall.start();
    const double start = threadSeconds();
    double last = start;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const double now = threadSeconds();
        r.busiestFrameSeconds = std::max(r.busiestFrameSeconds, now - last);
        last = now;
        ++r.ticks;
    });
    timer.start(5);
    waitUntil(until, 60000);
    r.busiestFrameSeconds = std::max(r.busiestFrameSeconds, threadSeconds() - last);
    r.threadCpuSeconds = threadSeconds() - start;
    r.wallMs = wall.elapsed();
    return r;
}

// A reader that waits, once it has the file, until the test lets it go on.
struct GatedParser
{
    QSemaphore started;
    QSemaphore release;

    ProgrammeParser reader()
    {
        return [this](const QString& path, const QString&) {
            started.release();
            release.acquire();
            return programme(QString::fromUtf8(readFile(path)));
        };
    }
};

} // namespace

// Tens of thousands of riders take a while to read: the import, the start's re-reading and the
// result's arrival leave the window's thread free (its timers keep firing; it spends little time).
TEST(ProgrammeLoader, theEventLoopKeepsTurningWhileALargeProgrammeIsReadAndImported)
{
    TempFolder dir;
    TempFolder picked;
    const QString file = picked.write("Grand concours.xlsx", bigWorkbook(40, 1500));
    std::optional<WorkspaceStore::ImportResult> result;
    WorkspaceStore store(dir.path()); // the real reader
    ASSERT_TRUE(settled(store));
    store.ingestProgramme(file, [&](const WorkspaceStore::ImportResult& r) { result = r; });
    const Responsiveness import = watch([&] { return result.has_value(); });
    ASSERT_TRUE(result && result->document)
        << result.value_or(WorkspaceStore::ImportResult {}).error.toStdString();
    EXPECT_EQ(store.programme()->days[0].events.size(), 40);
    EXPECT_EQ(store.programme()->days[0].events[0].people.size(), 1500);

    // The next start: the window comes up at once, and the stored copy is read again behind it.
    const double opening = threadSeconds();
    WorkspaceStore again(dir.path());
    const double openingSeconds = threadSeconds() - opening;
    const Responsiveness start = watch([&] { return !again.isLoadingProgramme(); });
    EXPECT_EQ(again.programme(), store.programme());

    for (const Responsiveness& r : { import, start }) {
        EXPECT_GT(r.ticks, 0);
        if (timeBoundsApply()) {
            EXPECT_LT(r.busiestFrameSeconds, 0.1);
            // Waiting costs the thread a little; reading the programme there would take it all.
            EXPECT_LT(r.threadCpuSeconds, 0.5 * double(r.wallMs) / 1000);
        }
    }
    if (timeBoundsApply()) {
        EXPECT_LT(openingSeconds, 0.1);
    }
}

// The web page's programme is stored on the window's thread while a reading or an import is parsing:
// it stays, on screen and on disk, and the older work is dropped without a trace.
TEST(ProgrammeLoader, aWebProgrammeStoredMeanwhileWinsOverReadingsAndImports)
{
    TempFolder dir;
    dir.write("programme.json", programme("Ancien").encoded());
    dir.write("programme.pdf", "Relu");
    TempFolder picked;
    const QString file = picked.write("Nouveau.pdf", "Importé");
    GatedParser parser;
    RiderFoldersStore store(dir.path(), parser.reader());

    // At start: the stored copy is being parsed again when the web import comes.
    ASSERT_TRUE(parser.started.tryAcquire(1, 5000));
    store.persistProgrammeIndex(programme("Page web"));
    store.removeProgrammeCopies();
    store.setProgramme(programme("Page web"));
    parser.release.release();
    ASSERT_TRUE(settled(store));
    EXPECT_EQ(store.programme()->sourceName, "Page web");
    EXPECT_EQ(ProgrammeDocument::decode(dir.read("programme.json")).sourceName, "Page web");

    // During an import.
    std::optional<ProgrammeLoader::ImportResult> result;
    store.ingestProgramme(file, [&](const ProgrammeLoader::ImportResult& r) { result = r; });
    EXPECT_TRUE(store.isImportingProgramme());
    ASSERT_TRUE(parser.started.tryAcquire(1, 5000));
    store.persistProgrammeIndex(programme("Autre page"));
    store.setProgramme(programme("Autre page"));
    parser.release.release();
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_TRUE(result->superseded);
    EXPECT_FALSE(result->document);
    EXPECT_FALSE(store.isImportingProgramme());
    EXPECT_EQ(store.programme()->sourceName, "Autre page");
    EXPECT_EQ(ProgrammeDocument::decode(dir.read("programme.json")).sourceName, "Autre page");
    EXPECT_EQ(entries(dir.path()), (QStringList { "programme.json" }));
}

// An import killed once its copy is written and read, just before the copy gets its name: nothing
// stands under "programme.xlsx" and the stored copy is untouched, whichever way UnnamedFile makes its
// files; what it left (nothing, or its hidden file) goes at the next sweep. A sweep while an import
// runs leaves its copy alone, and that import gets its name.
class KilledImport : public testing::TestWithParam<UnnamedFile::Method>
{
protected:
    void TearDown() override { UnnamedFile::startFromForTesting(UnnamedFile::Method::unnamedLink); }
};

TEST_P(KilledImport, leavesNoFileUnderTheFinalNameAndTheSweepTakesWhatItLeft)
{
    TempFolder dir;
    dir.write("programme.pdf", "old copy");
    TempFolder picked;
    const QString file = picked.write("Programme.xlsx", bigWorkbook(1, 3));
    ASSERT_TRUE(runInKilledChild([&] {
        UnnamedFile::startFromForTesting(GetParam());
        ProgrammeStorage::setBeforePublishForTesting(&dieNow);
        ProgrammeStorage storage(dir.path(), {});
        storage.importFile(file, storage.generation());
    }));
    QStringList left = entries(dir.path());
    EXPECT_FALSE(left.contains("programme.xlsx")) << left.join(u' ').toStdString();
    EXPECT_EQ(dir.read("programme.pdf"), "old copy");
    left.removeAll("programme.json");
    left.removeAll("programme.pdf");
    for (const QString& name : left)
        EXPECT_TRUE(UnnamedFile::isTemporaryName(name)) << name.toStdString();
    EXPECT_EQ(left.isEmpty(), GetParam() == UnnamedFile::Method::unnamedLink);
    EXPECT_EQ(TemporarySweep::sweepFolder(dir.path(), &UnnamedFile::isTemporaryName), left.size());
    EXPECT_EQ(entries(dir.path()), (QStringList { "programme.json", "programme.pdf" }));

    TempFolder running;
    UnnamedFile::startFromForTesting(GetParam());
    GatedParser parser;
    WorkspaceStore store(running.path(), parser.reader());
    std::optional<ProgrammeLoader::ImportResult> result;
    store.ingestProgramme(file, [&](const ProgrammeLoader::ImportResult& r) { result = r; });
    ASSERT_TRUE(parser.started.tryAcquire(1, 5000));
    EXPECT_EQ(TemporarySweep::sweepFolder(running.path(), &UnnamedFile::isTemporaryName), 0);
    parser.release.release();
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_TRUE(result->document) << result->error.toStdString();
    EXPECT_EQ(
        entries(running.path()), (QStringList { "programme.json", "programme.xlsx", "workspace.json" }));
}

INSTANTIATE_TEST_SUITE_P(Methods, KilledImport,
    testing::Values(UnnamedFile::Method::unnamedLink, UnnamedFile::Method::noReplaceRename,
        UnnamedFile::Method::placeholderRename));

// Earlier versions copied an import under a name of its own; the sweep still knows those names.
TEST(ProgrammeLoader, theImportCopiesOfEarlierVersionsAreKnownByName)
{
    const struct
    {
        const char* name;
        bool matches;
    } names[] = {
        { ".programme-import-0b7f3c7e-2d4f-4f8e-9a51-3c9b2f1d6a10.pdf", true },
        { ".programme-import-0b7f3c7e-2d4f-4f8e-9a51-3c9b2f1d6a10.xlsm", true },
        { ".programme-import-0b7f3c7e-2d4f-4f8e-9a51-3c9b2f1d6a1.pdf", false },
        { ".programme-import-not-a-uuid-at-all-but-thirty-six.pdf", false },
        { ".programme-import-0b7f3c7e-2d4f-4f8e-9a51-3c9b2f1d6a10", false },
        { "programme.pdf", false },
    };
    for (const auto& n : names)
        EXPECT_EQ(ProgrammeStorage::isImportTemporary(QString::fromLatin1(n.name)), n.matches) << n.name;
}
