#include "photo/crop/CropEditorHistory.h"

#include "photo/crop/CropEditorJournal.h"

namespace quavel {

bool CropEditorHistory::setSteps(
    const QList<CropEditState>& steps, const QList<std::optional<CropEditState>>& baked)
{
    m_baked = baked;
    if (m_steps == steps)
        return false;
    m_steps = steps;
    return true;
}

bool CropEditorHistory::setCommitted(const CropEditState& state, const std::optional<CropEditState>& baked)
{
    m_committedBaked = baked;
    if (m_committed == state)
        return false;
    m_committed = state;
    return true;
}

bool CropEditorHistory::pushCommitted()
{
    QList<CropEditState> steps = m_steps;
    QList<std::optional<CropEditState>> baked = m_baked;
    steps.append(m_committed);
    baked.append(m_committedBaked);
    if (steps.size() > limit) {
        steps.remove(0, steps.size() - limit);
        baked.remove(0, baked.size() - limit);
    }
    return setSteps(steps, baked);
}

CropEditorHistory::Step CropEditorHistory::takeLast()
{
    Step step { m_steps.takeLast(), std::nullopt };
    if (!m_baked.isEmpty())
        step.baked = m_baked.takeLast();
    return step;
}

PhotoEditJournal CropEditorHistory::forDisk(
    const CropEditState& current, const std::optional<CropEditState>& currentBaked, double scale) const
{
    return CropEditorJournal::forDisk(current, currentBaked, m_steps, m_baked, scale);
}

} // namespace quavel
