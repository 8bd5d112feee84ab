#pragma once

#include "photo/originals/CropEditState.h"

#include <QList>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// A photo's edit journal: its current state and the earlier ones, oldest first.
struct PhotoEditJournal
{
    // Every writer keeps the last this many states when it pushes one.
    static constexpr int historyLimit = 80;

    CropEditState current;
    QList<CropEditState> history;

    // Appends a state to the history and drops the oldest beyond the limit.
    void pushHistory(const CropEditState& state);
    // Makes the settings the current retouch: when they differ, the current state goes to the history
    // first.
    void recordRetouch(const PhotoRetouchSettings& settings);

    nlohmann::json toJson() const;
    // Both keys and every key of every state required; a history of any length is read. Throws
    // QuavelJSON::DecodingError otherwise.
    static PhotoEditJournal fromJson(const nlohmann::json& json);

    bool operator==(const PhotoEditJournal&) const = default;
};

} // namespace quavel
