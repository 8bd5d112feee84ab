#include "sync/SyncFrames.h"

#include "library/QuavelJSON.h"
#include "library/SyncEnvelope.h"

#include <QtEndian>

#include <limits>

namespace quavel::SyncFrames {

namespace {

// Both keys are required, "hello" is the shortest kind, and escapes only lengthen a text.
constexpr qsizetype smallestEnvelope = sizeof(R"({"kind":"hello","platform":""})") - 1;

bool isJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

bool cannotHoldEnvelope(const char* payload, qsizetype length)
{
    if (length < smallestEnvelope)
        return true;
    qsizetype at = 0;
    // The decoder skips a UTF-8 byte order mark at the very start.
    if (length >= 3 && payload[0] == '\xEF' && payload[1] == '\xBB' && payload[2] == '\xBF')
        at = 3;
    while (at < length && isJsonSpace(payload[at]))
        ++at;
    return at == length || payload[at] != '{';
}

std::optional<QByteArray> encode(const SyncEnvelope& envelope)
{
    QByteArray json;
    try {
        json = QuavelJSON::encode(envelope.toJson());
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (quint64(json.size()) > std::numeric_limits<quint32>::max())
        return std::nullopt;
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian(quint32(json.size()), frame.data());
    frame.append(json);
    return frame;
}

DrainResult drain(QByteArray& buffer, const std::function<bool(SyncEnvelope&)>& handler,
    const std::function<bool()>& frameAllowed, const std::function<bool()>& undecodableAllowed)
{
    // Frames are read in place; the consumed front is removed once, at the end.
    qsizetype offset = 0;
    DrainResult result = DrainResult::needMore;
    for (;;) {
        const qsizetype available = buffer.size() - offset;
        if (available < 4)
            break;
        const quint32 length = qFromBigEndian<quint32>(buffer.constData() + offset);
        if (length >= payloadLimit) {
            result = DrainResult::oversized;
            break;
        }
        if (available < qsizetype(length) + 4)
            break;
        if (frameAllowed && !frameAllowed()) {
            result = DrainResult::stopped;
            break;
        }
        const char* payload = buffer.constData() + offset + 4;
        offset += qsizetype(length) + 4;
        std::optional<SyncEnvelope> envelope;
        // Short or non-object payloads (empty ones included) are dropped without parsing: each frame
        // sent to the decoder costs far more than its bytes.
        if (!cannotHoldEnvelope(payload, length)) {
            try {
                const QuavelJSON::Json json = QuavelJSON::parse(QByteArray::fromRawData(payload, length));
                envelope = SyncEnvelope::fromJson(json);
            } catch (const std::exception&) { }
        }
        if (!envelope) {
            // Not an envelope (a newer peer's kind, say): dropped without a word, unless too many are.
            if (undecodableAllowed && !undecodableAllowed()) {
                result = DrainResult::undecodable;
                break;
            }
            continue;
        }
        if (!handler(*envelope)) {
            result = DrainResult::stopped;
            break;
        }
    }
    if (offset > 0)
        buffer.remove(0, offset);
    return result;
}

} // namespace quavel::SyncFrames
