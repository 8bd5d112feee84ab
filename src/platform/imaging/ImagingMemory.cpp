#include "platform/imaging/ImagingMemory.h"

#include <malloc.h>
#include <mutex>

namespace quavel::ImagingMemory {

void configure()
{
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    });
}

} // namespace quavel::ImagingMemory
