#include "photo/PhotoEdits.h"

#include "photo/MediaThumbnailer.h"
#include "photo/PhotoComposer.h"
#include "photo/PhotoEditError.h"
#include "photo/PhotoEditMemory.h"
#include "photo/PhotoFiles.h"
#include "photo/PhotoOriginals.h"
#include "photo/PhotoRetoucher.h"
#include "photo/PhotoWriteQueue.h"
#include "photo/ThumbnailCache.h"
#include "platform/imaging/CameraRaw.h"

namespace quavel {

namespace {

using Kind = PhotoEditError::Kind;

void refuseRaw(const QString& photoPath)
{
    if (CameraRaw::isCameraRaw(photoPath))
        throw PhotoEditError(Kind::rawNotRewritten);
}

FloatImage loadPhoto(const QString& path)
{
    std::optional<FloatImage> image = PhotoComposer::loadFullOrientedImage(path);
    if (!image)
        throw PhotoEditError(Kind::unreadablePhoto);
    return *image;
}

// Every written file is retouched at full quality; a retouch that gives nothing leaves the photo as it
// was loaded.
FloatImage retouched(const PhotoRetouchSettings& settings, const FloatImage& image)
{
    std::optional<FloatImage> result = PhotoRetoucher::apply(settings, image, PhotoRetoucher::Quality::Full);
    return result && !result->isNull() ? *result : image;
}

// The full-size photo with the watermark across its bottom when its look includes one: a look that
// records the watermark keeps it at every rendering, validated crop or not.
FloatImage withWatermark(const FloatImage& image, const FloatImage* watermark)
{
    if (!watermark)
        return image;
    FloatImage marked = PhotoComposer::withBottomWatermark(image, *watermark);
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
    refuseRaw(photoPath);
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
            const FloatImage image = retouched(state.retouch, loadPhoto(source));
            if (state.cropValidated)
                PhotoComposer::write(PhotoComposer::composeCrop(
                                         image, state.format, state.zoom, state.offset, state.angle, drawn),
                    photoPath);
            else
                PhotoComposer::write(withWatermark(image, drawn), photoPath);
        }
        forgetThumbnail(photoPath, keyBefore);
    });
}

void PhotoEdits::applyWatermark(const QString& photoPath, const QString& watermarkPath)
{
    refuseRaw(photoPath);
    PhotoWriteQueue::shared().run(photoPath, [&] {
        const QString keyBefore = MediaThumbnailer::cacheKey(photoPath);
        PhotoOriginals::ensureBackup(photoPath);
        const FloatImage photo = loadPhoto(PhotoOriginals::openSource(photoPath).path());
        const std::optional<FloatImage> watermark = PhotoComposer::loadFullOrientedImage(watermarkPath);
        if (!watermark)
            throw PhotoEditError(Kind::unreadableWatermark);

        PhotoEditJournal journal = PhotoEditMemory::loadForEdit(photoPath);
        if (!journal.current.includeWatermark) {
            journal.pushHistory(journal.current);
            journal.current.includeWatermark = true;
            PhotoEditMemory::save(journal, photoPath);
        }
        if (journal.current.cropValidated) {
            PhotoEditMemory::materialize(journal, photoPath, watermark);
            return;
        }
        // Without a validated crop the watermark goes across the full-size photo, as every later
        // rendering of this look draws it.
        PhotoComposer::write(
            withWatermark(retouched(journal.current.retouch, photo), &*watermark), photoPath);
        forgetThumbnail(photoPath, keyBefore);
    });
}

void PhotoEdits::applyRetouch(const QString& photoPath, const PhotoRetouchSettings& settings,
    const std::optional<QString>& watermarkPath)
{
    if (settings.isNeutral())
        return;
    refuseRaw(photoPath);
    PhotoWriteQueue::shared().run(photoPath, [&] {
        PhotoOriginals::ensureBackup(photoPath);
        PhotoEditMemory::recordRetouch(settings, photoPath);
        const std::optional<PhotoEditJournal> journal = PhotoEditMemory::read(photoPath);
        if (!journal)
            return;
        std::optional<FloatImage> watermark;
        if (journal->current.includeWatermark && watermarkPath)
            watermark = PhotoComposer::loadFullOrientedImage(*watermarkPath);
        PhotoEditMemory::materialize(*journal, photoPath, watermark);
    });
}

} // namespace quavel
