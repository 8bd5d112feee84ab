#include "platform/imaging/VipsSupport.h"

#include "platform/imaging/ImagingMemory.h"

#include <QFile>

#include "platform/imaging/Vips.h"

#include <mutex>

namespace quavel::VipsSupport {

void ensureStarted()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ImagingMemory::configure();
        vips_init("quavel");
        vips_cache_set_max(0);
        vips_cache_set_max_files(0);
    });
}

QByteArray fileName(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace quavel::VipsSupport
