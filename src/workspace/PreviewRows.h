#pragma once

#include "library/RowRecord.h"
#include "workspace/PreviewRow.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// The rules of the sorting preview that do not depend on the stores: duplicate detection, the delete
// rule, the status of a line and the texts the workspace screen derives from its lines.
namespace quavel::PreviewRows {

// The key that tells two photo numbers apart for duplicates: "a|12" for A0012, a 12 and A-12 (the
// digit count plays no part), the trimmed text lower-cased when it holds no number; absent when blank.
std::optional<QString> photoKey(const QString& photoNumber);

// Canonical bibs, and photo keys, that occur on two rows or more.
QSet<QString> duplicateAssigned(const QList<RowRecord>& rows);
QSet<QString> duplicatePhotos(const QList<RowRecord>& rows);

// Whether the line's context menu offers deletion, given the spreadsheet's live rows: never with fewer
// than two rows, and never for the trailing blank row.
bool canDelete(const QList<RowRecord>& rows, const PreviewRow& line);

// The background of a data line, first match wins.
enum class LineStatus { clear, duplicate, unmatched };
LineStatus lineStatus(const PreviewRow& line);

// The status marks: the no-match mark of a filled line without a rider, then the duplicate mark.
bool showsNoMatchMark(const PreviewRow& line);
bool showsDuplicateMark(const PreviewRow& line);
// "N° attribué et n° photo en doublon", "N° attribué en doublon" or "N° photo en doublon".
QString duplicateHelp(const PreviewRow& line);
// A complete line (named, no duplicate) whose photos an earlier run copied.
bool showsTransferCheck(const PreviewRow& line);

// Filled lines without a name or with a duplicate.
int issueCount(const QList<PreviewRow>& rows);
// "3 erreurs : 2 sans correspondance, 1 numéro en doublon".
QString issueHelp(const QList<PreviewRow>& rows);

// The bar's summary. `riderCount` is the number of riders of the selected class (0 when the stored
// class does not resolve).
QString summaryLine(bool programmeLoaded, bool eventChosen, int riderCount, const QList<PreviewRow>& rows);

} // namespace quavel::PreviewRows
