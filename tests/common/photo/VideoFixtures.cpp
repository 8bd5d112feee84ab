// Short videos made with FFmpeg's libraries, as a phone records them.
#include "PhotoFixtures.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
}

namespace quavel::test {

bool writeVideo(const QString& path, int width, int height, int rotationDegrees, int frames)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!codec)
        return false;
    AVFormatContext* format = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (avformat_alloc_output_context2(&format, nullptr, "mp4", name.constData()) < 0)
        return false;
    AVStream* stream = avformat_new_stream(format, nullptr);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational { 1, 10 };
    context->framerate = AVRational { 10, 1 };
    context->gop_size = 1;
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    bool ok = avcodec_open2(context, codec, nullptr) == 0;
    ok = ok && avcodec_parameters_from_context(stream->codecpar, context) >= 0;
    stream->time_base = context->time_base;
    if (ok && rotationDegrees != 0) {
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
        // As a phone's portrait video: FFmpeg reads its matrix back as -90 degrees (counter-clockwise),
        // which is what this setter makes of +90.
        av_display_rotation_set(matrix, rotationDegrees);
    }
    ok = ok && avio_open(&format->pb, name.constData(), AVIO_FLAG_WRITE) >= 0;
    ok = ok && avformat_write_header(format, nullptr) >= 0;

    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    frame->format = context->pix_fmt;
    frame->width = width;
    frame->height = height;
    ok = ok && av_frame_get_buffer(frame, 0) >= 0;
    const auto drain = [&] {
        while (avcodec_receive_packet(context, packet) == 0) {
            av_packet_rescale_ts(packet, context->time_base, stream->time_base);
            packet->stream_index = stream->index;
            av_interleaved_write_frame(format, packet);
        }
    };
    for (int i = 0; ok && i < frames; ++i) {
        av_frame_make_writable(frame);
        // Red (Y 81, U 90, V 240) on the left, blue (Y 41, U 240, V 110) on the right.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                frame->data[0][y * frame->linesize[0] + x] = x < width / 2 ? 81 : 41;
        for (int y = 0; y < height / 2; ++y) {
            for (int x = 0; x < width / 2; ++x) {
                const bool left = x < width / 4;
                frame->data[1][y * frame->linesize[1] + x] = left ? 90 : 240;
                frame->data[2][y * frame->linesize[2] + x] = left ? 240 : 110;
            }
        }
        frame->pts = i;
        ok = avcodec_send_frame(context, frame) >= 0;
        drain();
    }
    avcodec_send_frame(context, nullptr);
    drain();
    if (ok)
        av_write_trailer(format);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
    avio_closep(&format->pb);
    avformat_free_context(format);
    return ok;
}

} // namespace quavel::test
