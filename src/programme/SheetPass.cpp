#include "programme/SheetPass.h"

#include "programme/SheetCells.h"
#include "programme/XmlElementScanner.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quavel {

SheetPass::SheetPass(std::string_view text)
    : m_position(text.data())
    , m_end(text.data() + text.size())
    , m_opens(m_end)
{ }

inline const char* SheetPass::Opens::from(const char* from)
{
    if (m_block && from >= m_block && from - m_block < 16) {
        m_mask &= ~0u << (from - m_block);
    } else {
        m_block = from;
        m_mask = maskAt(from);
    }
    return next();
}

inline const char* SheetPass::Opens::next()
{
    while (!m_mask) {
        if (m_end - m_block <= 16)
            return nullptr;
        m_block += 16;
        m_mask = maskAt(m_block);
    }
    const char* at = m_block + __builtin_ctz(m_mask);
    m_mask &= m_mask - 1;
    return at;
}

inline unsigned SheetPass::Opens::maskAt(const char* at) const
{
#ifdef __SSE2__
    if (m_end - at >= 16)
        return unsigned(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), _mm_set1_epi8('<'))));
#endif
    unsigned mask = 0;
    for (int i = 0; i < 16 && at + i < m_end; ++i)
        mask |= unsigned(at[i] == '<') << i;
    return mask;
}

inline const char* SheetPass::opening(const char* at, std::string_view name) const
{
    const char* nameEnd = XmlElementScanner::matchName(at + 1, m_end, name);
    return nameEnd && XmlElementScanner::isNameBoundary(nameEnd, m_end) ? nameEnd : nullptr;
}

inline SheetPass::Closing SheetPass::closing(const char* at, const char*& after) const
{
    if (m_end - at < 4 || at[1] != '/')
        return Closing::None;
    const char first = char(at[2] | 0x20);
    if (first == 'c' && at[3] == '>') {
        after = at + 4;
        return Closing::Cell;
    }
    if (first == 'r' && m_end - at >= 6 && (at[3] | 0x20) == 'o' && (at[4] | 0x20) == 'w' && at[5] == '>') {
        after = at + 6;
        return Closing::Row;
    }
    return Closing::None;
}

inline bool SheetPass::prefixedRowOrCell(const char* at) const
{
    const char* name = at + 1;
    if (name < m_end && *name == '/')
        ++name;
    // The tags inside a row ("<v>", "</t>", "<is>") end their names within a few bytes, with no ":".
    const char* local = XmlElementScanner::afterPrefix(name, m_end);
    if (!local)
        return false;
    const char* nameEnd = XmlElementScanner::matchName(local, m_end, "row");
    if (!nameEnd)
        nameEnd = XmlElementScanner::matchName(local, m_end, "c");
    return nameEnd && XmlElementScanner::isNameBoundary(nameEnd, m_end);
}

inline SheetPass::Tag SheetPass::readTag(const char* from) const
{
    Tag tag;
    // An "=" then a quote: the value starts after the quote. `quotes` holds the positions, from
    // `block` on, of the quotes before the tag's end that the scan has seen: the first one after the
    // value's start closes it.
    const auto equals = [&](const char* at, const char* block, unsigned quotes) {
        if (at == from || at + 1 >= m_end || at[1] != '"')
            return;
        const char letter = char(at[-1] | 0x20);
        const char** value = nullptr;
        const char** valueEnd = nullptr;
        if (letter == 'r' && !tag.reference) {
            value = &tag.reference;
            valueEnd = &tag.referenceEnd;
        } else if (letter == 't' && !tag.type) {
            value = &tag.type;
            valueEnd = &tag.typeEnd;
        } else {
            return;
        }
        *value = at + 2;
        const int start = int(*value - block);
        if (const unsigned after = start < 16 ? quotes & (~0u << start) : 0)
            *valueEnd = block + __builtin_ctz(after);
    };
    const char* at = from;
#ifdef __SSE2__
    // 16 bytes at a time, which is most tags at once.
    for (; m_end - at >= 16; at += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const auto mask
            = [&](char c) { return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(c)))); };
        const unsigned stops = mask('>') | mask('<');
        const unsigned before = stops ? (1u << __builtin_ctz(stops)) - 1 : ~0u;
        unsigned signs = mask('=') & before;
        if (signs) {
            const unsigned quotes = mask('"') & before;
            for (; signs; signs &= signs - 1)
                equals(at + __builtin_ctz(signs), at, quotes);
        }
        if (stops) {
            at += __builtin_ctz(stops);
            tag.end = *at == '>' ? at : nullptr;
            return tag;
        }
    }
#endif
    for (; at < m_end && *at != '>' && *at != '<'; ++at)
        if (*at == '=')
            equals(at, at, 0);
    tag.end = at < m_end && *at == '>' ? at : nullptr;
    return tag;
}

namespace {

// Whether the bytes at `at` are `bytes` (a literal: its size known here, so compared inline).
template <size_t N> bool bytesAt(const char* at, const char* end, const char (&bytes)[N])
{
    return size_t(end - at) >= N - 1 && std::memcmp(at, bytes, N - 1) == 0;
}

} // namespace

