#pragma once

#include <QtGlobal>

namespace quavel {

// What links accepted from the network may hold before they announce an enabled peer's name. A phone
// sends its "hello" first, a few hundred bytes, so a link that says nothing may keep little: anyone on
// the local network can open connections once one peer is enabled, and each byte they send is read
// and parsed on the GUI thread.
struct SyncLimits
{
    // Unannounced links at once; a new one beyond this closes the oldest.
    static constexpr int pendingLinks = 4;
    // Frames taken from an unannounced link (readable or not) before it is closed.
    static constexpr int pendingFrames = 16;
    // Bytes an unannounced link may hold unparsed (a frame not complete yet) before it is closed.
    static constexpr qsizetype pendingLinkBytes = 256 * 1024;
    // Bytes all unannounced links together may hold; the link that goes past it is closed.
    static constexpr qsizetype pendingTotalBytes = 512 * 1024;
};

} // namespace quavel
