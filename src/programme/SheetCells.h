#pragma once

#include "programme/SheetRow.h"

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

// The column of a cell reference, as SheetXMLParser::columnIndex reads it.
qsizetype referenceColumn(std::string_view reference);

// The column of a cell: its reference's, or, for a cell without one, `next`, the column after the
// previous cell of its row (0 for the first). `next` then moves past the cell. Every cell takes its
// column, a self-closing (empty) one too.
inline qsizetype column(const Attributes& attributes, qsizetype& next)
{
    qsizetype at = next;
    if (const std::optional<std::string_view>& r = attributes.reference) {
        // One capital then the row number, as in most rows: the column of that letter.
        if (r->size() >= 2 && (*r)[0] >= 'A' && (*r)[0] <= 'Z' && (*r)[1] >= '0' && (*r)[1] <= '9')
            at = (*r)[0] - 'A';
        else
            at = referenceColumn(*r);
    }
    next = at + 1;
    return at;
}

// Puts a cell (its attributes and its content, or the text of a plain form) at its column of the row
// (see column()): the gaps empty, a later cell at the same column replacing the earlier one. Its text
// is value() of it (or what sharedString() tells of a plain form), made when the row's consumer reads it.
inline void place(SheetRow& row, const Attributes& attributes, std::string_view bytes, qsizetype& next,
    SheetRow::Form form = SheetRow::Form::Content)
{
    const qsizetype at = column(attributes, next);
    row.place(at, attributes.type.value_or(std::string_view()), bytes, form);
}

// The text of a cell of type `type` (empty when it has none) and content `content`: shared strings
// resolved, inline strings and cached values read as written.
QString value(std::string_view type, std::string_view content, const QStringList& sharedStrings);
// value() of a cell whose content is "<v>" text "</v>" (form Value) or "<is><t>" text "</t></is>" (form
// Run) reads from the text alone: the shared string a value indexes when the type is "s" and the
// index reads (the one returned here; null for any other cell), else the decoded text
// (ImportParserExtract::decodedText).
const QString* sharedString(
    SheetRow::Form form, std::string_view type, std::string_view text, const QStringList& sharedStrings);

// Ends a row: a row without cells is one empty text, and its cells are counted against the budget,
// past which the workbook is refused (ZipError::invalidArchive).
void complete(SheetRow& row, qint64& cellBudget);

} // namespace quavel::SheetCells
