#include "platform/imaging/VipsSupport.h"

#include "platform/files/NativeName.h"
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
    return NativeName::encode(path);
}

QByteArray iccProfile(const vips::VImage& image)
{
    if (image.get_typeof(VIPS_META_ICC_NAME) == 0)
        return QByteArray();
    std::size_t length = 0;
    const void* data = image.get_blob(VIPS_META_ICC_NAME, &length);
    return QByteArray(static_cast<const char*>(data), qsizetype(length));
}

} // namespace quavel::VipsSupport
