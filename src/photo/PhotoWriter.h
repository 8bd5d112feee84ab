#pragma once

#include "photo/CropEditState.h"
#include "photo/PhotoEditJournal.h"
#include "photo/PhotoWriteQueue.h"
#include "platform/imaging/FloatImage.h"

#include <QFuture>
#include <QString>

#include <functional>
#include <optional>

namespace quavel {

class JobPool;

// The one writer of a photo: the crop editor, the in-place edits and both batches put a look on a photo
// through write() or submit(), the undo puts the original back through restore(), and nothing else
// rewrites a photo. A write takes the photo's turn of its write queue once (PhotoWriteQueue: writes of
// one photo one at a time in request order, whatever spelling of its path each caller has), and in that
// turn keeps the original, renders the look (PhotoLook), saves the journal, replaces the photo by one
// rename and drops its thumbnails. The file steps it runs (PhotoOriginals, PhotoComposer::write,
// PhotoFiles) take no turn of their own.
//
// Callable from any thread; a caller on the GUI thread waits only for writes of that same photo. Errors
// carry the French text the photographer sees, naming the photo where they name a file.
namespace PhotoWriter {

// The watermark a look draws when it includes the watermark.
struct Watermark
{
    enum class Unreadable {
        fails, // the write fails with the watermark's message (the watermark batch)
        leftOut, // the look is written without it (a batch retouch); memory running out still fails
    };
    // Already read (the crop editor's): drawn when not null.
    FloatImage image;
    // Else read at full size from this file, only when the look includes the watermark.
    std::optional<QString> file;
    Unreadable unreadable = Unreadable::fails;
};

struct Request
{
    QString photo;
    // The file the look is rendered from: a copy of the photo's original (the crop editor's session
    // copy); none: the original itself, read without following a link (the photo before its first edit).
    std::optional<QString> source;
    // The look written, when the journal is not this write's business (the crop editor keeps its own, a
    // re-rendering of a journal writes none); the offset in pixels of the full-size photo.
    std::optional<CropEditState> look;
    // Else the journal's step: it changes the photo's journal as read (the default one when there is
    // none) and says whether to save it; the changed journal's current state is the look written. It is
    // saved once the look has rendered, before the photo is replaced: a photo that cannot be read or
    // rendered leaves its journal as it was, and a journal that cannot be saved leaves the photo.
    std::function<bool(PhotoEditJournal& journal)> edit;
    Watermark watermark;
};

// Writes the look on the calling thread in the photo's turn, and returns the path written. Throws
// PhotoEditError (a camera RAW photo, which is never rewritten; anything but a regular file under the
// photo's name; an unreadable or damaged photo; one over the pixel budget; memory running out; a failed
// composition; the watermark's errors as its policy says; a foreign original, journal or folder; a
// journal that cannot be kept) or the file system's FileError.
QString write(const Request& request);

// The same on a worker of pool, in the turn the write takes in the queue now. A supersedable write is
// skipped when a newer write of the photo is queued behind it (PhotoWriteQueue). The future gives the
// outcome, a failure with its French text.
QFuture<PhotoWriteQueue::Result> submit(Request request, JobPool& pool, bool supersedable = false);

// Puts the photo's original back (PhotoOriginals::restore) after every write of the photo asked for
// before, and drops its thumbnails. Without an original nothing changes. Throws as PhotoOriginals::restore.
void restore(const QString& photo);
QFuture<PhotoWriteQueue::Result> submitRestore(const QString& photo, JobPool& pool);

} // namespace PhotoWriter

} // namespace quavel