inline const char* SheetPass::firstOpen(const char* from) const
{
#ifdef __SSE2__
    // A cell's text is mostly shorter than 16 bytes: one compare, in place.
    if (m_end - from >= 16) {
        const auto opens = unsigned(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)), _mm_set1_epi8('<'))));
        if (opens)
            return from + __builtin_ctz(opens);
        from += 16;
    }
#endif
    return XmlElementScanner::find(from, m_end, '<');
}

inline const char* SheetPass::plainContentEnd(const char* content, PlainText& plain) const
{
    // Exact bytes: any other case, prefix, attribute or tag goes the general way. The text holds no
    // "<", so no tag stands between the opening and the closing tags.
    if (bytesAt(content, m_end, "<v>")) {
        const char* close = firstOpen(content + 3);
        if (!close || !bytesAt(close, m_end, "</v></c>"))
            return nullptr;
        plain = { std::string_view(content + 3, size_t(close - content - 3)), SheetRow::Form::Value };
        return close + 4;
    }
    if (bytesAt(content, m_end, "<is><t>")) {
        const char* close = firstOpen(content + 7);
        if (!close || !bytesAt(close, m_end, "</t></is></c>"))
            return nullptr;
        plain = { std::string_view(content + 7, size_t(close - content - 7)), SheetRow::Form::Run };
        return close + 9;
    }
    return nullptr;
}

inline std::optional<std::string_view> SheetPass::quoted(
    const char* value, const char* known, const char* end)
{
    if (!value)
        return std::nullopt;
    const char* quote = known ? known : XmlElementScanner::find(value, end, '"');
    if (!quote)
        return std::nullopt;
    return std::string_view(value, size_t(quote - value));
}

inline const char* SheetPass::nextOpen(const char* from)
{
    // Between the cells of a row there is mostly nothing: the next tag starts right there.
    return from < m_end && *from == '<' ? from : m_opens.from(from);
}

SheetPass::Outcome SheetPass::readRow(const char* nameEnd, SheetRow& row)
{
    const char* greater = XmlElementScanner::find(nameEnd, m_end, '>');
    if (!greater)
        return Outcome::Stop;
    row.clear();
    if (greater > nameEnd && greater[-1] == '/') {
        m_position = greater + 1;
        return Outcome::Row;
    }
    const char* after = nullptr;
    qsizetype next = 0;
    for (const char* open = m_opens.from(greater + 1); open;) {
        if (closing(open, after) == Closing::Row) {
            m_position = after;
            return Outcome::Row;
        }
        const char* cellName = opening(open, "c");
        if (!cellName) {
            if (prefixedRowOrCell(open))
                return Outcome::Stop;
            open = nextOpen(open + 1);
            continue;
        }
        // The tag runs to the first ">"; its r="…" and t="…" are noted on the way (see
        // SheetCells::attributes).
        const Tag tag = readTag(cellName);
        if (!tag.end)
            return Outcome::Stop;
        if (tag.end > cellName && tag.end[-1] == '/') {
            // A self-closing cell holds nothing, but takes its column.
            SheetCells::column({ quoted(tag.reference, tag.referenceEnd, tag.end), std::nullopt }, next);
            open = nextOpen(tag.end + 1);
            continue;
        }
        // The content runs to the first "</c>"; a "</row>" before it ends the row, and this cell with
        // no closing tag inside the row is no cell (nor is any after it).
        PlainText plain;
        const char* inner = plainContentEnd(tag.end + 1, plain);
        if (inner) {
            after = inner + 4;
        } else {
            for (inner = m_opens.from(tag.end + 1); inner; inner = m_opens.next()) {
                const Closing closes = closing(inner, after);
                if (closes == Closing::Row) {
                    m_position = after;
                    return Outcome::Row;
                }
                if (closes == Closing::Cell)
                    break;
                if (prefixedRowOrCell(inner))
                    return Outcome::Stop;
            }
            if (!inner)
                return Outcome::Stop;
        }
        const SheetCells::Attributes attributes { quoted(tag.reference, tag.referenceEnd, tag.end),
            quoted(tag.type, tag.typeEnd, tag.end) };
        if (plain.form != SheetRow::Form::Content)
            SheetCells::place(row, attributes, plain.text, next, plain.form);
        else
            SheetCells::place(
                row, attributes, std::string_view(tag.end + 1, size_t(inner - tag.end - 1)), next);
        open = nextOpen(after);
    }
    return Outcome::Stop;
}

SheetPass::Outcome SheetPass::next(SheetRow& row)
{
    for (const char* open = m_opens.from(m_position); open; open = m_opens.next()) {
        if (const char* nameEnd = opening(open, "row")) {
            m_position = open;
            return readRow(nameEnd, row);
        }
        if (prefixedRowOrCell(open)) {
            m_position = open;
            return Outcome::Stop;
        }
    }
    m_position = m_end;
    return Outcome::Stop;
}

} // namespace quavel
