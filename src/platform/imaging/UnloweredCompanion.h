#pragma once

#include <functional>

// Internal to the imaging layer: for a thread about to lower its scheduling priority, a companion thread
// that keeps the priority the thread had, serves it alone and ends with it. What the lowered thread must
// not do itself, because every thread it starts inherits its priority for good (a libvips loader that
// decodes through a sink of its own starts libvips' shared workers), it asks its companion to do.
namespace quavel::UnloweredCompanion {

// Starts the calling thread's companion, once; to be called before the thread lowers itself.
void start();

// Runs fn on the calling thread's companion and returns when it has run, rethrowing what it threw; on the
// calling thread itself when it has no companion (it was never lowered).
void run(const std::function<void()>& fn);

} // namespace quavel::UnloweredCompanion
