#include "photo/originals/PhotoEditJournal.h"

#include "library/QuavelJSON.h"

namespace quavel {

void PhotoEditJournal::pushHistory(const CropEditState& state)
{
    history.append(state);
    if (history.size() > historyLimit)
        history.remove(0, history.size() - historyLimit);
}

void PhotoEditJournal::recordRetouch(const PhotoRetouchSettings& settings)
{
    if (current.retouch == settings)
        return;
    pushHistory(current);
    current.retouch = settings;
}

nlohmann::json PhotoEditJournal::toJson() const
{
    QuavelJSON::Json states = QuavelJSON::Json::array();
    for (const CropEditState& state : history)
        states.push_back(state.toJson());
    return QuavelJSON::Json { { "current", current.toJson() }, { "history", std::move(states) } };
}

PhotoEditJournal PhotoEditJournal::fromJson(const nlohmann::json& json)
{
    using namespace QuavelJSON;
    asObject(json);
    PhotoEditJournal journal;
    journal.current = CropEditState::fromJson(require(json, "current"));
    for (const Json& state : readArray(json, "history"))
        journal.history.append(CropEditState::fromJson(state));
    return journal;
}

} // namespace quavel
