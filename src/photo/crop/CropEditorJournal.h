#pragma once

#include "photo/crop/CropEditState.h"
#include "photo/originals/PhotoEditJournal.h"

#include <QList>
#include <QString>

#include <optional>

// The crop editor's side of a photo's edit journal. The editor keeps offsets in pixels of its working
// image; journals (and every full-size writer that reads them) keep pixels of the full-size oriented
// image. `scale` is full width ÷ working width; both directions convert every state of the journal.
namespace quavel::CropEditorJournal {

// The journal when it is there and decodes (every key required, nesting limited); absent otherwise.
std::optional<PhotoEditJournal> read(const QString& photo, double scale = 1);

// Writes the journal of these states (an undecodable journal set aside first). Throws PhotoEditError,
// naming the photo, when it cannot be kept (PhotoEditMemory::save).
void write(
    const QString& photo, const CropEditState& current, const QList<CropEditState>& history, double scale);

} // namespace quavel::CropEditorJournal
