#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// The photo tests' files, made in the tests with the real libraries: photos in every format the system
// writes (libvips), short videos (FFmpeg's libraries), and what the tests read back.
namespace quavel::test {

// The four quadrants of a fixture photo as stored: top-left red, top-right green, bottom-left blue,
// bottom-right white. Turning the photo moves them, so a corner's colour tells the orientation.
enum class Quadrant { red, green, blue, white };
QColor quadrantColor(Quadrant q);

struct PhotoRecipe
{
    int width = 64;
    int height = 48;
    int orientation = 1; // EXIF orientation stored in the file (JPEG, TIFF)
    bool alpha = false; // a fourth band: the left half opaque, the right half at alpha 128
    QString profile; // "" for none, else a libvips built-in profile ("srgb", "p3")
    bool metadata = false; // EXIF (an artist), XMP and IPTC besides the orientation
    QColor fill; // valid: one colour instead of the quadrants
    int checker = 0; // > 0: squares of that many pixels, alternately the quadrant's colour and black
};

inline PhotoRecipe sized(
    int width, int height, int orientation = 1, bool alpha = false, const QString& profile = {})
{
    PhotoRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.orientation = orientation;
    recipe.alpha = alpha;
    recipe.profile = profile;
    return recipe;
}

// Writes a photo in the format its extension names (jpg, png, tif, heic, webp) and returns the path.
QString writePhoto(const QString& path, const PhotoRecipe& recipe = {});

// A small camera RAW file LibRaw develops: a linear DNG (three 16-bit samples a pixel, linear sRGB
// primaries) with the quadrants of a fixture photo and an orientation tag.
QString writeLinearDng(const QString& path, int width, int height, int orientation = 1);

// A short MPEG-4 video of frames (left half red, right half blue) with a display rotation in degrees
// clockwise. False when this FFmpeg has no MPEG-4 encoder.
bool writeVideo(const QString& path, int width, int height, int rotationDegrees, int frames = 5);

// What a written file holds, read back with libvips.
struct PhotoInfo
{
    bool readable = false;
    QString loader; // libvips' loader name ("jpegload", "pngload", …)
    int width = 0;
    int height = 0;
    int bands = 0;
    int orientation = 1;
    QByteArray icc;
    bool exif = false; // any EXIF beyond what the encoder writes for the orientation
    bool xmp = false;
    bool iptc = false;
};
PhotoInfo inspect(const QString& path);

// Whether every pixel of the file decodes without a warning (a truncated JPEG decodes with a grey end
// otherwise), and the upright size it then has.
std::optional<QSize> decodesCleanly(const QString& path);

// The file decoded as 8-bit sRGB(A) without turning it.
QImage decodeStored(const QString& path);

// Whether two colours differ by at most tolerance in each channel.
bool near(const QColor& a, const QColor& b, int tolerance = 24);

// Hostile files of an order folder (HostileFixtures.cpp).

// What may stand under a photo's name in a shared or synced folder.
enum class SpecialFile {
    fifo, // a named pipe nobody writes to
    linkToDevZero, // a symbolic link to /dev/zero, endless
    linkToFifo, // a symbolic link to a named pipe beside it
    folder, // a folder
};
// Makes one at path; false when it could not be made.
bool makeSpecialFile(const QString& path, SpecialFile kind);

// A photo that declares width × height pixels and holds almost none of them: a JPEG (its headers up to
// its first scan, nothing after) or a PNG (its header and two rows), by the extension. A full decode fails
// at once for the missing pixels; the header alone tells the size.
QString writeHeaderOnly(const QString& path, int width, int height);

// A whole, valid PNG of width × height black pixels, made in moments whatever its size: its compressed
// rows all repeat (20,000 × 20,000 pixels take 1.6 MB).
QString writeBlankPng(const QString& path, int width, int height);

// Cuts the file to that fraction of its bytes; returns the path.
QString truncateFile(const QString& path, double fraction = 0.5);

// A JPEG fixture photo with three stray bytes before its scan: libjpeg warns ("extraneous bytes before
// marker"), every viewer shows it whole.
QString writeStrayBytesJpeg(const QString& path, const PhotoRecipe& recipe = {});

} // namespace quavel::test
