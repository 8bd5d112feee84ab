#pragma once

namespace quavel {

// The end of the process for photo work running on worker threads. A photo write in flight must reach
// the disk (the crop editor's look captured at close is never dropped), and no worker may still run
// while the process destroys its static objects.
namespace PhotoWork {

// Called once on the GUI thread after the event loop and the screens are gone: batches stop after the
// photo they are on, thumbnails not yet started are dropped, and it returns when every write asked for
// has finished and the photo workers are idle.
void finishBeforeExit();

// True once finishBeforeExit has begun; a batch checks it before each photo.
bool stopping();

} // namespace PhotoWork

} // namespace quavel
