#include "photo/views/CropCanvas.h"

#include "photo/CropGeometry.h"
#include "photo/crop/CropEditorModel.h"
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

CropCanvas::CropCanvas(CropEditorModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(120, 120);
    for (auto changed : { &CropEditorModel::previewChanged, &CropEditorModel::sourceImageChanged,
             &CropEditorModel::formatChanged, &CropEditorModel::zoomChanged, &CropEditorModel::offsetChanged,
             &CropEditorModel::angleChanged, &CropEditorModel::includeWatermarkChanged })
        connect(model, changed, this, qOverload<>(&QWidget::update));
    connect(model, &CropEditorModel::watermarkImageChanged, this, [this] {
        m_watermark = m_model ? m_model->watermarkImage().toQImage() : QImage();
        update();
    });
    m_watermark = model->watermarkImage().toQImage();
}

QSize CropCanvas::sizeHint() const
{
    return QSize(640, 480);
}

bool CropCanvas::hasPicture() const
{
    return m_model && !m_model->preview().isNull() && !m_model->sourceImage().isNull();
}

QSizeF CropCanvas::sourceSize() const
{
    return m_model ? QSizeF(m_model->sourceImage().size()) : QSizeF();
}

PrintFormat CropCanvas::format() const
{
    return m_model ? m_model->format() : PrintFormat::a5;
}

double CropCanvas::zoom() const
{
    return m_model ? m_model->zoom() : 1;
}

QSizeF CropCanvas::offset() const
{
    return m_model ? m_model->offset() : QSizeF(0, 0);
}

double CropCanvas::angle() const
{
    return m_model ? m_model->angle() : 0;
}

bool CropCanvas::showsWatermark() const
{
    return m_model && m_model->includeWatermark() && !m_watermark.isNull();
}

double CropCanvas::aspect() const
{
    return CropGeometry::aspect(format(), sourceSize());
}

QRectF CropCanvas::imageCrop() const
{
    return CropGeometry::cropRect(sourceSize(), aspect(), zoom(), offset());
}

CropCanvasLayout CropCanvas::canvasLayout() const
{
    return CropGeometry::layout(sourceSize(), imageCrop(), QSizeF(size()));
}

const QPixmap& CropCanvas::scaledPhoto(const QSizeF& size)
{
    // Rescaled once per drawn size: the preview is up to 2048 pixels and a drag repaints often.
    const qreal dpr = devicePixelRatioF();
    const QSize pixels(std::max(1, int(std::lround(size.width() * dpr))),
        std::max(1, int(std::lround(size.height() * dpr))));
    const QImage& preview = m_model->preview();
    if (m_scaled.size() != pixels || m_scaledFrom.cacheKey() != preview.cacheKey()) {
        m_scaled
            = QPixmap::fromImage(preview.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(dpr);
        m_scaledFrom = preview;
    }
    return m_scaled;
}

void CropCanvas::paintEvent(QPaintEvent*)
{
    if (!hasPicture())
        return;
    QPainter p(this);
    const CropCanvasLayout l = canvasLayout();
    const QPointF centre = l.crop.center();

    // The photo turns about the crop centre under the axis-aligned frame; positive is clockwise.
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(centre);
    p.rotate(angle());
    p.translate(-centre);
    p.drawPixmap(l.image, scaledPhoto(l.image.size()), QRectF());
    p.restore();

    CropCanvasPainting::paintDimming(p, QRectF(rect()), l.crop);
    CropCanvasPainting::paintBorder(p, l.crop);
    CropCanvasPainting::paintHandles(p, l.crop);
    if (showsWatermark())
        CropCanvasPainting::paintWatermark(p, m_watermark, l.crop);
}

void CropCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !hasPicture()) {
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
    }
    // The model owns the drag; the canvas tells it where the pointer is and how things lie on screen
    // now (the layout changes while a crop grows past the image).
    if (m_model && hasPicture())
        m_model->dragTo(m_pressPoint, p, canvasLayout(), sourceSize());
}

void CropCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (!m_gestureStarted)
        return; // a click without movement is no drag
    m_gestureStarted = false;
    // Also the end of a drag that grabbed nothing.
    if (m_model)
        m_model->finishGesture();
}

void CropCanvas::updateCursor(const QPointF& p)
{
    if (!hasPicture()) {
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
    if (!hasPicture())
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
