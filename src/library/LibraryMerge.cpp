// The merges of peer snapshots and ".quavel" transfer files into the library store.
#include "library/LibraryStore.h"

#include "library/PhotoNumber.h"
#include "library/QuavelJSON.h"
#include "platform/AtomicFile.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <limits>

namespace quavel {

// One more than the largest sortIndex, 0 without days; saturates at the largest 64-bit value.
qint64 nextSortIndex(const QList<DayRecord>& days)
{
    if (days.isEmpty())
        return 0;
    qint64 largest = std::numeric_limits<qint64>::min();
    for (const DayRecord& d : days)
        largest = std::max(largest, d.sortIndex);
    return largest == std::numeric_limits<qint64>::max() ? largest : largest + 1;
}

QList<RowRecord> LibraryStore::mergedRows(const QList<RowRecord>& local, const QList<RowRecord>& incoming)
{
    // Incoming filled rows first, then the local filled rows the incoming side does not hold, then one
    // new blank row. A list that holds one row id twice (a file edited by hand) keeps the first, so
    // the result never repeats an id.
    QList<RowRecord> out;
    out.reserve(std::max(local.size(), incoming.size()) + 1);
    QSet<QUuid> seen;
    seen.reserve(local.size() + incoming.size());
    for (const RowRecord& row : incoming) {
        if (row.isBlank() || seen.contains(row.id))
            continue;
        out.append(row);
        seen.insert(row.id);
    }
    for (const RowRecord& row : local) {
        if (row.isBlank() || seen.contains(row.id))
            continue;
        out.append(row);
        seen.insert(row.id);
    }
    out.append(RowRecord::blank());
    return out;
}

SpreadsheetRecord LibraryStore::mergedSpreadsheet(const SpreadsheetRecord& local, const SpreadsheetRecord& incoming)
{
    SpreadsheetRecord out = local;
    out.dayID = incoming.dayID;
    if (incoming.updatedAt > local.updatedAt) {
        out.title = incoming.title;
        out.isOpen = incoming.isOpen;
    }
    out.rows = mergedRows(local.rows, incoming.rows);
    out.updatedAt = std::max(local.updatedAt, incoming.updatedAt);
    return out;
}

LibrarySnapshot LibraryStore::merged(const LibrarySnapshot& local, const LibrarySnapshot& incoming)
{
    // Tables keyed by id that keep the first-seen order, so the written file is deterministic.
    // A local list holding one id twice keeps the first record.
    LibrarySnapshot out;
    out.version = 1;
    out.updatedAt = std::max(local.updatedAt, incoming.updatedAt);

    QHash<QUuid, qsizetype> dayIndex;
    dayIndex.reserve(local.days.size() + incoming.days.size());
    for (const DayRecord& d : local.days) {
        if (dayIndex.contains(d.id))
            continue;
        dayIndex.insert(d.id, out.days.size());
        out.days.append(d);
    }
    for (const DayRecord& d : incoming.days) {
        auto it = dayIndex.constFind(d.id);
        if (it != dayIndex.constEnd()) {
            out.days[*it] = d;
        } else {
            dayIndex.insert(d.id, out.days.size());
            out.days.append(d);
        }
    }

    QHash<QUuid, qsizetype> sheetIndex;
    sheetIndex.reserve(local.spreadsheets.size() + incoming.spreadsheets.size());
    out.spreadsheets.reserve(local.spreadsheets.size() + incoming.spreadsheets.size());
    for (const SpreadsheetRecord& s : local.spreadsheets) {
        if (sheetIndex.contains(s.id))
            continue;
        sheetIndex.insert(s.id, out.spreadsheets.size());
        out.spreadsheets.append(s);
    }
    for (const SpreadsheetRecord& s : incoming.spreadsheets) {
        auto it = sheetIndex.constFind(s.id);
        if (it != sheetIndex.constEnd()) {
            out.spreadsheets[*it] = mergedSpreadsheet(out.spreadsheets[*it], s);
        } else {
            sheetIndex.insert(s.id, out.spreadsheets.size());
            out.spreadsheets.append(s);
        }
    }
    return out;
}

void LibraryStore::replaceFromRemote(const LibrarySnapshot& incoming)
{
    const bool incomingEmpty = incoming.days.isEmpty() && incoming.spreadsheets.isEmpty();
    const bool localEmpty = m_snapshot.days.isEmpty() && m_snapshot.spreadsheets.isEmpty();
    if (incomingEmpty && !localEmpty)
        return;
    setApplyingRemote(true);
    m_snapshot = merged(m_snapshot, incoming);
    m_snapshot.version = 1;
    persist(false, std::nullopt);
    setApplyingRemote(false);
}

void LibraryStore::mergeImported(const QuavelTransferPackage& package)
{
    setApplyingRemote(true);

    const bool dayKnown = std::any_of(m_snapshot.days.cbegin(), m_snapshot.days.cend(),
        [&](const DayRecord& d) { return d.id == package.day.id; });
    if (!dayKnown) {
        DayRecord day = package.day;
        day.sortIndex = nextSortIndex(m_snapshot.days);
        m_snapshot.days.append(day);
    }

    for (SpreadsheetRecord sheet : package.spreadsheets) {
        sheet.dayID = package.day.id;
        const qsizetype i = spreadsheetIndex(sheet.id);
        if (i >= 0)
            m_snapshot.spreadsheets[i] = mergedSpreadsheet(m_snapshot.spreadsheets[i], sheet);
        else
            m_snapshot.spreadsheets.append(sheet);
    }

    m_uiState.selectedDayID = package.day.id;
    if (!package.spreadsheets.isEmpty())
        m_uiState.selectedSpreadsheetID = package.spreadsheets.first().id;
    writeUIState();
    emit uiStateChanged();

    persist(false, std::nullopt);
    setApplyingRemote(false);
}

std::optional<QString> LibraryStore::importQuavelFile(const QString& path)
{
    if (pathExtension(path).toLower() != u"quavel")
        return std::nullopt;

    std::optional<QuavelTransferPackage> package;
    if (auto bytes = AtomicFile::read(path)) {
        try {
            package = QuavelTransferPackage::fromJson(QuavelJSON::parse(*bytes));
        } catch (const QuavelJSON::DecodingError&) {
        }
    }

    QString message;
    if (!package) {
        message = QStringLiteral("Impossible d’importer ce fichier QUAVEL.");
    } else {
        mergeImported(*package);
        if (package->kind == QuavelTransferPackage::Kind::spreadsheet) {
            const QString name
                = package->spreadsheets.isEmpty() ? package->day.name : package->spreadsheets.first().title;
            message = QStringLiteral("Tableur « ") + name + QStringLiteral(" » importé");
        } else if (package->spreadsheets.isEmpty()) {
            message = QStringLiteral("Jour « ") + package->day.name + QStringLiteral(" » importé");
        } else {
            const qsizetype n = package->spreadsheets.size();
            message = QStringLiteral("Jour « ") + package->day.name + QStringLiteral(" » importé · ")
                + QString::number(n) + QStringLiteral(" tableur") + (n == 1 ? QString() : QStringLiteral("s"));
        }
    }
    m_lastImportBanner = message;
    emit lastImportBannerChanged();
    ++m_importGeneration;
    emit importGenerationChanged();
    return message;
}

} // namespace quavel
