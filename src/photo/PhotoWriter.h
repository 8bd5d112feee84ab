#pragma once

#include "photo/PhotoWriteQueue.h"
#include "photo/originals/CropEditState.h"
#include "photo/originals/PhotoEditJournal.h"
#include "platform/imaging/FloatImage.h"

#include <QFuture>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace quavel {

class DecodedAhead;
class JobPool;

// The one writer of a photo: the crop editor, the in-place edits and both batches put a look on a photo
// through write() or submit(), the undo puts the original back through restore(). A write takes the
// photo's turn of its write queue once, and in it reads the photo and renders the look (PhotoLook), then
// encodes it, keeps the original, saves the journal, replaces the photo by one rename and drops its
// thumbnails (the last three publish the write, and the exit never cuts them short: PhotoWork): a
// write that fails before its look has rendered (photo or watermark unreadable) leaves neither an
// original nor a journal behind; the file steps it runs
// (PhotoOriginals, PhotoComposer::write, PhotoFiles) take no turn of their own. Callable from any thread;
// errors carry the French text the photographer sees, naming the photo where they name a file.
namespace PhotoWriter {

// The watermark a look draws when it includes the watermark: the image already read (the crop
// editor's), else the file read at full size, which when unreadable fails the write or is left out
// (memory running out fails it all the same).
struct Watermark
{
    enum class Unreadable { fails, leftOut };
    FloatImage image;
    std::optional<QString> file;
    Unreadable unreadable = Unreadable::fails;
};

struct Request
{
    QString photo;
    // The look written, when the journal is not this write's business (the crop editor keeps its own, a
    // re-rendering of a journal writes none); the offset in pixels of the full-size photo.
    std::optional<CropEditState> look;
    // Else the journal's step: it changes the photo's journal as read and says whether to save it; its
    // current state is the look written. The journal is saved once the look has rendered, before the
    // photo is replaced: a photo that cannot be read or rendered keeps its journal as it was.
    std::function<bool(PhotoEditJournal& journal)> edit;
    // What the look is rendered from: a copy of the original (the crop editor's session copy); none: the
    // original itself, read without following a link (the photo itself before its first edit).
    std::optional<QString> source;
    Watermark watermark;
    // With a look: the journal saved with it (the crop editor's, whose history only the editor knows),
    // first in the turn: a journal that cannot be kept fails the write before anything is rendered.
    std::optional<PhotoEditJournal> journal;
    // The photo had its original when the write was asked for: when it has none any more in its turn (a
    // restore ran meanwhile), nothing is written, so that no look or journal of before follows the restore.
    bool hadOriginal = false;
    // The source the look renders from, decoded before the turn (a batch's next photo): used when the
    // look reads the whole source and the source opened in the turn is still the file decoded; else the
    // source is read again.
    std::shared_ptr<DecodedAhead> decodedAhead;
};

// Writes on the calling thread, in the photo's turn; returns the path written. Throws PhotoEditError (a
// camera RAW photo, never rewritten; anything but a regular file; an unreadable or damaged photo; one
// over the pixel budget; memory running out; the watermark's errors as its policy says; a foreign
// original, journal or folder; a journal that cannot be kept) or FileError.
QString write(const Request& request);
// The same on a worker of pool, in the turn taken now. A supersedable write is skipped only when a newer
// supersedable write of the photo (a newer look of the same writer) is queued behind it: a batch's write
// or a restore behind it reads or removes what it carries, the journal included, and does not skip it.
QFuture<PhotoWriteQueue::Result> submit(Request request, JobPool& pool, bool supersedable = false);

// Saves a journal alone in the photo's turn, the photo left as it is (the crop editor's commits), on a
// worker of pool. When the photo had its original when this was asked for (hadOriginal) and has none any
// more in its turn (restored meanwhile), nothing is written. Never supersedable: a journal is a write.
QFuture<PhotoWriteQueue::Result> submitJournal(
    const QString& photo, PhotoEditJournal journal, bool hadOriginal, JobPool& pool);

// Puts the original back (PhotoOriginals::restore) after every write of the photo asked for before, and
// drops its thumbnails.
void restore(const QString& photo);
QFuture<PhotoWriteQueue::Result> submitRestore(const QString& photo, JobPool& pool);

} // namespace PhotoWriter

} // namespace quavel
