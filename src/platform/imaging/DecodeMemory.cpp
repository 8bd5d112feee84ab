#include "platform/imaging/DecodeMemory.h"

#include "platform/imaging/PixelBudget.h"
#include "platform/imaging/VipsSupport.h"

#include <algorithm>
#include <cmath>

namespace quavel::DecodeMemory {

namespace {

qint64 roundedUp(qint64 value, qint64 step)
{
    return (value + step - 1) / step * step;
}

} // namespace

qint64 jpegCoefficients(const JpegFrame& frame, int width, int height)
{
    if (!frame.multiScan)
        return 0;
    if (frame.isKnown()) {
        width = frame.width;
        height = frame.height;
    }
    const int components = frame.isKnown() ? frame.components : 3;
    int maxH = 1;
    int maxV = 1;
    for (int c = 0; c < components; ++c) {
        maxH = std::max(maxH, frame.isKnown() ? frame.horizontal[std::size_t(c)] : 1);
        maxV = std::max(maxV, frame.isKnown() ? frame.vertical[std::size_t(c)] : 1);
    }
    // As libjpeg sizes its whole-image buffer: each component's blocks, rounded up to whole MCUs.
    qint64 blocks = 0;
    for (int c = 0; c < components; ++c) {
        const qint64 h = frame.isKnown() ? frame.horizontal[std::size_t(c)] : 1;
        const qint64 v = frame.isKnown() ? frame.vertical[std::size_t(c)] : 1;
        const qint64 across = (qint64(width) * h + 8 * maxH - 1) / (8 * maxH);
        const qint64 down = (qint64(height) * v + 8 * maxV - 1) / (8 * maxV);
        blocks += roundedUp(across, h) * roundedUp(down, v);
    }
    return blocks * 64 * 2;
}

qint64 shrinkingRead(const JpegFrame& frame, const vips::VImage& header, std::optional<int> maxSide)
{
    const qint64 sample = qint64(vips_format_sizeof(header.format()));
    const qint64 decoded = VipsSupport::decodedPixels(header, maxSide) * header.bands() * sample;
    return jpegCoefficients(frame, header.width(), header.height()) + decoded;
}

qint64 write(const JpegFrame& frame, qint64 pixels, int width, int height)
{
    const auto steps = qint64(std::ceil(PixelBudget::kWriteBytesPerPixel * double(pixels)));
    return std::max(steps, kFloatBytesPerPixel * pixels + jpegCoefficients(frame, width, height));
}

qint64 bmp(qint64 pixels)
{
    return pixels * (4 + 4 + 4);
}

qint64 raw(qint64 sensorPixels, qint64 developedPixels, int bytesPerSample)
{
    return sensorPixels * 2 + developedPixels * 8 + developedPixels * 3 * bytesPerSample * 2;
}

} // namespace quavel::DecodeMemory
