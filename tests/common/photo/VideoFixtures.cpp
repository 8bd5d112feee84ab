// Short videos made with FFmpeg's libraries, as phones and cameras record them.
#include "PhotoFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>

namespace quavel::test {

namespace {

// The muxer and the encoder a file of that extension is written with.
struct Container
{
    const char* muxer;
    const char* encoder;
};

Container containerOf(const QString& extension)
{
    const QString e = extension.toLower();
    if (e == "mov")
        return { "mov", "mpeg4" };
    if (e == "m4v" || e == "m4p")
        return { "ipod", "mpeg4" };
    if (e == "3gp")
        return { "3gp", "mpeg4" };
    if (e == "webm")
        return { "webm", "libvpx" };
    if (e == "avi")
        return { "avi", "mjpeg" };
    if (e == "mpg" || e == "mpeg")
        return { "vob", "mpeg2video" };
    if (e == "mts" || e == "m2ts")
        return { "mpegts", "mpeg2video" };
    return { "mp4", "mpeg4" };
}

// A colour as 8-bit Y, Cb and Cr: studio range (BT.601), or full range for the JPEG formats.
struct Yuv
{
    int y, u, v;
};

Yuv yuvOf(const QColor& c, bool fullRange)
{
    const double r = c.redF(), g = c.greenF(), b = c.blueF();
    const auto byte = [](double x) { return std::clamp(int(std::lround(x)), 0, 255); };
    if (fullRange)
        return { byte(255 * (0.299 * r + 0.587 * g + 0.114 * b)),
            byte(128 + 255 * (-0.168736 * r - 0.331264 * g + 0.5 * b)),
            byte(128 + 255 * (0.5 * r - 0.418688 * g - 0.081312 * b)) };
    return { byte(16 + 65.481 * r + 128.553 * g + 24.966 * b),
        byte(128 - 37.797 * r - 74.203 * g + 112.0 * b), byte(128 + 112.0 * r - 93.786 * g - 18.214 * b) };
}

// The pixel format the encoder takes the frames in: 4:2:0, in the JPEG range for MJPEG, or RGB for an
// image codec that takes no YUV.
AVPixelFormat pixelFormatOf(const AVCodec* codec)
{
    if (codec->id == AV_CODEC_ID_MJPEG)
        return AV_PIX_FMT_YUVJ420P;
    bool rgb = false;
    for (const AVPixelFormat* f = codec->pix_fmts; f && *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == AV_PIX_FMT_YUV420P)
            return AV_PIX_FMT_YUV420P;
        rgb = rgb || *f == AV_PIX_FMT_RGB24;
    }
    return rgb ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_YUV420P;
}

// Paints the frame: the left half one colour, the right half the other.
void paint(AVFrame* frame, const VideoRecipe& recipe)
{
    const int w = frame->width, h = frame->height;
    if (frame->format == AV_PIX_FMT_RGB24) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const QColor& c = x < w / 2 ? recipe.left : recipe.right;
                uint8_t* p = frame->data[0] + y * frame->linesize[0] + 3 * x;
                p[0] = uint8_t(c.red());
                p[1] = uint8_t(c.green());
                p[2] = uint8_t(c.blue());
            }
        }
        return;
    }
    const bool fullRange = frame->format == AV_PIX_FMT_YUVJ420P;
    const Yuv left = yuvOf(recipe.left, fullRange);
    const Yuv right = yuvOf(recipe.right, fullRange);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            frame->data[0][y * frame->linesize[0] + x] = uint8_t(x < w / 2 ? left.y : right.y);
    for (int y = 0; y < (h + 1) / 2; ++y) {
        for (int x = 0; x < (w + 1) / 2; ++x) {
            const bool isLeft = x < w / 4;
            frame->data[1][y * frame->linesize[1] + x] = uint8_t(isLeft ? left.u : right.u);
            frame->data[2][y * frame->linesize[2] + x] = uint8_t(isLeft ? left.v : right.v);
        }
    }
}

