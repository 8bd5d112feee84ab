#pragma once

#include "photo/retouch/PhotoRetouchSettings.h"
#include "platform/imaging/FloatImage.h"

#include <QImage>
#include <QString>

#include <optional>

namespace quavel {

// The crop editor's background reads. Each takes plain values, returns plain values and never touches
// the model; they run on the imaging layer's interactive job pool. The editor's writes are the photo
// writer's (PhotoWriter).
namespace CropEditorWork {

// What a load reads.
struct Loaded
{
    // The new session copy of the source; absent when none could be made.
    std::optional<QString> sessionCopy;
    // The working image (at most workingMaxPixel on its long side) and its 8-bit picture; null when the
    // photo cannot be read.
    FloatImage image;
    QImage picture;
    FloatImage watermark;
    FloatImage watermarkFull;
    // Upright width of the full-size file the working image was read from; 0 when unknown.
    int fullWidth = 0;
    // Why the working image is null: an unreadable photo (a damaged one included), one over the pixel
    // budget, or a foreign original, named; empty for the plain unreadable-photo message.
    QString errorMessage;
};

struct Watermarks
{
    FloatImage preview; // at most workingMaxPixel on its long side
    FloatImage full; // full size, upright
};

struct Rendered
{
    FloatImage image;
    QImage picture;
};

// Copies the photo's source (its original when it has one, opened without following a link, else the
// photo itself) into the session folder and reads the working image from the copy (from the source when
// there is none), and the watermark's two images.
Loaded load(const QString& photo, const std::optional<QString>& watermark);
// Both images null for no file or an unreadable one.
Watermarks loadWatermark(const std::optional<QString>& watermark);
// The working image retouched at preview quality; absent when the retoucher gives nothing.
std::optional<Rendered> renderPreview(const PhotoRetouchSettings& settings, const FloatImage& base);

} // namespace CropEditorWork

} // namespace quavel
