#include "photo/views/CropCanvas.h"

#include "photo/CropGeometry.h"
#include "photo/views/CropCanvasPainting.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

namespace quavel {

namespace {
// A press becomes a drag once the pointer has moved this far.
constexpr qreal kDragThreshold = 1;
} // namespace

CropCanvas::CropCanvas(QWidget* parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(120, 120);
}

QSize CropCanvas::sizeHint() const
{
    return QSize(640, 480);
}

void CropCanvas::setPicture(const QImage& preview, const QSize& sourceSize)
{
    m_preview = preview;
    m_source = QSizeF(sourceSize);
    update();
}

void CropCanvas::setFormat(PrintFormat format)
{
    if (format == m_format)
        return;
    m_format = format;
    update();
}

void CropCanvas::setCrop(double zoom, const QSizeF& offset, double angle)
{
    if (zoom == m_zoom && offset == m_offset && angle == m_angle)
        return;
    m_zoom = zoom;
    m_offset = offset;
    m_angle = angle;
    update();
}

void CropCanvas::setWatermark(const QImage& watermark, bool included)
{
    m_watermark = watermark;
    m_watermarkIncluded = included;
    update();
}

bool CropCanvas::showsWatermark() const
{
    return m_watermarkIncluded && !m_watermark.isNull();
}

double CropCanvas::aspect() const
{
    return CropGeometry::aspect(m_format, m_source);
}

QRectF CropCanvas::imageCrop() const
{
    return CropGeometry::cropRect(m_source, aspect(), m_zoom, m_offset);
}

CropCanvasLayout CropCanvas::canvasLayout() const
{
    return CropGeometry::layout(m_source, imageCrop(), QSizeF(size()));
}

void CropCanvas::releaseHandle()
{
    m_drag.handle.reset();
}

const QPixmap& CropCanvas::scaledPhoto(const QSizeF& size)
{
    // Rescaled once per drawn size: the preview is up to 2048 pixels and a drag repaints often.
    const qreal dpr = devicePixelRatioF();
    const QSize pixels(std::max(1, int(std::lround(size.width() * dpr))),
        std::max(1, int(std::lround(size.height() * dpr))));
    if (m_scaled.size() != pixels || m_scaledFrom.cacheKey() != m_preview.cacheKey()) {
        m_scaled
            = QPixmap::fromImage(m_preview.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(dpr);
        m_scaledFrom = m_preview;
    }
    return m_scaled;
}

void CropCanvas::paintEvent(QPaintEvent*)
{
    if (m_preview.isNull() || m_source.isEmpty())
        return;
    QPainter p(this);
    const CropCanvasLayout l = canvasLayout();
    const QPointF centre = l.crop.center();

    // The photo turns about the crop centre under the axis-aligned frame; positive is clockwise.
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(centre);
    p.rotate(m_angle);
    p.translate(-centre);
    p.drawPixmap(l.image, scaledPhoto(l.image.size()), QRectF());
    p.restore();

    CropCanvasPainting::paintDimming(p, QRectF(rect()), l.crop);
    CropCanvasPainting::paintBorder(p, l.crop);
    CropCanvasPainting::paintHandles(p, l.crop);
    if (showsWatermark())
        CropCanvasPainting::paintWatermark(p, m_watermark, l.crop);
}

void CropCanvas::beginDrag(
    const QPointF& start, const QRectF& cropView, const QRectF& crop, const QPointF& cropCentre)
{
    m_drag.handle = CropGeometry::hitTest(start, cropView);
    m_drag.startOffset = m_offset;
    m_drag.startCrop = crop;
    m_drag.startAngle = m_angle;
    const QPointF v = start - cropCentre;
    m_drag.startVector = QSizeF(v.x(), v.y());
    emit dragBegan(m_drag);
}

void CropCanvas::applyDrag(const QPointF& location, const QPointF& translation)
{
    // The values of what is on screen now: the layout changes while a crop grows past the image.
    const CropCanvasLayout l = canvasLayout();
    const QRectF crop = imageCrop();
    const QPointF centre = l.crop.center();
    const double a = aspect();
    if (!m_drag.handle)
        beginDrag(m_pressPoint, l.crop, crop, centre);
    if (!m_drag.handle)
        return;
    switch (m_drag.handle->kind) {
    case CropHandle::Kind::move: {
        const QSizeF offset
            = CropGeometry::movedOffset(m_drag.startOffset, translation, l.scale, m_source, a, m_zoom);
        if (offset != m_offset) {
            m_offset = offset;
            update();
            emit cropEdited(m_zoom, m_offset);
        }
        break;
    }
    case CropHandle::Kind::edge: {
        const CropGeometry::Resize r
            = CropGeometry::resized(m_drag.startCrop, m_drag.handle->side, translation, l.scale, m_source, a);
        if (r.zoom != m_zoom || r.offset != m_offset) {
            m_zoom = r.zoom;
            m_offset = r.offset;
            update();
            emit cropEdited(m_zoom, m_offset);
        }
        break;
    }
    case CropHandle::Kind::rotate: {
        const std::optional<double> angle
            = CropGeometry::rotatedAngle(m_drag.startAngle, m_drag.startVector, location, centre);
        if (angle && *angle != m_angle) {
            m_angle = *angle;
            update();
            emit angleEdited(m_angle);
        }
        break;
    }
    }
}

void CropCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_preview.isNull()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_gestureStarted = false;
    m_pressPoint = event->position();
}

void CropCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF p = event->position();
    updateCursor(p);
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return;
    const QPointF translation = p - m_pressPoint;
    if (!m_gestureStarted) {
        if (std::hypot(translation.x(), translation.y()) < kDragThreshold)
            return;
        m_gestureStarted = true;
        m_drag.handle.reset();
    }
    applyDrag(p, translation);
}

void CropCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (!m_gestureStarted)
        return; // a click without movement is no drag
    m_gestureStarted = false;
    m_drag.handle.reset();
    m_drag.startOffset = m_offset;
    emit gestureFinished();
}

void CropCanvas::updateCursor(const QPointF& p)
{
    if (m_preview.isNull()) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    setCursor(CropGeometry::cursorShape(CropGeometry::hitTest(p, canvasLayout().crop)));
}

void CropCanvas::leaveEvent(QEvent* event)
{
    setCursor(Qt::ArrowCursor);
    QWidget::leaveEvent(event);
}

QString CropCanvas::helpAt(const QPointF& p) const
{
    if (m_preview.isNull())
        return QString();
    const QRectF crop = canvasLayout().crop;
    // The glyphs are drawn over the dots, so they answer first.
    for (const QPointF& point : CropGeometry::rotatePoints(crop)) {
        if (CropCanvasPainting::rotateGlyph(point).contains(p))
            return QStringLiteral("Corriger l’angle");
    }
    for (const QPointF& corner : CropGeometry::corners(crop)) {
        if (CropCanvasPainting::cornerDot(corner).contains(p))
            return QStringLiteral("Redimensionner");
    }
    return QString();
}

bool CropCanvas::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = helpAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
}

} // namespace quavel
