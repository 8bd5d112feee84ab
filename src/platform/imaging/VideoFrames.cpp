#include "platform/imaging/VideoFrames.h"

#include "platform/files/RegularFile.h"
#include "platform/imaging/PixelBudget.h"
#include "platform/imaging/VideoContent.h"

#include <QByteArrayList>
#include <QTransform>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>

namespace quavel::VideoFrames {

namespace {

// How long one first frame may take, from the open of the file to the frame.
constexpr std::chrono::seconds kDeadline(5);

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

// The codecs phones and cameras record in, each with its decoder (the first of the names this FFmpeg
// has). Nothing else is decoded: no image codec (PNG, SVG, TIFF, EXR, …) that a container may carry.
struct CameraCodec
{
    AVCodecID id;
    const char* decoders[2];
};

const CameraCodec kCameraCodecs[] = {
    { AV_CODEC_ID_H264, { "h264" } },
    { AV_CODEC_ID_HEVC, { "hevc" } },
    { AV_CODEC_ID_MPEG4, { "mpeg4" } },
    // The older phones' 3GP and the older cameras' MPEG-1 movies.
    { AV_CODEC_ID_H263, { "h263" } },
    { AV_CODEC_ID_MPEG1VIDEO, { "mpeg1video" } },
    { AV_CODEC_ID_MPEG2VIDEO, { "mpeg2video" } },
    { AV_CODEC_ID_MJPEG, { "mjpeg" } },
    { AV_CODEC_ID_DVVIDEO, { "dvvideo" } },
    { AV_CODEC_ID_PRORES, { "prores" } },
    { AV_CODEC_ID_VP8, { "vp8" } },
    { AV_CODEC_ID_VP9, { "vp9" } },
    { AV_CODEC_ID_AV1, { "libdav1d", "libaom-av1" } },
};

const AVCodec* cameraDecoder(AVCodecID id)
{
    for (const CameraCodec& codec : kCameraCodecs) {
        if (codec.id != id)
            continue;
        for (const char* name : codec.decoders) {
            if (const AVCodec* decoder = name ? avcodec_find_decoder_by_name(name) : nullptr)
                return decoder;
        }
    }
    return nullptr;
}

// Every camera decoder's name, for FFmpeg's own codec whitelist: whatever opens a decoder inside the
// demuxer is held to the same list.
const char* decoderWhitelist()
{
    static const QByteArray names = [] {
        QByteArrayList list;
        for (const CameraCodec& codec : kCameraCodecs) {
            for (const char* name : codec.decoders) {
                if (name)
                    list.append(name);
            }
        }
        return list.join(',');
    }();
    return names.constData();
}

// The point after which an open or a decode gives up. A phone's 4K video gives its first frame in a
// fraction of a second; a file that takes longer holds a thumbnail thread that other files wait for.
class Deadline
{
public:
    bool passed() const { return std::chrono::steady_clock::now() >= m_end; }
    // FFmpeg's interrupt callback: asked before every read of the file.
    static int interrupt(void* deadline) { return static_cast<const Deadline*>(deadline)->passed() ? 1 : 0; }

private:
    std::chrono::steady_clock::time_point m_end = std::chrono::steady_clock::now() + kDeadline;
};

// The file by the demuxer of its container, never probed: no other demuxer (playlists, manifests, concat
// scripts, images) can be reached, and nothing but this very file is opened.
std::unique_ptr<AVFormatContext, FormatCloser> openContainer(
    const RegularFile& file, VideoContent::Container container, Deadline& deadline)
{
    const AVInputFormat* demuxer = av_find_input_format(VideoContent::demuxerName(container));
    AVFormatContext* format = demuxer ? avformat_alloc_context() : nullptr;
    if (!format)
        return nullptr;
    format->interrupt_callback.callback = &Deadline::interrupt;
    format->interrupt_callback.opaque = &deadline;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", demuxer->name, 0);
    av_dict_set(&options, "codec_whitelist", decoderWhitelist(), 0);
    // A QuickTime track may name other files as its data; they are never opened.
    av_dict_set(&options, "enable_drefs", "0", 0);
    const int opened = avformat_open_input(&format, file.openablePath().constData(), demuxer, &options);
    av_dict_free(&options);
    if (opened < 0)
        return nullptr; // the failed open has freed the context
    return std::unique_ptr<AVFormatContext, FormatCloser>(format);
}

// A track whose first frame may be shown: video of a camera codec, not a cover picture stored beside it.
bool showable(const AVStream* stream)
{
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
        && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && cameraDecoder(stream->codecpar->codec_id);
}

// The track to show among those the container's header declares: the default one, else the first; -1
// when there is none.
int declaredTrack(const AVFormatContext* format)
{
    int first = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (!showable(stream))
            continue;
        if (stream->disposition & AV_DISPOSITION_DEFAULT)
            return int(i);
        if (first < 0)
            first = int(i);
    }
    return first;
}

// The decoder of the track, once the size the track declares is within the pixel budget; the other tracks
// are no longer read. Null when the track declares too many pixels or the decoder cannot be opened.
std::unique_ptr<AVCodecContext, CodecCloser> openDecoder(AVFormatContext* format, int index)
{
    const AVCodecParameters* parameters = format->streams[index]->codecpar;
    // A transport or program stream declares no size before its frames: there the decoder's own
    // bound below refuses the frame.
    if (parameters->width < 0 || parameters->height < 0
        || !PixelBudget::allows(qint64(parameters->width) * parameters->height))
        return nullptr;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (int(i) != index)
            format->streams[i]->discard = AVDISCARD_ALL;
    }
    const AVCodec* decoder = cameraDecoder(parameters->codec_id);
    std::unique_ptr<AVCodecContext, CodecCloser> codec(decoder ? avcodec_alloc_context3(decoder) : nullptr);
    if (!codec || avcodec_parameters_to_context(codec.get(), parameters) < 0)
        return nullptr;
    codec->thread_count = 1; // one frame: threads only add latency
    // Every frame the decoder allocates is held to the budget, whatever the track declared: a frame
    // larger than its track says is refused from its own header, before its pixels exist.
    codec->max_pixels = PixelBudget::kMaxPixels;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "codec_whitelist", decoderWhitelist(), 0);
    const int opened = avcodec_open2(codec.get(), decoder, &options);
    av_dict_free(&options);
    if (opened < 0)
        return nullptr;
    return codec;
}

