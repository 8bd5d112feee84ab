#pragma once

#include "library/LibrarySnapshot.h"

#include <QString>

#include <optional>

namespace quavel {

enum class SyncEnvelopeKind { hello, requestLibrary, library };

QString syncEnvelopeKindText(SyncEnvelopeKind kind);
std::optional<SyncEnvelopeKind> syncEnvelopeKindFromText(const QString& text);

// One sync message. The two optional fields are left out of the JSON when absent.
struct SyncEnvelope
{
    SyncEnvelopeKind kind = SyncEnvelopeKind::hello;
    QString platform;
    std::optional<LibrarySnapshot> snapshot;
    std::optional<QString> peerName;

    nlohmann::json toJson() const;
    // Throws QuavelJSON::DecodingError; a kind text other than the three fails.
    static SyncEnvelope fromJson(const nlohmann::json& json);
};

} // namespace quavel
