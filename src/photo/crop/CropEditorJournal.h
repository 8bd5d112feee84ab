#pragma once

#include "photo/originals/CropEditState.h"
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

// Whether two states have the same sheet and crop: format, zoom, offset and angle.
bool sameCrop(const CropEditState& a, const CropEditState& b);

// What the journal and the photo hold for a state of the editor's session, under the validated crop in
// force with it (baked): that crop's sheet and geometry with the state's retouch and watermark flag,
// validated. A crop moved, zoomed, turned or given another sheet after "Valider" lives in the session
// alone until it is validated again; every state without a validated crop is written as it is.
CropEditState onDisk(const CropEditState& state, const std::optional<CropEditState>& baked);

// The journal of a session: the current state and the history (each step with the validated crop in
// force with it, baked[i] for history[i]) as onDisk() gives them, in pixels of the full-size photo. A
// moved step that changes nothing on disk is left out, so that the journal holds no step the photo never
// showed; every other step is kept as it is.
PhotoEditJournal forDisk(const CropEditState& current, const std::optional<CropEditState>& currentBaked,
    const QList<CropEditState>& history, const QList<std::optional<CropEditState>>& baked, double scale);

} // namespace quavel::CropEditorJournal