struct FirstFrame
{
    std::unique_ptr<AVFrame, FrameFree> frame;
    const AVStream* stream = nullptr;
};

// Reads and decodes until the first frame of the track to show comes out. A container without a header
// (a transport or program stream) makes its tracks known with their packets: the first showable one is
// taken.
FirstFrame decodeFirst(AVFormatContext* format, const Deadline& deadline)
{
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!frame || !packet)
        return {};
    const bool headerless = format->ctx_flags & AVFMTCTX_NOHEADER;
    int index = declaredTrack(format);
    std::unique_ptr<AVCodecContext, CodecCloser> codec;
    if (index >= 0) {
        codec = openDecoder(format, index);
        if (!codec)
            return {};
    } else if (!headerless) {
        return {};
    }
    bool draining = false;
    while (!deadline.passed()) {
        if (codec) {
            const int received = avcodec_receive_frame(codec.get(), frame.get());
            if (received == 0)
                return { std::move(frame), format->streams[index] };
            if (received != AVERROR(EAGAIN) || draining)
                return {};
        }
        if (av_read_frame(format, packet.get()) < 0) {
            if (!codec)
                return {};
            // End of file: flush the decoder for frames it still holds.
            draining = true;
            avcodec_send_packet(codec.get(), nullptr);
            continue;
        }
        if (!codec && showable(format->streams[packet->stream_index])) {
            index = packet->stream_index;
            codec = openDecoder(format, index);
            if (!codec)
                return {};
        }
        if (packet->stream_index != index) {
            av_packet_unref(packet.get());
            continue;
        }
        const int sent = avcodec_send_packet(codec.get(), packet.get());
        av_packet_unref(packet.get());
        if (sent < 0 && sent != AVERROR(EAGAIN))
            return {};
    }
    return {};
}

} // namespace

QImage firstFrame(const QString& path, int maxPixel)
{
    if (maxPixel < 1)
        return {};
    // Only a regular file, opened without waiting, and only when its first bytes are a camera's or a
    // phone's container; FFmpeg opens this very file again by the descriptor's name while it is held
    // open here.
    const RegularFile file(path);
    const std::optional<VideoContent::Container> container = VideoContent::examine(file);
    if (!container)
        return {};
    Deadline deadline;
    const auto format = openContainer(file, *container, deadline);
    if (!format)
        return {};
    const FirstFrame first = decodeFirst(format.get(), deadline);
    const AVFrame* frame = first.frame.get();
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return {};
    const AVStream* stream = first.stream;

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
