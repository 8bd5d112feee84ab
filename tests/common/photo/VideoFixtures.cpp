// Short videos made with FFmpeg's libraries, as phones and cameras record them.
#include "PhotoFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <memory>

namespace quavel::test {

namespace {

// The muxer and the encoder of a file by its extension; the last one for any other name.
struct Container
{
    const char* extension;
    const char* muxer;
    const char* encoder;
};
// The transport stream muxer writes AVCHD's 192-byte packets (a time code before each) under ".m2ts".
const Container kContainers[] = { { "mov", "mov", "mpeg4" }, { "m4v", "ipod", "mpeg4" },
    { "m4p", "ipod", "mpeg4" }, { "3gp", "3gp", "mpeg4" }, { "webm", "webm", "libvpx" },
    { "avi", "avi", "mjpeg" }, { "mpg", "vob", "mpeg2video" }, { "mpeg", "vob", "mpeg2video" },
    { "mts", "mpegts", "mpeg2video" }, { "m2ts", "mpegts", "mpeg2video" }, { "mp4", "mp4", "mpeg4" } };

// A file being written by a muxer, its folders made: open() writes the header once the track is set,
// finish() the trailer; closed and freed with the object.
class Output
{
public:
    Output(const QString& path, const char* muxer)
        : m_name(QFile::encodeName(path))
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        avformat_alloc_output_context2(&format, nullptr, muxer, m_name.constData());
        stream = format ? avformat_new_stream(format, nullptr) : nullptr;
    }
    ~Output()
    {
        if (format)
            avio_closep(&format->pb);
        avformat_free_context(format);
    }
    Q_DISABLE_COPY(Output)

    bool open()
    {
        return avio_open(&format->pb, m_name.constData(), AVIO_FLAG_WRITE) >= 0
            && avformat_write_header(format, nullptr) >= 0;
    }
    bool write(AVPacket* packet)
    {
        packet->stream_index = stream->index;
        return av_interleaved_write_frame(format, packet) >= 0;
    }
    bool finish() { return av_write_trailer(format) == 0; }

    AVFormatContext* format = nullptr;
    AVStream* stream = nullptr;

private:
    QByteArray m_name;
};

struct FreeCodec
{
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// The recipe's picture, the left half one colour and the right half the other, in the frame's format.
bool paint(AVFrame* frame, const VideoRecipe& recipe)
{
    QImage picture(recipe.width, recipe.height, QImage::Format_RGB888);
    picture.fill(recipe.right);
    QPainter(&picture).fillRect(0, 0, recipe.width / 2, recipe.height, recipe.left);
    SwsContext* scaler = sws_getContext(recipe.width, recipe.height, AV_PIX_FMT_RGB24, recipe.width,
        recipe.height, AVPixelFormat(frame->format), SWS_POINT, nullptr, nullptr, nullptr);
    const uint8_t* planes[] = { picture.constBits() };
    const int strides[] = { int(picture.bytesPerLine()) };
    const bool ok
        = scaler && sws_scale(scaler, planes, strides, 0, recipe.height, frame->data, frame->linesize) > 0;
    sws_freeContext(scaler);
    return ok;
}

} // namespace

bool writeVideo(const QString& path, const VideoRecipe& recipe)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    const Container& container = *std::find_if(std::begin(kContainers), std::end(kContainers) - 1,
        [&](const Container& c) { return extension == QLatin1String(c.extension); });
    const AVCodec* codec = avcodec_find_encoder_by_name(recipe.encoder ? recipe.encoder : container.encoder);
    Output output(path, container.muxer);
    if (!codec || !output.stream)
        return false;
    std::unique_ptr<AVCodecContext, FreeCodec> context(avcodec_alloc_context3(codec));
    context->width = recipe.width;
    context->height = recipe.height;
    // The encoder's first format: 4:2:0 for the video codecs, the JPEG range for MJPEG, RGB for PNG.
    context->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    context->time_base = AVRational { 1, 25 };
    context->framerate = AVRational { 25, 1 };
    context->gop_size = 1;
    context->bit_rate = 400000;
    context->thread_count = 1;
    if (output.format->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    bool ok = avcodec_open2(context.get(), codec, nullptr) == 0
        && avcodec_parameters_from_context(output.stream->codecpar, context.get()) >= 0;
    output.stream->time_base = context->time_base;
    if (ok && recipe.rotationDegrees != 0) {
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(output.stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
        // As a phone's portrait video: FFmpeg reads its matrix back as -90 degrees (counter-clockwise),
        // which is what this setter makes of +90.
        av_display_rotation_set(matrix, recipe.rotationDegrees);
    }
    std::unique_ptr<AVFrame, FreeCodec> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, FreeCodec> packet(av_packet_alloc());
    frame->format = context->pix_fmt;
    frame->width = recipe.width;
    frame->height = recipe.height;
    ok = ok && output.open() && av_frame_get_buffer(frame.get(), 0) >= 0 && paint(frame.get(), recipe);
    // Every frame the same picture; the encoder takes a reference of its own.
    for (int i = 0; ok && i <= recipe.frames; ++i) {
        frame->pts = i;
        ok = avcodec_send_frame(context.get(), i < recipe.frames ? frame.get() : nullptr) >= 0;
        while (ok && avcodec_receive_packet(context.get(), packet.get()) == 0) {
            av_packet_rescale_ts(packet.get(), context->time_base, output.stream->time_base);
            ok = output.write(packet.get());
        }
    }
    return ok && output.finish();
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
    std::unique_ptr<AVPacket, FreeCodec> packet(av_packet_alloc());
    if (!output.stream)
        return false;
    output.stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    output.stream->codecpar->codec_id = AV_CODEC_ID_MJPEG;
    output.stream->codecpar->width = declared.width();
    output.stream->codecpar->height = declared.height();
    output.stream->time_base = AVRational { 1, 25 };
    if (!output.open() || av_new_packet(packet.get(), int(jpeg.size())) < 0)
        return false;
    std::copy(jpeg.begin(), jpeg.end(), packet->data);
    packet->pts = packet->dts = 0;
    packet->duration = 1;
    packet->flags |= AV_PKT_FLAG_KEY;
    return output.write(packet.get()) && output.finish();
}

} // namespace quavel::test
