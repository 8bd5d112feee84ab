#pragma once

#include "photo/originals/PhotoEditError.h"
#include "photo/retouch/PhotoRetouchSettings.h"
#include "platform/imaging/FloatImage.h"
#include "platform/imaging/ReadFailure.h"

#include <QString>

#include <functional>

// The decodes of the in-place edits and the errors the photographer sees when one fails. The reads are
// strict and bounded (ImageIO::decode): a damaged file is an unreadable photo, a photo over PixelBudget
// or over one write's memory (DecodeMemory) is refused before its pixels are decoded. Every function may run
// on any thread.
namespace quavel::PhotoReads {

// The photo (its original, or the crop editor's copy of it) at full size, upright. Throws PhotoEditError
// unreadablePhoto, tooLarge or outOfMemory (these two name no file: naming() puts the photo's name in).
FloatImage photo(const QString& path);

// The watermark at full size, upright. Throws PhotoEditError unreadableWatermark, watermarkTooLarge
// (naming the watermark file) or outOfMemory.
FloatImage watermark(const QString& path);

// Refuses, as an unreadable photo, anything but a regular file under the photo's name (a FIFO, a device,
// a folder, a link to one), before its original is kept or anything read. A missing photo passes: the
// steps after it say so.
void requireRegularFile(const QString& photoPath);

// The error of a failed read of a photo.
PhotoEditError photoError(const ReadFailure& failure);

// The retouch every write applies (full quality). Throws PhotoEditError outOfMemory when it cannot be
// made: a photo written unretouched while its journal says otherwise would be a wrong result.
FloatImage retouched(const PhotoRetouchSettings& settings, const FloatImage& image);
// The same written into the planes of an image handed over (PhotoRetoucher::apply of an rvalue): a write
// that has no further use for the photo as read holds one full-size image, not two.
FloatImage retouched(const PhotoRetouchSettings& settings, FloatImage&& image);

// Runs one rewrite of the photo at photoPath. Its budget and memory errors, and any allocation that
// fails in it (std::bad_alloc), reach the caller as PhotoEditError naming the photo, whichever file (its
// original, a session copy) was being read.
void naming(const QString& photoPath, const std::function<void()>& work);

} // namespace quavel::PhotoReads
