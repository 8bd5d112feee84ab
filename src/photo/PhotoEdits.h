#pragma once

#include "photo/originals/PhotoEditJournal.h"
#include "photo/retouch/PhotoRetouchSettings.h"
#include "platform/imaging/FloatImage.h"

#include <QString>

#include <memory>
#include <optional>

namespace quavel {
class DecodedAhead;
}

// The edits the orders screen runs on each selected photo, rewriting it in place but always from its
// untouched original, according to its edit journal: each is one write of the photo's writer
// (PhotoWriter), callable from any thread (a caller on the GUI thread waits only for a write of that same
// photo in flight). The original is kept and the journal saved once the new look has rendered: a photo
// that cannot be read or rendered, or whose watermark cannot be read, is left without an original or a
// journal it did not have, and keeps its journal as it was. A batch may hand over the photo's source
// decoded ahead of its turn (DecodedAhead), used only while it is still the file the write reads. Errors
// carry the French text the orders store shows.
namespace quavel::PhotoEdits {

// Adds the bottom watermark to the photo: the original is kept once, the journal records that the
// photo carries the watermark (the previous state into the history) unless it already says so, and the
// photo is rendered again from its original with the journal's retouch: on the print canvas with the
// watermark when the crop is validated, else at full size with the watermark across its bottom.
// Throws PhotoEditError (unreadable photo, a damaged one included, or watermark; a photo or watermark
// over the pixel budget; memory running out, naming the photo; composition; camera RAW) or FileError.
void applyWatermark(const QString& photoPath, const QString& watermarkPath,
    std::shared_ptr<DecodedAhead> decodedAhead = nullptr);

// Whether applyWatermark, as the photo's journal stands now, renders from the whole decoded source (a
// validated crop without retouch decodes only what its canvas shows): what a batch decodes ahead.
bool watermarkReadsWholeSource(const QString& photoPath);

// Records the settings as the photo's retouch and renders the photo again from its original: on the
// print canvas of the journal's format when the crop is validated, else at full size without crop; with
// the watermark across the bottom of either when the journal includes it and a watermark file is given
// (a photo watermarked by the batch keeps its watermark through a later retouch). Neutral settings change
// nothing. A watermark file that cannot be read is left out (memory running out while it is read fails
// the photo). Throws PhotoEditError or FileError, as applyWatermark.
void applyRetouch(const QString& photoPath, const PhotoRetouchSettings& settings,
    const std::optional<QString>& watermarkPath, std::shared_ptr<DecodedAhead> decodedAhead = nullptr);

} // namespace quavel::PhotoEdits

// Turning a journal into pixels is one write of PhotoWriter, as the edits above: it is declared with them,
// a layer above the journal files it reads (photo/originals/PhotoEditMemory.h).
namespace quavel::PhotoEditMemory {

// Renders the photo in place from its original according to the journal's current state (one write of
// PhotoWriter; the journal itself is not written): the original is kept first; a state without validated
// crop, with a neutral retouch and without a watermark to draw puts the original's bytes back; otherwise
// the original is decoded, retouched at full quality and written at full size (crop not validated) or as
// the print canvas of its crop, with the watermark across the bottom of either when the state includes
// it and one is given. The photo's thumbnail entries go. Throws PhotoEditError or FileError.
void materialize(
    const PhotoEditJournal& journal, const QString& photoPath, const std::optional<FloatImage>& watermark);

} // namespace quavel::PhotoEditMemory
