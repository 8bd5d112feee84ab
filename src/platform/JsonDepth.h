#pragma once

#include <cstddef>

// How deeply a JSON text from outside may nest arrays and objects. No document of the application
// nests more than a few levels; a text nested deeper is refused before it is parsed, because the JSON
// writers and comparisons recurse once per level (a hostile file of 100,000 levels would overflow the
// stack at the next save) and deep texts grow by their indentation at every write.
namespace quavel::JsonDepth {

// A top-level object or array is level 1; level 64 is still read, level 65 is not.
constexpr int limit = 64;

// True when arrays and objects nest deeper than `maximum` levels somewhere in the text. Brackets inside
// strings do not count. One pass, no allocation; a malformed text is left for the parser to refuse.
bool exceeds(const char* data, std::size_t size, int maximum = limit) noexcept;

} // namespace quavel::JsonDepth
