#pragma once

#include <QImage>
#include <QString>

// Frames of videos through FFmpeg. Thread-safe: every call opens the file on its own.
namespace quavel::VideoFrames {

// The frame at time zero, turned as the video track asks (its display rotation) and with its pixel
// aspect applied, scaled down to fit maxPixel × maxPixel (never enlarged). Read only when the file's first
// bytes are a container phones and cameras write (VideoContent), by that container's demuxer, from this
// file alone, in a camera codec, within a deadline of a few seconds, and only when the frame's size
// (declared by the track, else by the frame itself before its pixels are decoded) is within PixelBudget. A
// null image when the file cannot be opened, is not a regular file (never waited on: a FIFO or a device
// under a video's name), is anything else (a playlist, a manifest, an SVG, …), passes a limit, or holds
// no decodable video frame.
QImage firstFrame(const QString& path, int maxPixel);

} // namespace quavel::VideoFrames
