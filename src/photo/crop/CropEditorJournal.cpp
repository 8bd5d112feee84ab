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

void write(
    const QString& photo, const CropEditState& current, const QList<CropEditState>& history, double scale)
{
    const double s = usable(scale);
    PhotoEditJournal journal { multiplied(current, s), {} };
    journal.history.reserve(history.size());
    for (const CropEditState& state : history)
        journal.history.append(multiplied(state, s));
    PhotoEditMemory::save(journal, photo);
}

} // namespace quavel::CropEditorJournal
