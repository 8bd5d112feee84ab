#include "sync/SyncFrames.h"

#include "library/QuavelJSON.h"
#include "library/SyncEnvelope.h"

#include <QtEndian>

#include <limits>

namespace quavel::SyncFrames {

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
    const std::function<bool()>& frameAllowed)
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
        if (length == 0)
            continue; // no JSON text is empty: dropped without parsing
        std::optional<SyncEnvelope> envelope;
        try {
            const QuavelJSON::Json json = QuavelJSON::parse(QByteArray::fromRawData(payload, length));
            envelope = SyncEnvelope::fromJson(json);
        } catch (const std::exception&) {
            continue; // not an envelope: dropped without a word
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
