#include "platform/imaging/VideoFrames.h"

#include "platform/files/RegularFile.h"

#include <QTransform>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <memory>

namespace quavel::VideoFrames {

namespace {

struct FormatCloser
{
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser
{
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree
{
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScaleFree
{
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

// The track's display rotation in whole quarter turns clockwise (0 to 3).
int quarterTurns(const AVStream* stream)
{
    size_t size = 0;
    const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || size < 9 * sizeof(int32_t))
        return 0;
    // FFmpeg gives the counter-clockwise angle that turns the frame upright.
    const double degrees = -av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (!std::isfinite(degrees))
        return 0;
    const long turns = std::lround(degrees / 90.0);
    return int(((turns % 4) + 4) % 4);
}

// Decodes until the first frame of the stream comes out.
std::unique_ptr<AVFrame, FrameFree> decodeFirst(AVFormatContext* format, AVCodecContext* codec, int index)
{
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!frame || !packet)
        return nullptr;
    bool draining = false;
    for (;;) {
        const int received = avcodec_receive_frame(codec, frame.get());
        if (received == 0)
            return frame;
        if (received != AVERROR(EAGAIN) || draining)
            return nullptr;
        int read = av_read_frame(format, packet.get());
        while (read >= 0 && packet->stream_index != index) {
            av_packet_unref(packet.get());
            read = av_read_frame(format, packet.get());
        }
        if (read < 0) {
            // End of file: flush the decoder for frames it still holds.
            draining = true;
            avcodec_send_packet(codec, nullptr);
            continue;
        }
        const int sent = avcodec_send_packet(codec, packet.get());
        av_packet_unref(packet.get());
        if (sent < 0 && sent != AVERROR(EAGAIN))
            return nullptr;
    }
}

} // namespace

QImage firstFrame(const QString& path, int maxPixel)
{
    if (maxPixel < 1)
        return {};
    // Only a regular file, opened without waiting; FFmpeg opens this very file again by the descriptor's
    // name while it is held open here.
    const RegularFile file(path);
    if (!file.isOpen())
        return {};
    AVFormatContext* rawFormat = nullptr;
    if (avformat_open_input(&rawFormat, file.openablePath().constData(), nullptr, nullptr) < 0)
        return {};
    std::unique_ptr<AVFormatContext, FormatCloser> format(rawFormat);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return {};
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index < 0 || !decoder)
        return {};
    AVStream* stream = format->streams[index];

    std::unique_ptr<AVCodecContext, CodecCloser> codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0)
        return {};
    codec->thread_count = 1; // one frame: threads only add latency
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return {};

    const auto frame = decodeFirst(format.get(), codec.get(), index);
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return {};

    // The size the frame is shown at: its pixel aspect applied to the width.
    AVRational sar = frame->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = stream->sample_aspect_ratio;
    double shownWidth = frame->width;
    if (sar.num > 0 && sar.den > 0)
        shownWidth = frame->width * double(sar.num) / sar.den;
    const double shownHeight = frame->height;
    const double scale = std::min(1.0, double(maxPixel) / std::max(shownWidth, shownHeight));
    const int width = std::max(1, int(std::lround(shownWidth * scale)));
    const int height = std::max(1, int(std::lround(shownHeight * scale)));

    std::unique_ptr<SwsContext, ScaleFree> scaler(sws_getContext(frame->width, frame->height,
        AVPixelFormat(frame->format), width, height, AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr));
    if (!scaler)
        return {};
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return {};
    uint8_t* planes[4] = { image.bits(), nullptr, nullptr, nullptr };
    int strides[4] = { int(image.bytesPerLine()), 0, 0, 0 };
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides) <= 0)
        return {};

    if (const int turns = quarterTurns(stream))
        image = image.transformed(QTransform().rotate(90.0 * turns));
    return image;
}

} // namespace quavel::VideoFrames
