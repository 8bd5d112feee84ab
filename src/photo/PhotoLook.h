#pragma once

#include "photo/originals/CropEditState.h"
#include "platform/imaging/FloatImage.h"

#include <QString>

#include <optional>

// The one rendering of a look: the pixels a photo shows for a journal state, whoever writes it (the crop
// editor from its session copy, the batches and the re-renderings from the original). Every writer of a
// photo has its pixels made here, so that one state gives the same bytes whichever writer puts it on the
// photo. Pure: callable from any thread, touches no file but the source it reads.
namespace quavel::PhotoLook {

// The watermark a look draws: the image when the state includes the watermark and one is given (not
// null), else none.
const FloatImage* drawnWatermark(const CropEditState& look, const FloatImage* watermark);

// Whether rendering the look decodes the whole source: every look but the source itself and a validated
// crop without retouch (which decodes only what its canvas shows). drawsWatermark: drawnWatermark gives
// one.
bool readsWholeSource(const CropEditState& look, bool drawsWatermark);

// The look rendered from the source file (the photo's original, or a copy of it): absent when the look
// is the source itself (crop not validated, neutral retouch, no watermark to draw), whose bytes then go
// back as they are. Otherwise the source retouched at full quality and laid on the print canvas of its
// validated crop, or kept at full size, with the watermark across the bottom of either when drawn. A
// validated crop without retouch decodes only the part of the source its canvas shows. Offsets are in
// pixels of the full-size upright source.
//
// decoded: the whole source already decoded (readsWholeSource), handed over; null: read here.
//
// A retouch that cannot be made fails the rendering (a photo written unretouched while its journal says
// otherwise would be a wrong result). Throws PhotoEditError: unreadablePhoto (a damaged file included),
// tooLarge, outOfMemory (these two name no file: PhotoReads::naming puts the photo's name in),
// composeFailed.
std::optional<FloatImage> render(const QString& source, const CropEditState& look,
    const FloatImage* watermark = nullptr, FloatImage decoded = FloatImage());

} // namespace quavel::PhotoLook
