#include "photo/PhotoWriter.h"

#include "photo/DecodedAhead.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoComposer.h"
#include "photo/PhotoLook.h"
#include "photo/PhotoReads.h"
#include "photo/PhotoWork.h"
#include "photo/ThumbnailCache.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoFiles.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/files/NativeName.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/JobPool.h"

#include <sys/stat.h>

namespace quavel::PhotoWriter {

namespace {

using Kind = PhotoEditError::Kind;

// What no write rewrites: a camera RAW photo, and anything but a regular file under a photo's name.
void refuseUnwritable(const QString& photo)
{
    if (CameraRaw::isCameraRaw(photo))
        throw PhotoEditError(Kind::rawNotRewritten);
    PhotoReads::requireRegularFile(photo);
}

std::optional<FloatImage> watermarkOf(const Watermark& watermark)
{
    if (!watermark.image.isNull())
        return watermark.image;
    if (!watermark.file)
        return std::nullopt;
    if (watermark.unreadable == Watermark::Unreadable::fails)
        return PhotoReads::watermark(*watermark.file);
    // Left out when it cannot be read; but memory running out is the photo's failure, not a look
    // without its watermark.
    ReadFailure failure;
    std::optional<FloatImage> image = PhotoComposer::loadImage(*watermark.file, std::nullopt, &failure);
    if (!image && failure.kind == ReadFailure::Kind::outOfMemory)
        throw PhotoEditError(Kind::outOfMemory, QString());
    return image;
}

// In the photo's turn: whether the original the photo had when the write was asked for has been put back
// since.
bool restoredSince(bool hadOriginal, const QString& photo)
{
    return hadOriginal && !PhotoOriginals::hasBackup(photo);
}

// What the write reads whole, already decoded, when the source opened in the turn is the file decoded.
FloatImage decodedAhead(const Request& request, const PhotoOriginals::Source* opened)
{
    if (!request.decodedAhead || !opened)
        return FloatImage();
    struct stat status
    {
    };
    if (const RegularFile* original = opened->original())
        status = original->status();
    else if (::stat(NativeName::encode(opened->path()).constData(), &status) != 0)
        return FloatImage();
    return request.decodedAhead->take(FileIdentity::of(status)).value_or(FloatImage());
}

// Every step of a write, in the photo's turn: everything is read and rendered before anything is
// written, so that a photo or watermark that cannot be read leaves no original and no journal.
void writeSteps(const Request& request)
{
    const QString& photo = request.photo;
    if (restoredSince(request.hadOriginal, photo))
        return;

    PhotoEditJournal journal;
    bool saveJournal = false;
    if (request.look) {
        journal.current = *request.look;
        // The crop editor's journal is its session's record, saved first as its commits always were: a
        // look that then fails to render stays the journal's, and is written again by the next write. Its
        // original is kept before it: no journal stands without the original it describes. (The editor
        // read the photo when it opened it.)
        if (request.journal) {
            const PhotoWork::Publishing publishing;
            // A journal that would refuse to be replaced refuses the write before an original is kept.
            PhotoEditMemory::setAsideUnreadable(photo);
            PhotoOriginals::ensureBackup(photo);
            PhotoEditMemory::save(*request.journal, photo);
        }
    } else {
        journal = PhotoEditMemory::loadForEdit(photo);
        saveJournal = request.edit && request.edit(journal);
    }
    const CropEditState& look = journal.current;
    const std::optional<FloatImage> watermark
        = look.includeWatermark ? watermarkOf(request.watermark) : std::nullopt;
    const FloatImage* drawn = PhotoLook::drawnWatermark(look, watermark ? &*watermark : nullptr);

    // Every rendering starts from the original (a copy of it, or itself read without following a link);
    // before the first edit, from the photo itself.
    std::optional<PhotoOriginals::Source> opened;
    if (!request.source)
        opened.emplace(PhotoOriginals::openSource(photo));
    const QString& source = request.source ? *request.source : opened->path();
    FloatImage decoded;
    if (PhotoLook::readsWholeSource(look, drawn != nullptr))
        decoded = decodedAhead(request, opened ? &*opened : nullptr);
    else if (request.decodedAhead)
        request.decodedAhead->take({}); // let go of: this look does not read it
    const std::optional<FloatImage> rendered = PhotoLook::render(source, look, drawn, std::move(decoded));

    // Read and rendered: the original is kept (the photo as read, when it had none), then the journal,
    // then the photo replaced. These steps publish the write, and run as one (Publishing) once the
    // rendering is encoded: a write the exit abandons before then leaves everything as it was. An
    // unreadable journal that cannot be moved aside refuses the write before an original is kept.
    std::optional<PhotoWork::Publishing> publishing;
    const auto publish = [&] {
        publishing.emplace();
        if (saveJournal)
            PhotoEditMemory::setAsideUnreadable(photo);
        PhotoOriginals::ensureBackup(photo);
        if (saveJournal)
            PhotoEditMemory::save(journal, photo);
    };
    if (rendered) {
        PhotoComposer::write(*rendered, photo, publish);
    } else if (request.source) {
        // The untouched original's bytes go back by one rename of a finished copy: the photo is never
        // missing.
        publish();
        PhotoFiles::replaceWithCopy(photo, *request.source);
    } else {
        publish();
        if (const RegularFile* original = opened->original())
            PhotoFiles::replaceWithCopy(photo, original->fd(), original->status());
    }
    // Every cached thumbnail of the photo, under the key it had before and the one it has now.
    MediaThumbnailer::cache().removePath(photo);
}

void writeInTurn(const Request& request)
{
    const QString& photo = request.photo;
    // What keeping the original would refuse (a name too long for the journal, something foreign in
    // the originals folder) refuses the write before anything is read.
    const OriginalsFolder folder = OriginalsFolder::openForEdit(photo, false);
    folder.refuseForeign();
    try {
        writeSteps(request);
    } catch (...) {
        // A write that failed (a full disk) leaves no empty originals folder it made.
        if (!folder.isOpen())
            OriginalsFolder::removeIfEmpty(photo);
        throw;
    }
}

void writeNaming(const Request& request)
{
    refuseUnwritable(request.photo);
    // What was read may have been the original or a session copy: the errors name the photo.
    PhotoReads::naming(request.photo, [&] { writeInTurn(request); });
}

void restoreInTurn(const QString& photo)
{
    const PhotoWork::Publishing publishing;
    PhotoOriginals::restore(photo);
    MediaThumbnailer::cache().removePath(photo);
}

// Runs work in the photo's turn on a worker of pool, its rows at the pool's priority.
QFuture<PhotoWriteQueue::Result> submitTo(
    const QString& photo, std::function<void()> work, JobPool& pool, bool supersedable)
{
    return PhotoWriteQueue::shared().submit(
        photo,
        [work = std::move(work), priority = pool.rowPriority()] {
            RowPool::ScopedPriority rows(priority);
            work();
        },
        supersedable, &pool.threadPool(), PhotoWriteQueue::SupersededBy::newerSupersedable);
}

} // namespace

QString write(const Request& request)
{
    PhotoWriteQueue::shared().run(request.photo, [&] { writeNaming(request); });
    return request.photo;
}

QFuture<PhotoWriteQueue::Result> submit(Request request, JobPool& pool, bool supersedable)
{
    const QString photo = request.photo;
    return submitTo(
        photo, [request = std::move(request)] { writeNaming(request); }, pool, supersedable);
}

QFuture<PhotoWriteQueue::Result> submitJournal(
    const QString& photo, PhotoEditJournal journal, bool hadOriginal, JobPool& pool)
{
    return submitTo(
        photo,
        [photo, journal = std::move(journal), hadOriginal] {
            const PhotoWork::Publishing publishing;
            if (!restoredSince(hadOriginal, photo))
                PhotoEditMemory::save(journal, photo);
        },
        pool, false);
}

void restore(const QString& photo)
{
    PhotoWriteQueue::shared().run(photo, [&] { restoreInTurn(photo); });
}

QFuture<PhotoWriteQueue::Result> submitRestore(const QString& photo, JobPool& pool)
{
    return submitTo(
        photo, [photo] { restoreInTurn(photo); }, pool, false);
}

} // namespace quavel::PhotoWriter
