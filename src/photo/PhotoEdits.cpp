// The in-place edits and the re-rendering of a journal, each one write of the photo's one writer.
#include "photo/PhotoEdits.h"

#include "photo/DecodedAhead.h"
#include "photo/PhotoLook.h"
#include "photo/PhotoWriter.h"
#include "photo/originals/PhotoEditMemory.h"

namespace quavel {

void PhotoEditMemory::materialize(
    const PhotoEditJournal& journal, const QString& photoPath, const std::optional<FloatImage>& watermark)
{
    PhotoWriter::Request request;
    request.photo = photoPath;
    request.look = journal.current;
    if (watermark)
        request.watermark.image = *watermark;
    PhotoWriter::write(request);
}

void PhotoEdits::applyWatermark(
    const QString& photoPath, const QString& watermarkPath, std::shared_ptr<DecodedAhead> decodedAhead)
{
    PhotoWriter::Request request;
    request.photo = photoPath;
    // Applied twice, drawn once: the journal says the look includes it, and every rendering starts from
    // the original. Without a validated crop the watermark goes across the full-size photo, as every
    // later rendering of this look draws it.
    request.edit = [](PhotoEditJournal& journal) {
        if (journal.current.includeWatermark)
            return false;
        journal.pushHistory(journal.current);
        journal.current.includeWatermark = true;
        return true;
    };
    request.watermark.file = watermarkPath;
    request.watermark.unreadable = PhotoWriter::Watermark::Unreadable::fails;
    request.decodedAhead = std::move(decodedAhead);
    PhotoWriter::write(request);
}

bool PhotoEdits::watermarkReadsWholeSource(const QString& photoPath)
{
    CropEditState look = PhotoEditMemory::load(photoPath).current;
    look.includeWatermark = true;
    return PhotoLook::readsWholeSource(look, true);
}

void PhotoEdits::applyRetouch(const QString& photoPath, const PhotoRetouchSettings& settings,
    const std::optional<QString>& watermarkPath, std::shared_ptr<DecodedAhead> decodedAhead)
{
    if (settings.isNeutral())
        return;
    PhotoWriter::Request request;
    request.photo = photoPath;
    // The journal is written whether or not the settings change it, so that a photo without one gets
    // one.
    request.edit = [&settings](PhotoEditJournal& journal) {
        journal.recordRetouch(settings);
        return true;
    };
    request.watermark.file = watermarkPath;
    request.watermark.unreadable = PhotoWriter::Watermark::Unreadable::leftOut;
    request.decodedAhead = std::move(decodedAhead);
    PhotoWriter::write(request);
}

} // namespace quavel
