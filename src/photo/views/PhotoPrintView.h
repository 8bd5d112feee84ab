#pragma once

#include "photo/print/PrintPagination.h"
#include "photo/views/PrintImageCache.h"

#include <QStringList>

class QPainter;

namespace quavel {

// The pages of one print run: one photo per page, in the given order, each fitted into the printable
// area, centred and upright on white. Photos are decoded for the printer's resolution (at most 300 dots
// per inch; a photo is decoded no larger than the printable area needs at that resolution, with the
// format's shrink-on-load) and drawn losslessly, so the job carries them at full quality rather than
// JPEG-compressed. One thread at a time: the print panel's preview on the GUI thread, then the run's
// print worker.
class PhotoPrintView
{
public:
    PhotoPrintView(QStringList photos, PrintImageCache::Loader loader);

    const QStringList& photos() const { return m_photos; }
    int pageCount() const { return PrintPagination::pageCount(int(m_photos.size())); }

    // Draws a page (1-based) into the printable area; the painter is in points on the sheet. The area is
    // filled with white; true when the page's photo was drawn (false for an unreadable photo, which
    // leaves a white page). `dpi` is the resolution the photo is rendered for.
    bool drawPage(QPainter& painter, int page, const PrintPagination::Printable& area, int dpi);

    // Starts decoding a page's photo ahead of its drawing in that area at that resolution.
    void prepare(int page, const PrintPagination::Printable& area, int dpi);

    // The long side, in pixels, a photo is decoded at for an area at a resolution.
    static int decodeBound(const PrintPagination::Printable& area, int dpi);

    const PrintImageCache& cache() const { return m_cache; }

private:
    QStringList m_photos;
    PrintImageCache m_cache;
};

} // namespace quavel
