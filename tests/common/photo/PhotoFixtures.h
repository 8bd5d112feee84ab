#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace quavel {
class FloatImage;
}

// The one builder of the photo, orders and print tests' files, made with the real libraries in the
// test's temporary folder: photos in every format the system reads or writes (libvips), camera RAW
// files, short videos (FFmpeg's libraries), watermarks, order folders with their sections, edit journals
// and the hostile files of shared folders, with what the tests read back from them.
namespace quavel::test {

// The four quadrants of a fixture photo as stored: top-left red, top-right green, bottom-left blue,
// bottom-right white. Turning the photo moves them, so a corner's colour tells the orientation.
enum class Quadrant { red, green, blue, white };
QColor quadrantColor(Quadrant q);

struct PhotoRecipe
{
    int width = 64;
    int height = 48;
    int orientation = 1; // EXIF orientation stored in the file (JPEG, TIFF, WebP, HEIF)
    bool alpha = false; // a fourth band: the left half opaque, the right half at alpha 128
    QString profile; // "" for none, else a libvips built-in profile ("srgb", "p3")
    bool metadata = false; // EXIF (an artist), XMP and IPTC besides the orientation
    QColor fill; // valid: one colour instead of the quadrants; an alpha below 255 gives a fourth band
    bool band = false; // with fill: a lighter band across the middle third, so thumbnails tell photos apart
    int checker = 0; // > 0: squares of that many pixels, alternately the quadrant's colour and black
    int quality = 95; // JPEG, HEIF and WebP
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

// A photo of one colour.
inline PhotoRecipe filled(int width, int height, const QColor& colour)
{
    PhotoRecipe recipe = sized(width, height);
    recipe.fill = colour;
    return recipe;
}

// Writes the bytes to the file (its folders made); returns the path.
QString writeBytes(const QString& path, const QByteArray& bytes);

// Writes a photo in the format its extension names (jpg, png, tif, heic, webp), its folders made, and
// returns the path: from a recipe, from a picture the test drew (with that EXIF orientation), or from a
// float image through the image layer's own encoder, as the photo writer writes its results.
QString writePhoto(const QString& path, const PhotoRecipe& recipe = {});
QString writePhoto(const QString& path, const QImage& picture, int orientation = 1, int quality = 95);
QString writePhoto(const QString& path, const FloatImage& image, double quality = 0.97);
// The file writePhoto writes, as bytes: for tests that place them under several names or cut them.
QByteArray photoBytes(const QString& extension, const PhotoRecipe& recipe);
QByteArray photoBytes(const QString& extension, const QImage& picture, int orientation = 1, int quality = 95);

// A small camera RAW file LibRaw develops: a linear DNG (three 16-bit samples a pixel, linear sRGB
// primaries) with the quadrants of a fixture photo and an orientation tag.
QString writeLinearDng(const QString& path, int width, int height, int orientation = 1);

// A short video of frames, the left half one colour and the right half another, in the container its
// extension names as phones and cameras write it: mp4 and 3gp (MPEG-4), mov (MPEG-4, with the display
// rotation in degrees clockwise), m4v and m4p (iTunes' MP4), webm (VP8), avi (MJPEG), mpg
// and mpeg (an MPEG-2 program stream), mts (an MPEG-2 transport stream of 188-byte packets) and m2ts
// (AVCHD's 192-byte packets); any other name gets an MP4. The encoder may be named instead (FFmpeg's
// name: "libx264", "libvpx-vp9", "png", …). False when this FFmpeg lacks the encoder or the container refuses
// it.
struct VideoRecipe
{
    int width = 64;
    int height = 48;
    int rotationDegrees = 0;
    int frames = 5;
    QColor left = Qt::red;
    QColor right = Qt::blue;
    const char* encoder = nullptr;
};
bool writeVideo(const QString& path, const VideoRecipe& recipe);
// An MPEG-4 video of frames, left half red and right half blue.
bool writeVideo(const QString& path, int width, int height, int rotationDegrees, int frames = 5);
// A QuickTime video of one MJPEG frame, these JPEG bytes, whose track declares that frame size (a camera's
// MJPEG clip when the two agree).
bool writeMjpegMov(const QString& path, const QByteArray& jpeg, QSize declared);

// Pictures drawn for the screens' tests: an outdoor scene with a clear horizon (so that a turn shows),
// and a watermark of white text on a transparent strip.
QImage arenaPhoto(QSize size = QSize(1200, 800));
QImage watermarkStrip(QSize size = QSize(1600, 300));

// A watermark (PNG): one colour with its alpha, or the lettered strip of watermarkStrip.
QString writeWatermark(
    const QString& path, QSize size = QSize(96, 64), const QColor& colour = QColor(255, 255, 255, 128));
QString writeLetteredWatermark(const QString& path, QSize size = QSize(800, 150));

// An order folder under root: one folder per section holding its files, for each image name a banded
// photo of the next colour (red, green, blue, yellow, …), a short video for each ".mp4" or ".mov" name,
// and "data" under any other. Returns the order's path.
struct SectionFiles
{
    QString name;
    QStringList files;
};
QString writeOrder(const QString& root, const QString& order, const QList<SectionFiles>& sections,
    QSize photoSize = QSize(90, 60));

// A photo's edit journal where the photo services keep it, written as these bytes. Returns its path.
QString writeJournal(const QString& photo, const QByteArray& bytes);

// Until the photo work in flight (the crop editor's loads, previews and writes, the batches, thumbnails)
// has ended and what it reported has been delivered on this thread, however many rounds of work those
// results start: what a test waits for instead of sleeping. False when it has not within timeoutMs.
bool waitForPhotoWork(int timeoutMs = 30000);

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

// The mean of the red samples, decoded by the image layer (a grey photo's level); -1 when unreadable.
float meanRed(const QString& path);

// Whether two colours differ by at most tolerance in each channel.
bool near(const QColor& a, const QColor& b, int tolerance = 24);

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

// Content that is not a photo, as it may stand under a photo's or a watermark's name: what ImageMagick,
// librsvg, poppler or libvips' text loaders would render, each drawing red where it draws anything.
enum class ForeignContent {
    svg, // its <svg> tag pushed past byte 1,000 by a comment, an <image> naming privateImage
    turbulence, // an SVG of 6000 × 4000 under feTurbulence numOctaves="300": minutes a render
    pdf,
    postscript,
    magickText, // ImageMagick's pixel enumeration text
    xpm,
    matrixText, // libvips' matrix text
    hlsPlaylist, // an HLS playlist of one segment, privateImage (FFmpeg's demuxers)
    dashManifest, // a DASH manifest of one representation, privateImage
    concatScript, // an ffconcat script of one file, privateImage
};
// The bytes of that content; privateImage is the path an SVG's <image href> or a playlist names
// (absolute, or relative to the working folder).
QByteArray foreignBytes(ForeignContent kind, const QString& privateImage = {});

// A progressive JPEG of the recipe in exactly that many scans (2 to 190), a valid progression: the DC
// of the three colours in one scan, then each colour's AC coefficients in bands of their own.
QByteArray progressiveJpeg(int scans, const PhotoRecipe& recipe = {});
// A progressive JPEG of the recipe whose last scan is repeated until the file holds that many scans.
QByteArray manyScanJpeg(int scans, const PhotoRecipe& recipe = {});
// A JPEG of width × height pixels of one grey (128), in exactly that many scans: 1 for a baseline JPEG,
// 2 to 190 for a progressive one (a valid progression, as progressiveJpeg's), its chroma sampled at full
// size (4:4:4) or subsampled (4:2:0). Written byte by byte: 200 megapixels take a moment to make and
// about a megabyte when progressive (six when baseline).
QByteArray flatJpeg(int width, int height, int scans, bool subsampled = false);
// A TIFF of that many 1 × 1 grey pages, each directory chained to the next (about 114 bytes a page).
struct TiffChain
{
    bool bigEndian = false;
    bool bigTiff = false;
    bool loopBack = false; // the last directory chained to the first again
    int extraEntries = 0; // private tags of no meaning added to each directory (libtiff reads 4,096 at most)
};
QByteArray chainedTiff(int pages, const TiffChain& chain = {});
// The JPEG with an EXIF segment first, as cameras write it: an orientation and a small baseline JPEG
// thumbnail inside the segment (its own start, tables, scan and end of image).
QByteArray withExifThumbnail(const QByteArray& jpeg);
// A TIFF of the recipe (one strip) whose strip table declares that many strips.
QByteArray overStripedTiff(int strips, const PhotoRecipe& recipe = {});
// A PNG of the recipe with a text chunk of that many bytes before its pixels.
QByteArray pngWithText(qsizetype textBytes, const PhotoRecipe& recipe = {});
// The recipe's picture as a GIF (libvips) or a BMP (Qt's writer), by the extension "gif" or "bmp".
QByteArray paletteBytes(const QString& extension, const PhotoRecipe& recipe = {});

} // namespace quavel::test
