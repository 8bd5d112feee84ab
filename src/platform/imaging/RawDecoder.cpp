#include "platform/imaging/RawDecoder.h"

#include "platform/files/NativeName.h"

#include <QFile>

#include <libraw/libraw.h>

#include <algorithm>
#include <memory>

namespace quavel::RawDecoder {

std::optional<Image> decode(const QString& path, int bitsPerSample, int maxPixel)
{
    // The decoder object is large (several hundred kilobytes): never on the stack.
    auto raw = std::make_unique<LibRaw>(0);
    libraw_output_params_t& params = raw->imgdata.params;
    params.output_bps = bitsPerSample == 8 ? 8 : 16;
    params.output_color = 1; // sRGB
    params.use_camera_wb = 1;
    params.user_flip = -1; // the camera's orientation

    if (raw->open_file(NativeName::encode(path).constData()) != LIBRAW_SUCCESS)
        return std::nullopt;
    const int longSide = std::max<int>(raw->imgdata.sizes.width, raw->imgdata.sizes.height);
    params.half_size = maxPixel > 0 && longSide / 2 >= maxPixel ? 1 : 0;
    if (raw->unpack() != LIBRAW_SUCCESS)
        return std::nullopt;
    if (raw->dcraw_process() != LIBRAW_SUCCESS)
        return std::nullopt;
    int error = 0;
    libraw_processed_image_t* processed = raw->dcraw_make_mem_image(&error);
    if (!processed)
        return std::nullopt;
    const auto release = std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)>(
        processed, [](libraw_processed_image_t* p) { LibRaw::dcraw_clear_mem(p); });
    if (processed->type != LIBRAW_IMAGE_BITMAP || processed->colors != 3 || processed->width == 0
        || processed->height == 0)
        return std::nullopt;

    Image image;
    image.width = processed->width;
    image.height = processed->height;
    image.bitsPerSample = processed->bits == 16 ? 16 : 8;
    const qsizetype size = qsizetype(image.width) * image.height * 3 * (image.bitsPerSample / 8);
    if (qsizetype(processed->data_size) < size)
        return std::nullopt;
    image.pixels = QByteArray(reinterpret_cast<const char*>(processed->data), size);
    return image;
}

std::optional<QSize> orientedSize(const QString& path)
{
    auto raw = std::make_unique<LibRaw>(0);
    raw->imgdata.params.user_flip = -1;
    if (raw->open_file(NativeName::encode(path).constData()) != LIBRAW_SUCCESS)
        return std::nullopt;
    // The output size of a full development (pixel aspect and the camera's turn included).
    if (raw->adjust_sizes_info_only() != LIBRAW_SUCCESS)
        return std::nullopt;
    const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
    if (sizes.iwidth == 0 || sizes.iheight == 0)
        return std::nullopt;
    return QSize(sizes.iwidth, sizes.iheight);
}

} // namespace quavel::RawDecoder
