#pragma once

#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>

namespace quavel {

// Walks the elements of one name through a UTF-8 text, byte by byte, with no allocation. It finds
// exactly what the ICU pattern
//     <(?:P:)?name(?=[\s/>])([^>]*?)(?:/>|>(.*?)</(?:P:)?name>)      with P = [^\s/<>:]+
// finds, matched ignoring case with "." matching line ends, match after match from the start: a
// self-closing tag is taken whole (it never opens a pair that would swallow the next element), and
// a paired element's content runs to the first closing tag of the same name. A tag whose closing tag
// never comes is no match, and scanning goes on from the character after its "<". A name may carry
// any namespace prefix ("x:row"), as writers that do not use the default namespace put one on every
// element; the closing tag's prefix need not be the opening tag's.
//
// The text must be valid UTF-8 (the caller checks it once for the whole part). `name` is lower-case
// ASCII letters; it is matched as ICU's full case folding does, so "S" and "ſ" (U+017F) stand for
// "s", and "K" and the Kelvin sign for "k". Each search resumes from remembered positions, so a
// hostile text cannot make a scan quadratic.
class XmlElementScanner
{
public:
    struct Element
    {
        // The text between the name and "/>" or ">".
        std::string_view attributes;
        // The text between ">" and the closing tag; empty for a self-closing tag.
        std::string_view content;
        bool selfClosing = false;
    };

    XmlElementScanner(std::string_view text, std::string_view name);

    // The next element in document order, or none when the text holds no further one.
    std::optional<Element> next();

    // Where a namespace prefix and its ":" stand at `at`: the position after the ":", or null.
    static const char* afterPrefix(const char* at, const char* end)
    {
        const char* p = at;
        while (p < end && !isPrefixStop(p, end))
            ++p;
        return p > at && p < end && *p == ':' ? p + 1 : nullptr;
    }
    // Where the name of an opening tag ends when it is `name`, with or without a prefix, and a name
    // boundary follows: the position after it, or null.
    static const char* matchOpening(const char* at, const char* end, std::string_view name)
    {
        const char* nameEnd = matchName(at, end, name);
        if (nameEnd && isNameBoundary(nameEnd, end))
            return nameEnd;
        // "<row:row>" is the name "row" with the prefix "row".
        const char* local = afterPrefix(at, end);
        nameEnd = local ? matchName(local, end, name) : nullptr;
        return nameEnd && isNameBoundary(nameEnd, end) ? nameEnd : nullptr;
    }
    // Where `name` (lower-case ASCII letters) stands at `at`, ignoring case as the scanner does: the
    // position after it, or null.
    static const char* matchName(const char* at, const char* end, std::string_view name)
    {
        for (const char wanted : name) {
            if (at < end && (*at | 0x20) == wanted)
                ++at;
            else if (wanted == 's' && end - at >= 2 && std::memcmp(at, "\xc5\xbf", 2) == 0)
                at += 2; // ſ, LATIN SMALL LETTER LONG S
            else if (wanted == 'k' && end - at >= 3 && std::memcmp(at, "\xe2\x84\xaa", 3) == 0)
                at += 3; // K, KELVIN SIGN
            else
                return nullptr;
        }
        return at;
    }
    // Whether the character at `at` is one of ICU's white-space characters (\s), "/" or ">".
    static bool isNameBoundary(const char* at, const char* end)
    {
        if (at >= end)
            return false;
        const auto c = static_cast<unsigned char>(*at);
        if (c < 0x80)
            return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == '/' || c == '>';
        return isWideSpace(at, end);
    }
    // Where "</name>" (or "</prefix:name>") stands at `at`: the position after it, or null.
    static const char* matchClosing(const char* at, const char* end, std::string_view name)
    {
        if (end - at < 3 || at[0] != '<' || at[1] != '/')
            return nullptr;
        const char* nameEnd = matchName(at + 2, end, name);
        if (nameEnd && nameEnd < end && *nameEnd == '>')
            return nameEnd + 1;
        const char* local = afterPrefix(at + 2, end);
        nameEnd = local ? matchName(local, end, name) : nullptr;
        return nameEnd && nameEnd < end && *nameEnd == '>' ? nameEnd + 1 : nullptr;
    }
    // The first `c` in [from, end), or null. The gaps between tags are short: a 16-byte compare does
    // better there than a call to memchr.
    static const char* find(const char* from, const char* end, char c);

private:
    // Whether the character at `at`, of two bytes or more, is white space.
    static bool isWideSpace(const char* at, const char* end);
    // Whether the byte at `at` ends a prefix: white space, "/", "<", ">" or ":". Checked byte by byte:
    // the lead bytes of the wide spaces never stand inside another character.
    static bool isPrefixStop(const char* at, const char* end)
    {
        const auto c = static_cast<unsigned char>(*at);
        if (c < 0x80)
            return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == '/' || c == '<' || c == '>' || c == ':';
        return isWideSpace(at, end);
    }
    // The first "<" at or after `from` (followed by "/" for a closing tag), or null. Any "<" may open
    // the element, its name being prefixed or not; the others are skipped 16 bytes at a time.
    const char* findCandidate(const char* from, bool closing) const;
    // The first "</name>" at or after `from`, or null.
    const char* findClosing(const char* from);

    const char* m_position;
    const char* m_end;
    std::string_view m_name;
    // The last ">" and closing tag found: a later search starting at or before them ends on them.
    const char* m_lastGreater = nullptr;
    const char* m_lastClosing = nullptr;
    // No closing tag starts at or after this point (null until a search for one fails).
    const char* m_noClosingFrom = nullptr;
};

} // namespace quavel
