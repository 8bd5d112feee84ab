#include "photo/crop/CropEditorJournal.h"

#include "photo/originals/PhotoEditMemory.h"

#include <cmath>

namespace quavel::CropEditorJournal {

namespace {

CropEditState multiplied(CropEditState state, double factor)
{
    state.offset = QSizeF(state.offset.width() * factor, state.offset.height() * factor);
    return state;
}

CropEditState divided(CropEditState state, double factor)
{
    state.offset = QSizeF(state.offset.width() / factor, state.offset.height() / factor);
    return state;
}

double usable(double scale)
{
    return std::isfinite(scale) && scale > 0 ? scale : 1;
}

} // namespace

std::optional<PhotoEditJournal> read(const QString& photo, double scale)
{
    std::optional<PhotoEditJournal> journal = PhotoEditMemory::read(photo);
    const double s = usable(scale);
    if (journal && s != 1) {
        journal->current = divided(journal->current, s);
        for (CropEditState& state : journal->history)
            state = divided(state, s);
    }
    return journal;
}

bool sameCrop(const CropEditState& a, const CropEditState& b)
{
    return a.format == b.format && a.zoom == b.zoom && a.offset.width() == b.offset.width()
        && a.offset.height() == b.offset.height() && a.angle == b.angle;
}

CropEditState onDisk(const CropEditState& state, const std::optional<CropEditState>& baked)
{
    if (!baked)
        return state;
    CropEditState written = *baked;
    written.retouch = state.retouch;
    written.includeWatermark = state.includeWatermark;
    written.cropValidated = true;
    return written;
}

PhotoEditJournal forDisk(const CropEditState& current, const std::optional<CropEditState>& currentBaked,
    const QList<CropEditState>& history, const QList<std::optional<CropEditState>>& baked, double scale)
{
    // A moved step: a state whose crop is not validated while a validated one is in force.
    const auto moved = [](const CropEditState& state, const std::optional<CropEditState>& in) {
        return in && !state.cropValidated;
    };
    const double s = usable(scale);
    PhotoEditJournal journal { multiplied(onDisk(current, currentBaked), s), {} };
    for (qsizetype i = 0; i < history.size(); ++i) {
        const std::optional<CropEditState> in = i < baked.size() ? baked[i] : std::nullopt;
        const CropEditState step = multiplied(onDisk(history[i], in), s);
        if (moved(history[i], in) && !journal.history.isEmpty() && journal.history.last() == step)
            continue;
        journal.history.append(step);
    }
    if (moved(current, currentBaked) && !journal.history.isEmpty()
        && journal.history.last() == journal.current)
        journal.history.removeLast();
    return journal;
}

} // namespace quavel::CropEditorJournal
