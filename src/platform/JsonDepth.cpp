#include "platform/JsonDepth.h"

namespace quavel::JsonDepth {

bool exceeds(const char* data, std::size_t size, int maximum) noexcept
{
    const char* p = data;
    const char* const end = data + size;
    int depth = 0;
    while (p < end) {
        switch (*p++) {
        case '[':
        case '{':
            if (++depth > maximum)
                return true;
            break;
        case ']':
        case '}':
            // A closer without its opener is malformed: the parser refuses it, the count stays sane.
            if (depth > 0)
                --depth;
            break;
        case '"':
            // Skip the string: a backslash always takes the next byte with it ("\"" and "\\").
            while (p < end) {
                const char c = *p++;
                if (c == '"')
                    break;
                if (c == '\\' && p < end)
                    ++p;
            }
            break;
        default:
            break;
        }
    }
    return false;
}

} // namespace quavel::JsonDepth
