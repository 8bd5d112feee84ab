#pragma once

#include "programme/SheetRow.h"

#include <optional>
#include <string_view>

namespace quavel {

// The rows of a worksheet read in one pass, each "<" looked at once: the row and cell scans of the
// rule walk the same bytes several times (the row to find its end, then its cells, then each cell to
// find its end). The pass finds what they find on rows as spreadsheet programs write them, and stops
// at the first row where it could not be sure, leaving it and the rest to the scans: a cell tag that
// holds a "<" (a "</row>" could hide there), a row whose end never comes, or a row or cell tag with a
// namespace prefix (the pass reads unprefixed names only).
class SheetPass
{
public:
    enum class Outcome { Row, Stop };

    explicit SheetPass(std::string_view text);

    // The next row into `row`; Stop at the end of the rows or where the scans must take over (from
    // position()).
    Outcome next(SheetRow& row);

    const char* position() const { return m_position; }

private:
    // Every "<" of the text in order, found 16 bytes at a time; only ever moved forwards.
    class Opens
    {
    public:
        explicit Opens(const char* end)
            : m_end(end)
        { }

        // The first "<" at or after `from`.
        const char* from(const char* from);
        // The "<" after the last one given.
        const char* next();

    private:
        unsigned maskAt(const char* at) const;

        const char* m_end;
        const char* m_block = nullptr;
        unsigned m_mask = 0;
    };

    // A cell tag from the end of its name: where it ends (its first ">"), and where the values of its
    // first r=" and t=" start, with their closing quotes when the tag's scan saw them (null when it
    // did not: quoted() then looks). No end when a "<" or the end of the text comes first.
    struct Tag
    {
        const char* end = nullptr;
        const char* reference = nullptr;
        const char* referenceEnd = nullptr;
        const char* type = nullptr;
        const char* typeEnd = nullptr;
    };

    enum class Closing { None, Cell, Row };

    // The end of `name` when the "<" at `at` opens it: the name in either case, then white space, "/"
    // or ">" (the names of the pass have no other case-folded forms).
    const char* opening(const char* at, std::string_view name) const;
    // Whether the "<" at `at` is "</c>" or "</row>", in either case; `after` is then past it.
    Closing closing(const char* at, const char*& after) const;
    // Whether the "<" at `at` opens or closes a row or a cell under a namespace prefix.
    bool prefixedRowOrCell(const char* at) const;
    // The first "<" at or after `from`, looked for first where it mostly is (past every "<" given so
    // far: m_opens moves forwards only).
    const char* nextOpen(const char* from);
    // The first "<" at or after `from`, without m_opens: a short way ahead.
    const char* firstOpen(const char* from) const;
    // The row whose "<row" stands at m_position; m_position moves past it on success.
    Outcome readRow(const char* nameEnd, SheetRow& row);
    Tag readTag(const char* from) const;
    // The text of a cell's content in a plain form (see SheetRow::Form).
    struct PlainText
    {
        std::string_view text;
        SheetRow::Form form = SheetRow::Form::Content;
    };

    // The "<" of the "</c>" that ends a cell whose content starts at `content`, when the content is
    // one of the two plain forms spreadsheet programs write: "<v>" text "</v>", or "<is><t>" text
    // "</t></is>"; `plain` is then its text. Null for any other content, which the tag-by-tag walk
    // reads.
    const char* plainContentEnd(const char* content, PlainText& plain) const;
    // The value that starts at `value` and ends at `known` (a quote already found), else at the next
    // quote before `end`; none without a quote.
    static std::optional<std::string_view> quoted(const char* value, const char* known, const char* end);

    const char* m_position;
    const char* m_end;
    Opens m_opens;
};

} // namespace quavel
