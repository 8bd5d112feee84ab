#pragma once

namespace quavel {

// The end of the process for photo work running on worker threads. Every photo and journal write asked
// for must reach the disk (the crop editor's look captured at close is never dropped); reads (loads,
// previews, thumbnails, headers) are not waited for: one may be stuck on a file system that never
// answers, and nothing is lost by dropping it.
namespace PhotoWork {

// Called once on the GUI thread after the event loop and the screens are gone. Batches stop after the
// photo they are on, photo work not yet started is dropped, and it returns once every write asked for
// before, running or queued, has finished; a write asked for afterwards is refused. Reads still running
// are abandoned, not joined. True when no photo worker still runs a moment later, so that the process may
// end the ordinary way; false when one does: the process must then end by endProcess.
bool finishBeforeExit();

// Ends the process with status at once, without destroying its static objects: an abandoned worker may
// still be using them (the thread pools, libvips, the thumbnail cache), and a destructor run under it
// could crash or hang the exit. Everything the program writes is on disk by then (photos, journals and
// settings are written by rename after fsync); the standard streams are flushed first. The kernel stops
// the abandoned threads with the process.
[[noreturn]] void endProcess(int status);

// True once finishBeforeExit has begun; a batch checks it before each photo.
bool stopping();

} // namespace PhotoWork

} // namespace quavel
