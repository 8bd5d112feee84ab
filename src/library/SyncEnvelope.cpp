#include "library/SyncEnvelope.h"

#include "library/QuavelJSON.h"

namespace quavel {

QString syncEnvelopeKindText(SyncEnvelopeKind kind)
{
    switch (kind) {
    case SyncEnvelopeKind::hello:
        return QStringLiteral("hello");
    case SyncEnvelopeKind::requestLibrary:
        return QStringLiteral("requestLibrary");
    case SyncEnvelopeKind::library:
        return QStringLiteral("library");
    }
    return QString();
}

std::optional<SyncEnvelopeKind> syncEnvelopeKindFromText(const QString& text)
{
    if (text == u"hello")
        return SyncEnvelopeKind::hello;
    if (text == u"requestLibrary")
        return SyncEnvelopeKind::requestLibrary;
    if (text == u"library")
        return SyncEnvelopeKind::library;
    return std::nullopt;
}

nlohmann::json SyncEnvelope::toJson() const
{
    using namespace QuavelJSON;
    Json json { { "kind", fromString(syncEnvelopeKindText(kind)) }, { "platform", fromString(platform) } };
    if (snapshot)
        json["snapshot"] = snapshot->toJson();
    if (peerName)
        json["peerName"] = fromString(*peerName);
    return json;
}

SyncEnvelope SyncEnvelope::fromJson(const nlohmann::json& json)
{
    using namespace QuavelJSON;
    SyncEnvelope e;
    const QString kindText = readString(json, "kind");
    auto kind = syncEnvelopeKindFromText(kindText);
    if (!kind)
        throw DecodingError(QStringLiteral("Type de message inconnu : ") + kindText);
    e.kind = *kind;
    e.platform = readString(json, "platform");
    if (const Json* s = find(json, "snapshot"))
        e.snapshot = LibrarySnapshot::fromJson(*s);
    e.peerName = readOptionalString(json, "peerName");
    return e;
}

} // namespace quavel
