// The library's three hot paths on a large library (200 spreadsheets of 300 rows), each against the
// plain operation it is built on, in the same run:
//   library.load_vs_parse   LibraryStore start-up (read + decode "library.json") / nlohmann parse of
//                           the bytes
//   library.save_vs_write   one store save (encode + atomic write) / write + fsync of the same bytes
//   library.merge_vs_parse  LibraryStore::merged of two such libraries / nlohmann parse of the
//                           incoming bytes
// Each figure is the median of per-round ratios, the side that runs first alternating by round.
#include "BenchSupport.h"

#include "library/LibraryStore.h"
#include "library/QuavelJSON.h"
#include "platform/AtomicFile.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace quavel;

namespace {

constexpr int dayCount = 20;
constexpr int sheetsPerDay = 10;
constexpr int rowsPerSheet = 300;
// Rounds of each figure; in each, both sides run, the side that runs first alternating.
constexpr int rounds = 5;

LibrarySnapshot makeLibrary()
{
    LibrarySnapshot library = LibrarySnapshot::empty();
    const QDateTime base = QDateTime::fromMSecsSinceEpoch(1'780'000'000'000, Qt::UTC);
    int photo = 1;
    for (int d = 0; d < dayCount; ++d) {
        DayRecord day { QUuid::createUuid(), QStringLiteral("Samedi %1 juin 2026").arg(d + 1),
            base.addDays(d), d };
        library.days.append(day);
        for (int s = 0; s < sheetsPerDay; ++s) {
            SpreadsheetRecord sheet { QUuid::createUuid(), day.id,
                QStringLiteral("Épreuve %1 · 1,20 m").arg(s + 1), base.addDays(d).addSecs(s * 3600),
                base.addDays(d).addSecs(s * 3600 + 1800), true, {} };
            for (int r = 0; r + 1 < rowsPerSheet; ++r, ++photo)
                sheet.rows.append(RowRecord { QUuid::createUuid(),
                    QStringLiteral("DSC_%1").arg(photo, 4, 10, QChar(u'0')), QString::number(100 + r) });
            sheet.rows.append(RowRecord::blank());
            library.spreadsheets.append(sheet);
        }
    }
    return library;
}

// What a phone would send back: later clocks, a third of the rows retyped, a tenth of the spreadsheets
// new, the blank rows in place.
LibrarySnapshot makeIncoming(const LibrarySnapshot& local)
{
    LibrarySnapshot incoming = local;
    incoming.updatedAt = local.updatedAt.addSecs(60);
    for (qsizetype i = 0; i < incoming.spreadsheets.size(); ++i) {
        SpreadsheetRecord& sheet = incoming.spreadsheets[i];
        sheet.updatedAt = sheet.updatedAt.addSecs(i % 2 ? 60 : -60);
        for (qsizetype r = 0; r < sheet.rows.size(); r += 3)
            if (!sheet.rows[r].isBlank())
                sheet.rows[r].assignedNumber += QStringLiteral(" HC");
        if (i % 10 == 0)
            sheet.id = QUuid::createUuid();
    }
    return incoming;
}

void plainWrite(const QString& path, const QByteArray& bytes)
{
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n <= 0)
            break;
        data += n;
        left -= n;
    }
    ::fsync(fd);
    ::close(fd);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = bench::scratchFolder() + QStringLiteral("/QUAVEL");
    QDir().mkpath(folder);
    UserDefaults defaults(bench::scratchFolder() + QStringLiteral("/defaults.json"));

    const LibrarySnapshot local = makeLibrary();
    const QByteArray bytes = QuavelJSON::encode(local.toJson());
    AtomicFile::write(folder + QStringLiteral("/library.json"), bytes);
    std::printf("library.json: %.1f MB, %lld spreadsheets, %lld rows\n", double(bytes.size()) / 1e6,
        (long long)local.spreadsheets.size(), (long long)local.spreadsheets.size() * rowsPerSheet);

    // Load.
    std::size_t sink = 0;
    const bench::Comparison load = bench::compareAlternating(
        rounds,
        [&] {
            LibraryStore store(folder, defaults);
            sink += std::size_t(store.snapshot().spreadsheets.size());
        },
        [&] {
            const auto json = nlohmann::json::parse(bytes.constBegin(), bytes.constEnd());
            sink += json.size();
        });
    bench::printRatio("library.load_vs_parse", load);

    // Save: a rename of a day is one save of the whole library and nothing else. The reference writes
    // the bytes of the last save.
    LibraryStore store(folder, defaults);
    const QUuid dayID = store.snapshot().days.first().id;
    int renames = 0;
    const auto save = [&] { store.renameDay(dayID, QStringLiteral("Jour %1").arg(++renames)); };
    save();
    const QByteArray saved = bench::readFileForBench(folder + QStringLiteral("/library.json"));
    const QString plainPath = bench::scratchFolder() + QStringLiteral("/plain.json");
    // Both end in an fsync, whose time swings with the other writers of the disk: more rounds.
    const bench::Comparison write
        = bench::compareAlternating(2 * rounds, save, [&] { plainWrite(plainPath, saved); });
    bench::printRatio("library.save_vs_write", write);

    // Merge.
    const LibrarySnapshot incoming = makeIncoming(local);
    const QByteArray incomingBytes = QuavelJSON::encode(incoming.toJson());
    const bench::Comparison merge = bench::compareAlternating(
        rounds,
        [&] {
            const LibrarySnapshot result = LibraryStore::merged(local, incoming);
            sink += std::size_t(result.spreadsheets.size());
        },
        [&] {
            const auto json = nlohmann::json::parse(incomingBytes.constBegin(), incomingBytes.constEnd());
            sink += json.size();
        });
    bench::printRatio("library.merge_vs_parse", merge);

    std::printf("load %.1f ms, parse %.1f ms, save %.1f ms, write %.1f ms, merge %.1f ms, parse %.1f ms "
                "(medians of %d rounds, %d for the save) (%zu)\n",
        load.ours * 1e3, load.reference * 1e3, write.ours * 1e3, write.reference * 1e3, merge.ours * 1e3,
        merge.reference * 1e3, rounds, 2 * rounds, sink % 10);
    return 0;
}
