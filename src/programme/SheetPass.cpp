#include "programme/SheetPass.h"

#include "programme/SheetCells.h"
#include "programme/XmlElementScanner.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quavel {

SheetPass::SheetPass(std::string_view text, const QStringList& sharedStrings)
    : m_position(text.data())
    , m_end(text.data() + text.size())
    , m_opens(m_end)
    , m_sharedStrings(sharedStrings)
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
    const auto equals = [&](const char* at) {
        if (at == from || at + 1 >= m_end || at[1] != '"')
            return;
        const char letter = char(at[-1] | 0x20);
        if (letter == 'r' && !tag.reference)
            tag.reference = at + 2;
        else if (letter == 't' && !tag.type)
            tag.type = at + 2;
    };
    const char* at = from;
#ifdef __SSE2__
    // 16 bytes at a time, which is most tags at once.
    for (; m_end - at >= 16; at += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const auto mask
            = [&](char c) { return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(c)))); };
        const unsigned stops = mask('>') | mask('<');
        unsigned signs = mask('=');
        if (stops)
            signs &= (1u << __builtin_ctz(stops)) - 1;
        for (; signs; signs &= signs - 1)
            equals(at + __builtin_ctz(signs));
        if (stops) {
            at += __builtin_ctz(stops);
            tag.end = *at == '>' ? at : nullptr;
            return tag;
        }
    }
#endif
    for (; at < m_end && *at != '>' && *at != '<'; ++at)
        if (*at == '=')
            equals(at);
    tag.end = at < m_end && *at == '>' ? at : nullptr;
    return tag;
}

inline std::optional<std::string_view> SheetPass::quoted(const char* value, const char* end)
{
    if (!value)
        return std::nullopt;
    for (const char* quote = value; quote < end; ++quote)
        if (*quote == '"')
            return std::string_view(value, size_t(quote - value));
    return std::nullopt;
}

SheetPass::Outcome SheetPass::readRow(const char* nameEnd, QStringList& row)
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
            open = m_opens.next();
            continue;
        }
        // The tag runs to the first ">"; its r="…" and t="…" are noted on the way (see
        // SheetCells::attributes).
        const Tag tag = readTag(cellName);
        if (!tag.end)
            return Outcome::Stop;
        if (tag.end > cellName && tag.end[-1] == '/') {
            // A self-closing cell holds nothing, but takes its column.
            SheetCells::column({ quoted(tag.reference, tag.end), std::nullopt }, next);
            open = m_opens.from(tag.end + 1);
            continue;
        }
        // The content runs to the first "</c>"; a "</row>" before it ends the row, and this cell with
        // no closing tag inside the row is no cell (nor is any after it).
        const char* inner = m_opens.from(tag.end + 1);
        for (; inner; inner = m_opens.next()) {
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
        SheetCells::place(row, { quoted(tag.reference, tag.end), quoted(tag.type, tag.end) },
            std::string_view(tag.end + 1, size_t(inner - tag.end - 1)), m_sharedStrings, next);
        open = m_opens.from(after);
    }
    return Outcome::Stop;
}

SheetPass::Outcome SheetPass::next(QStringList& row)
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
