#include "photo/views/PhotoPrintView.h"

#include <QPainter>

#include <algorithm>

namespace quavel {

PhotoPrintView::PhotoPrintView(QStringList photos, PrintImageCache::Loader loader)
    : m_photos(std::move(photos))
    , m_cache(std::move(loader))
{ }

int PhotoPrintView::decodeBound(const PrintPagination::Printable& area, int dpi)
{
    // A photo fitted into the area is never wider or higher than the area.
    const QSize pixels = PrintPagination::renderPixels(area.size, dpi);
    return std::max(pixels.width(), pixels.height());
}

void PhotoPrintView::prepare(int page, const PrintPagination::Printable& area, int dpi)
{
    if (page >= 1 && page <= m_photos.size())
        m_cache.prefetch(page, m_photos[page - 1], decodeBound(area, dpi));
}

bool PhotoPrintView::drawPage(QPainter& painter, int page, const PrintPagination::Printable& area, int dpi)
{
    using namespace PrintPagination;
    const QRectF rect = area.rect();
    painter.fillRect(rect, Qt::white);
    if (page < 1 || page > m_photos.size())
        return false;
    const int index = photoIndexForPage(page, int(m_photos.size()));
    const QImage image = m_cache.image(index + 1, m_photos[index], decodeBound(area, dpi));
    if (image.isNull())
        return false;
    const QRectF fitted = fittedRect(QSizeF(image.size()), rect);
    if (!isDrawable(fitted))
        return false;

    // The printer gets exactly the pixels it prints (the decoded photo is at most a little larger, or
    // smaller than the page needs), scaled with a smooth filter, and keeps them as they are: without the
    // hint, Qt's PDF output would store them as JPEG.
    const QSize pixels = renderPixels(fitted.size(), dpi);
    const QImage rendered = image.size() == pixels
        ? image
        : image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.drawImage(fitted, rendered);
    painter.restore();
    return true;
}

} // namespace quavel
