#include "photo/PhotoEdits.h"

#include "photo/MediaThumbnailer.h"
#include "photo/PhotoComposer.h"
#include "photo/PhotoEditError.h"
#include "photo/PhotoEditMemory.h"
#include "photo/PhotoFiles.h"
#include "photo/PhotoLook.h"
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
            const std::optional<FloatImage> rendered
                = PhotoLook::render(opened.path(), journal.current, watermark ? &*watermark : nullptr);
            if (rendered)
                PhotoComposer::write(*rendered, photoPath);
            else if (const OriginalsFolder::File* original = opened.original())
                // Nothing to render: the original's bytes, by one rename of a finished copy.
                PhotoFiles::replaceWithCopy(photoPath, original->fd(), original->status());
            forgetThumbnail(photoPath, keyBefore);
        });
    });
}

void PhotoEdits::applyWatermark(const QString& photoPath, const QString& watermarkPath)
{
    refuseUnwritable(photoPath);
    PhotoReads::naming(photoPath, [&] {
        PhotoWriteQueue::shared().run(photoPath, [&] {
            PhotoOriginals::ensureBackup(photoPath);
            FloatImage photo = PhotoReads::photo(PhotoOriginals::openSource(photoPath).path());
            const std::optional<FloatImage> watermark = PhotoReads::watermark(watermarkPath);

            PhotoEditJournal journal = PhotoEditMemory::loadForEdit(photoPath);
            if (!journal.current.includeWatermark) {
                journal.pushHistory(journal.current);
                journal.current.includeWatermark = true;
                PhotoEditMemory::save(journal, photoPath);
            }
            // Rendered again from the original: the photo read above need not stay in memory.
            photo = FloatImage();
            PhotoEditMemory::materialize(journal, photoPath, watermark);
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
