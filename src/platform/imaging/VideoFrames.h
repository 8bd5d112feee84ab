#pragma once

#include <QImage>
#include <QString>

// Frames of videos through FFmpeg. Thread-safe: every call opens the file on its own.
namespace quavel::VideoFrames {

// The frame at time zero, turned as the video track asks (its display rotation) and with its pixel
// aspect applied, scaled down to fit maxPixel × maxPixel (never enlarged). A null image when the file
// cannot be opened, is not a regular file (never waited on: a FIFO or a device under a video's name), or
// holds no decodable video frame.
QImage firstFrame(const QString& path, int maxPixel);

} // namespace quavel::VideoFrames
