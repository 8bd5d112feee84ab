#pragma once

#include <QStringList>

#include <optional>
#include <string_view>

// The cells of a worksheet row, from their UTF-8 bytes (valid UTF-8: the part is checked whole).
namespace quavel::SheetCells {

// r="…" and t="…" of a cell tag, as the attribute rule finds each: the first `r="` (or `t="`) anywhere
// in the tag's attributes, either letter in either case, up to the next quote; none when that quote
// is missing.
struct Attributes
{
    std::optional<std::string_view> reference;
    std::optional<std::string_view> type;
};

Attributes attributes(std::string_view attributes);

// The column of a cell: its reference's, or, for a cell without one, `next`, the column after the
// previous cell of its row (0 for the first). `next` then moves past the cell. Every cell takes its
// column, a self-closing (empty) one too.
qsizetype column(const Attributes& attributes, qsizetype& next);

// Puts the value of a cell (its attributes and its content) at its column of the row (see column()):
// the gaps empty, a later cell at the same column replacing the earlier one. Shared strings are
// resolved, inline strings and cached values read as written.
void place(QStringList& row, const Attributes& attributes, std::string_view content,
    const QStringList& sharedStrings, qsizetype& next);

// Ends a row: a row without cells is one empty text, and its cells are counted against the budget,
// past which the workbook is refused (ZipError::invalidArchive).
void complete(QStringList& row, qint64& cellBudget);

} // namespace quavel::SheetCells
