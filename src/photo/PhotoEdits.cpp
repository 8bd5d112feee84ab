#include "photo/PhotoEdits.h"

#include "photo/MediaThumbnailer.h"
#include "photo/PhotoComposer.h"
#include "photo/PhotoEditError.h"
#include "photo/PhotoEditMemory.h"
#include "photo/PhotoFiles.h"
#include "photo/PhotoOriginals.h"
#include "photo/PhotoReads.h"
#include "photo/PhotoWriteQueue.h"
#include "photo/ThumbnailCache.h"
#include "platform/imaging/CameraRaw.h"

namespace quavel {

namespace {

using Kind = PhotoEditError::Kind;

// What no edit rewrites: a camera RAW photo, and anything but a regular file under a photo's name.
void refuseUnwritable(const QString& photoPath)
{
    if (CameraRaw::isCameraRaw(photoPath))
        throw PhotoEditError(Kind::rawNotRewritten);
    PhotoReads::requireRegularFile(photoPath);
}

// Every written file is retouched at full quality, into the planes of the photo as read: a write holds
// one full-size image, not two.
FloatImage retouched(const PhotoRetouchSettings& settings, FloatImage image)
{
    return settings.isNeutral() ? image : PhotoReads::retouched(settings, std::move(image));
}

// The watermark a retouch draws when the look includes it: one that cannot be read is left out silently,
// but memory running out is the photo's failure, not a look without its watermark.
std::optional<FloatImage> optionalWatermark(const QString& path)
{
    ReadFailure failure;
    std::optional<FloatImage> watermark = PhotoComposer::loadImage(path, std::nullopt, &failure);
    if (!watermark && failure.kind == ReadFailure::Kind::outOfMemory)
        throw PhotoEditError(Kind::outOfMemory, QString());
    return watermark;
}

// The full-size photo with the watermark across its bottom when its look includes one: a look that
// records the watermark keeps it at every rendering, validated crop or not. An image handed over by move
// is drawn on in place.
FloatImage withWatermark(FloatImage image, const FloatImage* watermark)
{
    if (!watermark)
        return image;
    FloatImage marked = PhotoComposer::withBottomWatermark(std::move(image), *watermark);
    if (marked.isNull())
        throw PhotoEditError(Kind::composeFailed);
    return marked;
}

// The entry under the key the photo had before the rewrite, and the one it has now.
void forgetThumbnail(const QString& photoPath, const QString& keyBefore)
{
    MediaThumbnailer::cache().remove(keyBefore);
    MediaThumbnailer::cache().remove(MediaThumbnailer::cacheKey(photoPath));
}

} // namespace

void PhotoEditMemory::materialize(
    const PhotoEditJournal& journal, const QString& photoPath, const std::optional<FloatImage>& watermark)
{
    refuseUnwritable(photoPath);
    PhotoReads::naming(photoPath, [&] {
        PhotoWriteQueue::shared().run(photoPath, [&] {
            const QString keyBefore = MediaThumbnailer::cacheKey(photoPath);
            PhotoOriginals::ensureBackup(photoPath);
            // Every rendering starts from the original, read without following a link.
            const PhotoOriginals::Source opened = PhotoOriginals::openSource(photoPath);
            const QString& source = opened.path();
            const CropEditState& state = journal.current;
            const FloatImage* drawn = state.includeWatermark && watermark ? &*watermark : nullptr;

            if (!state.cropValidated && state.retouch.isNeutral() && !drawn) {
                // Nothing to render: the original's bytes, by one rename of a finished copy.
                if (const OriginalsFolder::File* original = opened.original())
                    PhotoFiles::replaceWithCopy(photoPath, original->fd(), original->status());
            } else if (state.cropValidated && state.retouch.isNeutral()) {
                // The crop alone: only what the canvas shows is decoded.
                PhotoComposer::write(PhotoComposer::composeCrop(
                                         source, state.format, state.zoom, state.offset, state.angle, drawn),
                    photoPath);
            } else {
                FloatImage image = retouched(state.retouch, PhotoReads::photo(source));
                if (state.cropValidated)
                    PhotoComposer::write(PhotoComposer::composeCrop(image, state.format, state.zoom,
                                             state.offset, state.angle, drawn),
                        photoPath);
                else
                    PhotoComposer::write(withWatermark(std::move(image), drawn), photoPath);
            }
            forgetThumbnail(photoPath, keyBefore);
        });
    });
}

void PhotoEdits::applyWatermark(const QString& photoPath, const QString& watermarkPath)
{
    refuseUnwritable(photoPath);
    PhotoReads::naming(photoPath, [&] {
        PhotoWriteQueue::shared().run(photoPath, [&] {
            const QString keyBefore = MediaThumbnailer::cacheKey(photoPath);
            PhotoOriginals::ensureBackup(photoPath);
            FloatImage photo = PhotoReads::photo(PhotoOriginals::openSource(photoPath).path());
            const std::optional<FloatImage> watermark = PhotoReads::watermark(watermarkPath);

            PhotoEditJournal journal = PhotoEditMemory::loadForEdit(photoPath);
            if (!journal.current.includeWatermark) {
                journal.pushHistory(journal.current);
                journal.current.includeWatermark = true;
                PhotoEditMemory::save(journal, photoPath);
            }
            if (journal.current.cropValidated) {
                // Rendered again from the original: the photo read above need not stay in memory.
                photo = FloatImage();
                PhotoEditMemory::materialize(journal, photoPath, watermark);
                return;
            }
            // Without a validated crop the watermark goes across the full-size photo, as every later
            // rendering of this look draws it: onto the retouched image itself, rendered into the planes
            // of the photo as read (one write holds as few full-size images as it can: the pixel budget
            // rests on it).
            FloatImage image = retouched(journal.current.retouch, std::move(photo));
            PhotoComposer::write(withWatermark(std::move(image), &*watermark), photoPath);
            forgetThumbnail(photoPath, keyBefore);
        });
    });
}

void PhotoEdits::applyRetouch(const QString& photoPath, const PhotoRetouchSettings& settings,
    const std::optional<QString>& watermarkPath)
{
    if (settings.isNeutral())
        return;
    refuseUnwritable(photoPath);
    PhotoReads::naming(photoPath, [&] {
        PhotoWriteQueue::shared().run(photoPath, [&] {
            PhotoOriginals::ensureBackup(photoPath);
            PhotoEditMemory::recordRetouch(settings, photoPath);
            const std::optional<PhotoEditJournal> journal = PhotoEditMemory::read(photoPath);
            if (!journal)
                return;
            std::optional<FloatImage> watermark;
            if (journal->current.includeWatermark && watermarkPath)
                watermark = optionalWatermark(*watermarkPath);
            PhotoEditMemory::materialize(*journal, photoPath, watermark);
        });
    });
}

} // namespace quavel
