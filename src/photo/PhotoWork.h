#pragma once

#include <QString>

#include <functional>

namespace quavel {

// The end of the process for photo work running on worker threads. Every photo and journal write asked
// for is given its chance to reach the disk (the crop editor's look captured at close is never dropped);
// reads (loads, previews, thumbnails, headers) are not waited for: one may be stuck on a file system that
// never answers, and nothing is lost by dropping it. The end is bounded whatever a worker does: a write
// still reading or rendering its photo when the bound comes is abandoned before it publishes anything.
namespace PhotoWork {

// Called once on the GUI thread after the event loop has returned. Batches stop after the photo they are
// on; `first` runs (the application destroys its window, screens and stores there, and a crop editor
// open at quit asks for its look's write); photo work not yet started is dropped, and it returns once
// every write asked for before, running or queued, has finished; a write asked for afterwards is
// refused. Reads still running are abandoned, not joined. True when no photo worker still runs a moment
// later, so that the process may end the ordinary way; false when one does: the process must then end by
// endProcess.
//
// Bounded from the call, `first` included (a destructor that waits for a read from a disk that stopped
// answering cannot hold the exit): when the writes have not all finished within writesBoundMs, no write
// may begin to publish any more, those publishing are given publishBoundMs to finish (their file steps
// only: the original kept, the journal saved, the photo renamed into place), and the process ends by
// endProcess(exitStatus) without this returning. So the process ends within about 9 s of the call, with
// the photo, original and journal of every abandoned write as they were.
bool finishBeforeExit(int exitStatus = 0, const std::function<void()>& first = {});

constexpr int writesBoundMs = 6000;
constexpr int publishBoundMs = 3000;

// Ends the process with status at once, without destroying its static objects: an abandoned worker may
// still be using them (the thread pools, libvips, the thumbnail cache), and a destructor run under it
// could crash or hang the exit. Everything the program writes is on disk by then (photos, journals and
// settings are written by rename after fsync; an abandoned write's unnamed file vanishes with the
// process, and the hidden sibling it has where the file system has no unnamed files is removed by the
// next write into that folder or by the sweep that follows a listing of it, not at the next start); the
// standard streams are flushed first. The kernel stops the abandoned threads with the process,
// mid-decode or not.
[[noreturn]] void endProcess(int status);

// True once finishBeforeExit has begun; a batch checks it before each photo.
bool stopping();

// The file steps of one write that publish it (its original kept, its journal saved, the photo replaced),
// held from before the first of them to after the last: the exit waits for a write that holds one, and
// once the exit has given up on the writes still running, a write that has not begun to publish is
// refused here (an Error), so that it leaves its photo, original and journal as they were. Any thread.
class Publishing
{
public:
    Publishing();
    ~Publishing();
    Publishing(const Publishing&) = delete;
    Publishing& operator=(const Publishing&) = delete;
};

// For tests: called on the decoding thread with the file's path before each decode of a write's source
// and of the crop editor's working image. A hook that never returns stands for a decode that never ends.
using DecodeHook = std::function<void(const QString& path)>;
void setDecodeHookForTesting(DecodeHook hook);
void beforeDecode(const QString& path);

} // namespace PhotoWork

} // namespace quavel
