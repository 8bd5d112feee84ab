#pragma once

#include "platform/imaging/DecodeBudget.h"
#include "platform/imaging/ImageContent.h"
#include "platform/imaging/PixelBudget.h"
#include "platform/imaging/ReadFailure.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include "platform/imaging/Vips.h"

#include <atomic>
#include <optional>
#include <vector>

// Internal to the imaging layer: libvips set-up shared by the readers and writers.
namespace quavel::VipsSupport {

// Starts libvips once per process, with its operation cache off: a photo rewritten in place must never
// be answered from a cached decode of its former content. Every loader but those of kKeptLoaders is
// blocked there for the whole process (ImageMagick, librsvg, poppler, OpenSlide, the text and matrix
// loaders, and all that libvips marks untrusted): whatever a file or a call asks for, they never run.
void ensureStarted();

// The libvips loader classes left to run, with their file, buffer and source variants: JPEG, PNG, TIFF,
// WebP, HEIF and GIF (the formats ImageContent names).
inline constexpr const char* kKeptLoaders[] = { "VipsForeignLoadJpeg", "VipsForeignLoadPng",
    "VipsForeignLoadTiff", "VipsForeignLoadWebp", "VipsForeignLoadHeif", "VipsForeignLoadNsgif" };

// The file `name` (a RegularFile's openable path) loaded by the libvips loader of its format, never by
// one libvips would choose by sniffing. Not for BMP (bmp()). Throws vips::VError as the loaders do.
vips::VImage load(const QByteArray& name, ImageContent::Format format, vips::VOption* options = nullptr);

// The pixel size a BMP file's header declares; absent when Qt's BMP reader cannot read it.
std::optional<QSize> bmpSize(const QByteArray& name);

// A BMP file read whole by Qt's own BMP reader, as 8-bit sRGB (three bands, four with alpha); absent
// with failure set when it cannot be read or would pass PixelBudget (refused from its header).
std::optional<vips::VImage> bmp(const QByteArray& name, ReadFailure& failure);

// The file name in the form libvips opens (for writing: reads go through RegularFile::openablePath).
QByteArray fileName(const QString& path);

// The ICC profile the image carries; empty when it has none.
QByteArray iccProfile(const vips::VImage& image);

// The loader libvips chose for an image read from a file ("jpegload", "pngload", …); empty when none.
QByteArray loaderOf(const vips::VImage& image);

// The EXIF orientation of a header, 1 when it has none.
int orientationOf(const vips::VImage& image);

// The factor a JPEG brought down to a long side of maxSide is decoded at by its DCT scaling: 2, 4 or 8,
// leaving a factor of two for the final reduction (libvips' thumbnail takes the same); 1 for any other
// format or without maxSide.
int jpegShrink(const vips::VImage& header, std::optional<int> maxSide);

// How many pixels the decode of the image whose header this is produces: with maxSide, a JPEG decodes
// at jpegShrink; every other format, and any format without maxSide, decodes all the pixels its header
// declares.
qint64 decodedPixels(const vips::VImage& header, std::optional<int> maxSide = std::nullopt);

// The failures of a load, seen whatever comes after it. libvips' threaded operations that cache what
// they read (shrink, reduce, rot) may drop the error of the loader beneath them, and a truncated file
// then decodes as if whole, with made-up pixels: a strict read passes the loader's output through
// watch(), which notes every request the loader failed before handing the failure on. One object per
// decode, alive until its pipeline has run; any thread.
class LoadWatch
{
public:
    vips::VImage watch(const vips::VImage& loaded);
    bool failed() const { return m_failed.load(); }

private:
    std::atomic<bool> m_failed { false };
    std::vector<vips::VImage> m_loaded; // held while the pipelines read them
};

// The photo of the file `name` (its header read already, by the loader of format) brought down to fit maxSide
// × maxSide (never enlarged) and turned upright, decoded at a reduced size where the format allows it
// (jpegShrink), failing on what failOn says, its load watched by watch when one is given. Without upright the
// photo is left as stored, its orientation still tagged (libvips turns it on its worker threads).
vips::VImage fitted(const QByteArray& name, ImageContent::Format format, const vips::VImage& header,
    int maxSide, VipsFailOn failOn, LoadWatch* watch, bool upright = true);

// The budget's refusal of a decode of that many pixels that holds that many bytes at its peak
// (DecodeMemory), against a memory budget of that many bytes; absent when both budgets allow it. A
// refusal by memory says how many pixels of this file's kind the memory budget allows.
std::optional<ReadFailure> refusal(
    qint64 pixels, qint64 bytes = 0, qint64 memoryBudget = qint64(PixelBudget::kWriteMemory));

// A shrinking read's hold on the bytes its decode holds, for that many decoded pixels, in the budget
// of thumbnails and previews (DecodeBudget::previews()), waiting its turn. Empty, with failure set, when
// the bytes alone pass the budget (tooLarge) or the waits were abandoned at the exit (unreadable).
DecodeBudget::Hold previewHold(qint64 pixels, qint64 bytes, ReadFailure& failure);

// Why a libvips call failed, from its message: out of memory, or an unreadable file.
ReadFailure failureOf(const char* message);

// The same for a C call that just failed, from libvips' error buffer, which is then cleared.
ReadFailure takeFailure();

// The same for the exception being handled, from inside a catch (...) block of a read through libvips:
// a vips::VError as failureOf() reads it, libvips' error buffer then cleared; std::bad_alloc as out of
// memory. Any other exception is thrown on, unchanged.
ReadFailure caughtFailure();

} // namespace quavel::VipsSupport
