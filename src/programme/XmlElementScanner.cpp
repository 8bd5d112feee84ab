#include "programme/XmlElementScanner.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quavel {

XmlElementScanner::XmlElementScanner(std::string_view text, std::string_view name)
    : m_position(text.data())
    , m_end(text.data() + text.size())
    , m_name(name)
{ }

const char* XmlElementScanner::find(const char* from, const char* end, char c)
{
#ifdef __SSE2__
    const __m128i wanted = _mm_set1_epi8(c);
    while (end - from >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        if (const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)))
            return from + __builtin_ctz(unsigned(hits));
        from += 16;
    }
#endif
    for (; from < end; ++from)
        if (*from == c)
            return from;
    return nullptr;
}

bool XmlElementScanner::isWideSpace(const char* at, const char* end)
{
    const auto c = static_cast<unsigned char>(*at);
    // The White_Space characters outside ASCII: U+0085, U+00A0, U+1680, U+2000–U+200A, U+2028, U+2029,
    // U+202F, U+205F and U+3000.
    if (end - at >= 2 && c == 0xC2)
        return static_cast<unsigned char>(at[1]) == 0x85 || static_cast<unsigned char>(at[1]) == 0xA0;
    if (end - at < 3)
        return false;
    const auto b1 = static_cast<unsigned char>(at[1]);
    const auto b2 = static_cast<unsigned char>(at[2]);
    switch (c) {
    case 0xE1:
        return b1 == 0x9A && b2 == 0x80;
    case 0xE2:
        if (b1 == 0x80)
            return b2 <= 0x8A || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF;
        return b1 == 0x81 && b2 == 0x9F;
    case 0xE3:
        return b1 == 0x80 && b2 == 0x80;
    default:
        return false;
    }
}

const char* XmlElementScanner::findCandidate(const char* from, bool closing) const
{
    for (;;) {
        const char* open = find(from, m_end, '<');
        if (!open || m_end - open < (closing ? 3 : 2))
            return nullptr;
        if (!closing || open[1] == '/')
            return open;
        from = open + 1;
    }
}

const char* XmlElementScanner::findClosing(const char* from)
{
    if (m_noClosingFrom && from >= m_noClosingFrom)
        return nullptr;
    if (m_lastClosing && from <= m_lastClosing)
        return m_lastClosing;
    for (const char* p = from; (p = findCandidate(p, true)); ++p) {
        if (matchClosing(p, m_end, m_name))
            return m_lastClosing = p;
    }
    m_noClosingFrom = from;
    return nullptr;
}

std::optional<XmlElementScanner::Element> XmlElementScanner::next()
{
    while (const char* open = findCandidate(m_position, false)) {
        m_position = open + 1;
        const char* nameEnd = matchOpening(open + 1, m_end, m_name);
        if (!nameEnd)
            continue;
        // The attributes cannot hold ">": the tag ends at the first one.
        if (!m_lastGreater || nameEnd > m_lastGreater)
            m_lastGreater = find(nameEnd, m_end, '>');
        const char* greater = m_lastGreater;
        if (!greater)
            break; // no later tag can end either
        if (greater > nameEnd && greater[-1] == '/') {
            m_position = greater + 1;
            return Element { std::string_view(nameEnd, size_t(greater - 1 - nameEnd)), {}, true };
        }
        const char* closing = findClosing(greater + 1);
        if (!closing)
            continue; // not an element; a later tag of the name may still be a self-closing one
        // The closing tag is "</", the name as written (its length may differ from `m_name`'s) and ">".
        m_position = matchClosing(closing, m_end, m_name);
        return Element { std::string_view(nameEnd, size_t(greater - nameEnd)),
            std::string_view(greater + 1, size_t(closing - greater - 1)), false };
    }
    m_position = m_end;
    return std::nullopt;
}

} // namespace quavel
