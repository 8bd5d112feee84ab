#include "platform/imaging/RawDecoder.h"

#include "platform/files/RegularFile.h"
#include "platform/imaging/DecodeMemory.h"
#include "platform/imaging/VipsSupport.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <memory>

namespace quavel::RawDecoder {

namespace {

std::optional<Image> failed(ReadFailure* out, int code)
{
    if (out)
        *out = { code == LIBRAW_UNSUFFICIENT_MEMORY ? ReadFailure::Kind::outOfMemory
                                                    : ReadFailure::Kind::unreadable,
            0 };
    return std::nullopt;
}

} // namespace

std::optional<Image> decode(const QString& path, int bitsPerSample, int maxPixel, ReadFailure* failure)
{
    // LibRaw opens this very file again by the descriptor's name, while it is held open here.
    const RegularFile file(path);
    if (!file.isOpen())
        return failed(failure, LIBRAW_IO_ERROR);
    // Let go of after the decoder.
    DecodeBudget::Hold hold;
    // The decoder object is large (several hundred kilobytes): never on the stack.
    auto raw = std::make_unique<LibRaw>(0);
    libraw_output_params_t& params = raw->imgdata.params;
    params.output_bps = bitsPerSample == 8 ? 8 : 16;
    params.output_color = 1; // sRGB
    params.use_camera_wb = 1;
    params.user_flip = -1; // the camera's orientation

    if (const int code = raw->open_file(file.openablePath().constData()); code != LIBRAW_SUCCESS)
        return failed(failure, code);
    const qint64 width = raw->imgdata.sizes.width;
    const qint64 height = raw->imgdata.sizes.height;
    const int longSide = int(std::max(width, height));
    params.half_size = maxPixel > 0 && longSide / 2 >= maxPixel ? 1 : 0;
    const qint64 developed = params.half_size ? ((width + 1) / 2) * ((height + 1) / 2) : width * height;
    const qint64 sensor = qint64(raw->imgdata.sizes.raw_width) * raw->imgdata.sizes.raw_height;
    const qint64 held = DecodeMemory::raw(sensor, developed, params.output_bps / 8);
    // A thumbnail or a preview waits for its memory among the others; a whole development is a write's.
    std::optional<ReadFailure> refused;
    if (maxPixel > 0) {
        ReadFailure why;
        if (!(hold = VipsSupport::previewHold(developed, held, why)))
            refused = why;
    } else {
        refused = VipsSupport::refusal(developed, std::max(held, DecodeMemory::write({}, developed, 0, 0)));
    }
    if (refused) {
        if (failure)
            *failure = *refused;
        return std::nullopt;
    }
    if (const int code = raw->unpack(); code != LIBRAW_SUCCESS)
        return failed(failure, code);
    if (const int code = raw->dcraw_process(); code != LIBRAW_SUCCESS)
        return failed(failure, code);
    int error = 0;
    libraw_processed_image_t* processed = raw->dcraw_make_mem_image(&error);
    if (!processed)
        return failed(failure, error);
    const auto release = std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)>(
        processed, [](libraw_processed_image_t* p) { LibRaw::dcraw_clear_mem(p); });
    if (processed->type != LIBRAW_IMAGE_BITMAP || processed->colors != 3 || processed->width == 0
        || processed->height == 0)
        return failed(failure, LIBRAW_IO_ERROR);

    Image image;
    image.width = processed->width;
    image.height = processed->height;
    image.bitsPerSample = processed->bits == 16 ? 16 : 8;
    const qsizetype size = qsizetype(image.width) * image.height * 3 * (image.bitsPerSample / 8);
    if (qsizetype(processed->data_size) < size)
        return failed(failure, LIBRAW_IO_ERROR);
    image.pixels = QByteArray(reinterpret_cast<const char*>(processed->data), size);
    return image;
}

std::optional<QSize> orientedSize(const QString& path)
{
    const RegularFile file(path);
    if (!file.isOpen())
        return std::nullopt;
    auto raw = std::make_unique<LibRaw>(0);
    raw->imgdata.params.user_flip = -1;
    if (raw->open_file(file.openablePath().constData()) != LIBRAW_SUCCESS)
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
