// Receiving one library frame of about 7.9 MB as the sync service does (262,144-byte receives into
// the link buffer, the frame parser, the envelope decoder, the merge into a library that already
// holds the same records), against a plain nlohmann parse of the same payload. No file is written.
// The figure, sync.frame_vs_parse, is the median of per-round ratios, the side that runs first
// alternating by round.
#include "BenchSupport.h"

#include "library/LibraryStore.h"
#include "library/QuavelJSON.h"
#include "library/SyncEnvelope.h"
#include "sync/SyncFrames.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <cstdio>

using namespace quavel;

namespace {

constexpr int rounds = 5;

LibrarySnapshot bigLibrary(qsizetype targetBytes)
{
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1717000000000, QTimeZone::utc());
    LibrarySnapshot s;
    s.updatedAt = when;
    qsizetype estimate = 0;
    for (int d = 0; estimate < targetBytes; ++d) {
        DayRecord day { QUuid::createUuid(), QStringLiteral("Jour %1").arg(d), when, d };
        s.days.append(day);
        for (int t = 0; t < 10 && estimate < targetBytes; ++t) {
            SpreadsheetRecord sheet;
            sheet.id = QUuid::createUuid();
            sheet.dayID = day.id;
            sheet.title = QStringLiteral("Épreuve %1 · Grand Prix").arg(t);
            sheet.createdAt = when;
            sheet.updatedAt = when;
            for (int r = 0; r < 200; ++r) {
                sheet.rows.append(
                    RowRecord { QUuid::createUuid(), QString::number(1000 + r * 7), QString::number(r + 1) });
                estimate += 150;
            }
            s.spreadsheets.append(sheet);
        }
    }
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SyncEnvelope envelope;
    envelope.kind = SyncEnvelopeKind::library;
    envelope.platform = QStringLiteral("ios");
    envelope.peerName = QStringLiteral("QUAVEL iOS 1F3A");
    envelope.snapshot = bigLibrary(7'700'000);
    QByteArray frame = *SyncFrames::encode(envelope);
    // Trim the estimate to just under the frame limit when it overshot.
    while (frame.size() - 4 >= qsizetype(SyncFrames::payloadLimit)) {
        envelope.snapshot->spreadsheets.removeLast();
        frame = *SyncFrames::encode(envelope);
    }
    const QByteArray payload = frame.mid(4);
    std::printf("payload %.2f MB, %lld spreadsheets\n", payload.size() / 1e6,
        (long long)envelope.snapshot->spreadsheets.size());
    const LibrarySnapshot local = *envelope.snapshot;

    qsizetype rows = 0;
    std::size_t keys = 0;
    const bench::Comparison c = bench::compareAlternating(
        rounds,
        [&] {
            QByteArray buffer;
            LibrarySnapshot merged;
            for (qsizetype at = 0; at < frame.size(); at += 262144) {
                buffer.append(frame.constData() + at, std::min<qsizetype>(262144, frame.size() - at));
                SyncFrames::drain(buffer, [&](SyncEnvelope& e) {
                    merged = LibraryStore::merged(local, *e.snapshot);
                    return true;
                });
            }
            rows = merged.spreadsheets.isEmpty() ? 0 : merged.spreadsheets.first().rows.size();
        },
        [&] {
            nlohmann::json json = nlohmann::json::parse(payload.constBegin(), payload.constEnd());
            keys = json.size();
        });
    std::printf("ours %.1f ms, nlohmann parse %.1f ms (medians of %d rounds; %lld rows, %zu keys)\n",
        c.ours * 1e3, c.reference * 1e3, rounds, (long long)rows, keys);
    bench::printRatio("sync.frame_vs_parse", c);
    return 0;
}
