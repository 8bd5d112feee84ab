#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

namespace quavel {
struct SyncEnvelope;
}

// The wire form of sync messages: a 4-byte big-endian payload length, then the JSON of one envelope.
namespace quavel::SyncFrames {

// A header announcing this many bytes or more is never parsed.
constexpr quint32 payloadLimit = 8000000;

// The frame of one envelope; absent when it cannot be encoded or its payload does not fit 32 bits.
std::optional<QByteArray> encode(const SyncEnvelope& envelope);

enum class DrainResult {
    // Every complete frame was taken; the rest waits for more bytes.
    needMore,
    // The buffer begins with a header at or over the limit; nothing more can ever be taken from it.
    oversized,
    // The handler asked to stop.
    stopped,
    // undecodableAllowed refused one more frame that decodes to no envelope.
    undecodable,
};

// Takes every complete frame off the front of buffer and hands each decoded envelope to handler, in
// stream order. A frame that does not decode (an empty one included) is dropped silently. handler
// returns false to stop at once, leaving the later frames unread. handler must not touch buffer.
// frameAllowed, when given, is asked before each complete frame, decodable or not; false stops there
// (stopped), the frame left unread. undecodableAllowed, when given, is asked after each frame that
// decodes to no envelope; false stops there (undecodable), that frame taken. Linear in the bytes taken:
// the front is removed once at the end.
DrainResult drain(QByteArray& buffer, const std::function<bool(SyncEnvelope&)>& handler,
    const std::function<bool()>& frameAllowed = {}, const std::function<bool()>& undecodableAllowed = {});

// A payload too short for the smallest envelope, or whose JSON text is no object: it cannot decode, and
// is known so without the JSON decoder. Never true of a payload that decodes.
bool cannotHoldEnvelope(const char* payload, qsizetype length);

} // namespace quavel::SyncFrames