// An output file, its folders made: the muxer's context with its file open, closed and freed with the
// object.
class Output
{
public:
    Output(const QString& path, const char* muxer)
        : m_name(QFile::encodeName(path))
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (avformat_alloc_output_context2(&m_format, nullptr, muxer, m_name.constData()) < 0)
            m_format = nullptr;
    }
    ~Output()
    {
        if (!m_format)
            return;
        avio_closep(&m_format->pb);
        avformat_free_context(m_format);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    AVFormatContext* get() const { return m_format; }
    bool open(AVDictionary** options)
    {
        return avio_open(&m_format->pb, m_name.constData(), AVIO_FLAG_WRITE) >= 0
            && avformat_write_header(m_format, options) >= 0;
    }

private:
    QByteArray m_name;
    AVFormatContext* m_format = nullptr;
};

} // namespace

bool writeVideo(const QString& path, const VideoRecipe& recipe)
{
    const Container container = containerOf(QFileInfo(path).suffix());
    const AVCodec* codec = avcodec_find_encoder_by_name(recipe.encoder ? recipe.encoder : container.encoder);
    if (!codec)
        return false;
    Output output(path, container.muxer);
    AVFormatContext* format = output.get();
    if (!format)
        return false;
    AVStream* stream = avformat_new_stream(format, nullptr);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->width = recipe.width;
    context->height = recipe.height;
    context->pix_fmt = pixelFormatOf(codec);
    context->time_base = AVRational { 1, 25 };
    context->framerate = AVRational { 25, 1 };
    context->gop_size = 1;
    context->bit_rate = 400000;
    context->thread_count = 1;
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    bool ok = avcodec_open2(context, codec, nullptr) == 0;
    ok = ok && avcodec_parameters_from_context(stream->codecpar, context) >= 0;
    stream->time_base = context->time_base;
    if (ok && recipe.rotationDegrees != 0) {
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
        // As a phone's portrait video: FFmpeg reads its matrix back as -90 degrees (counter-clockwise),
        // which is what this setter makes of +90.
        av_display_rotation_set(matrix, recipe.rotationDegrees);
    }
    AVDictionary* options = nullptr;
    // AVCHD's 192-byte packets (a time code before each) for ".m2ts", plain 188-byte ones for ".mts".
    if (QString::fromLatin1(container.muxer) == "mpegts")
        av_dict_set(&options, "mpegts_m2ts_mode", path.endsWith("m2ts", Qt::CaseInsensitive) ? "1" : "0", 0);
    ok = ok && output.open(&options);
    av_dict_free(&options);

    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    frame->format = context->pix_fmt;
    frame->width = recipe.width;
    frame->height = recipe.height;
    ok = ok && av_frame_get_buffer(frame, 0) >= 0;
    const auto drain = [&] {
        while (avcodec_receive_packet(context, packet) == 0) {
            av_packet_rescale_ts(packet, context->time_base, stream->time_base);
            packet->stream_index = stream->index;
            av_interleaved_write_frame(format, packet);
        }
    };
    for (int i = 0; ok && i < recipe.frames; ++i) {
        ok = av_frame_make_writable(frame) >= 0;
        paint(frame, recipe);
        frame->pts = i;
        ok = ok && avcodec_send_frame(context, frame) >= 0;
        drain();
    }
    avcodec_send_frame(context, nullptr);
    drain();
    if (ok)
        ok = av_write_trailer(format) == 0;
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
    return ok;
}

bool writeVideo(const QString& path, int width, int height, int rotationDegrees, int frames)
{
    VideoRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.rotationDegrees = rotationDegrees;
    recipe.frames = frames;
    return writeVideo(path, recipe);
}

bool writeMjpegMov(const QString& path, const QByteArray& jpeg, QSize declared)
{
    Output output(path, "mov");
    AVFormatContext* format = output.get();
    if (!format)
        return false;
    AVStream* stream = avformat_new_stream(format, nullptr);
    stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    stream->codecpar->codec_id = AV_CODEC_ID_MJPEG;
    stream->codecpar->width = declared.width();
    stream->codecpar->height = declared.height();
    stream->time_base = AVRational { 1, 25 };
    if (!output.open(nullptr))
        return false;
    AVPacket* packet = av_packet_alloc();
    bool ok = av_new_packet(packet, int(jpeg.size())) >= 0;
    if (ok) {
        std::copy(jpeg.begin(), jpeg.end(), packet->data);
        packet->pts = packet->dts = 0;
        packet->duration = 1;
        packet->flags |= AV_PKT_FLAG_KEY;
        packet->stream_index = stream->index;
        ok = av_interleaved_write_frame(format, packet) >= 0 && av_write_trailer(format) == 0;
    }
    av_packet_free(&packet);
    return ok;
}

} // namespace quavel::test
