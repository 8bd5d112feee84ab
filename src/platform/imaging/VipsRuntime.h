#pragma once

// libvips started once for the whole process.
namespace quavel::VipsRuntime {

// Starts libvips on first call; later calls return at once. Thread-safe. The operation cache is off:
// it would serve an earlier result for a file of the same name that was rewritten in place since.
void ensureStarted();

} // namespace quavel::VipsRuntime
