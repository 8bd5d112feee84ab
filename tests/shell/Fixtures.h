#pragma once

#include "common/TestSupport.h"
#include "library/QuavelJSON.h"
#include "library/QuavelTransferPackage.h"

#include <QDateTime>

namespace quavel::test {

// A ".quavel" transfer file of one day and the given spreadsheet titles; returns its path.
inline QString writeTransferFile(const TempFolder& folder, const QString& name, const QString& dayName,
    const QStringList& titles, QUuid* dayID = nullptr, QList<QUuid>* sheetIDs = nullptr)
{
    QuavelTransferPackage package;
    package.kind
        = titles.size() == 1 ? QuavelTransferPackage::Kind::spreadsheet : QuavelTransferPackage::Kind::day;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    package.day = DayRecord { QUuid::createUuid(), dayName, now, 0 };
    for (const QString& t : titles)
        package.spreadsheets.append(SpreadsheetRecord {
            QUuid::createUuid(), package.day.id, t, now, now, true, { RowRecord::blank() } });
    if (dayID)
        *dayID = package.day.id;
    if (sheetIDs)
        for (const auto& s : package.spreadsheets)
            sheetIDs->append(s.id);
    return folder.write(name, QuavelJSON::encode(package.toJson()));
}

} // namespace quavel::test
