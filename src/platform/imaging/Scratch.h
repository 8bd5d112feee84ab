#pragma once

#include <cstddef>
#include <vector>

namespace quavel {

// At least n elements of a thread's reusable working buffer. It only ever grows: shrinking and growing
// again would have the vector zero-fill the regrown part on every tile.
template <typename T> inline T* scratch(std::vector<T>& buffer, std::size_t n)
{
    if (buffer.size() < n)
        buffer.resize(n);
    return buffer.data();
}

} // namespace quavel
