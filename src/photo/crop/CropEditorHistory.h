#pragma once

#include "photo/originals/CropEditState.h"
#include "photo/originals/PhotoEditJournal.h"

#include <QList>

#include <optional>

namespace quavel {

// The crop editor's undo history: the steps before the committed state, each with the validated crop in
// force with it (its baked state), and the committed state with its own. At most as many steps as a
// journal stores; the oldest go first. The model observes it: each change says whether what it shows
// changed, and the model tells its observers.
//
// GUI thread only (the model's); no Qt object.
class CropEditorHistory
{
public:
    static constexpr int limit = PhotoEditJournal::historyLimit;

    // A step and the validated crop in force with it.
    struct Step
    {
        CropEditState state;
        std::optional<CropEditState> baked;
    };

    const QList<CropEditState>& steps() const { return m_steps; }
    const CropEditState& committed() const { return m_committed; }

    // Replaces the steps (baked[i] for steps[i]); true when the steps changed.
    bool setSteps(const QList<CropEditState>& steps, const QList<std::optional<CropEditState>>& baked);
    // The committed state and its validated crop; true when the state changed.
    bool setCommitted(const CropEditState& state, const std::optional<CropEditState>& baked);
    // The committed state becomes the newest step (the oldest beyond the limit go); true when the steps
    // changed. The caller then commits the new state.
    bool pushCommitted();
    // Removes the newest step and returns it; the steps must not be empty.
    Step takeLast();

    // The journal of the session with current as its current state (CropEditorJournal::forDisk).
    PhotoEditJournal forDisk(
        const CropEditState& current, const std::optional<CropEditState>& currentBaked, double scale) const;

private:
    QList<CropEditState> m_steps;
    // The validated crop in force with each step, and with the committed state.
    QList<std::optional<CropEditState>> m_baked;
    CropEditState m_committed;
    std::optional<CropEditState> m_committedBaked;
};

} // namespace quavel
