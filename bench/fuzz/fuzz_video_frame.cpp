// Any bytes as a video file, through the read every video thumbnail and preview takes: the routing by the
// first bytes, the container's own demuxer, the camera decoders, the pixel budget and the deadline.
// Nothing is read from bytes that name no camera or phone container; a frame fits its box.
#include "FuzzChecks.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/VideoContent.h"
#include "platform/imaging/VideoFrames.h"

#include <QFile>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstdint>

using namespace quavel;
using fuzz::check;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // FFmpeg's complaints about damaged input would fill the log and slow every run.
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString folder = fuzz::scratchFolder("video_frame");
    // A video's name: the route must come from the bytes, never from it.
    const QString path = folder + QStringLiteral("/MVI_0001.MOV");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const bool routed = VideoContent::examine(RegularFile(path)).has_value();
    const int box = 64;
    const QImage frame = VideoFrames::firstFrame(path, box);
    if (!routed)
        check(frame.isNull(), "bytes that name no camera container reach no demuxer");
    check(frame.isNull() || std::max(frame.width(), frame.height()) <= box, "a frame fits its box");
    return 0;
}
