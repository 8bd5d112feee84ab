#include "platform/imaging/VipsRuntime.h"

#include <vips/vips8>

#include <mutex>

namespace quavel::VipsRuntime {

void ensureStarted()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (VIPS_INIT("quavel") != 0)
            vips_error_clear();
        vips_cache_set_max(0);
    });
}

} // namespace quavel::VipsRuntime
