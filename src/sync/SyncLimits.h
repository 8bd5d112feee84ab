#pragma once

#include <QtGlobal>

namespace quavel {

// What links may cost the GUI thread, where every byte they send is read and parsed. Anyone on the local
// network can open connections once one peer is enabled, and announce an enabled peer's name, since
// names are advertised and never proven.
//
// Before they announce an enabled peer's name, accepted links may hold little: a phone sends its
// "hello" first, a few hundred bytes.
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

    // Any link: frames that decode to no envelope are dropped one by one (a newer phone may send a kind
    // this version does not know), but each costs the decoder far more than its bytes. A link is closed
    // when one receive holds more than this many of them...
    static constexpr int undecodablePerReceive = 64;
    // ... or when they pass this many over its life, far above what any peer sends.
    static constexpr int undecodablePerLink = 4096;
};

} // namespace quavel
