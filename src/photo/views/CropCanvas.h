#pragma once

#include "photo/CropCanvasLayout.h"
#include "photo/PrintFormat.h"
#include "photo/views/CropDrag.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace quavel {

// The picture area of the crop editor: the photo turned by the straightening angle about the crop centre,
// the print-format crop frame over it with the surround dimmed, the watermark preview inside the frame and
// twelve handles. Drags move the crop, resize it at the print aspect (sides and corners) or straighten the
// photo (the four rotate glyphs); the pointer shape follows the handle under it. The canvas shows what it
// is given and reports each change a drag makes; its owner stores it and hands the new state back.
class CropCanvas : public QWidget
{
    Q_OBJECT

public:
    explicit CropCanvas(QWidget* parent = nullptr);

    // The photo as drawn, and the pixel size of the working image that the offset is measured in.
    void setPicture(const QImage& preview, const QSize& sourceSize);
    void setFormat(PrintFormat format);
    void setCrop(double zoom, const QSizeF& offset, double angle);
    // The watermark picture (may be null) and whether the state includes it.
    void setWatermark(const QImage& watermark, bool included);

    PrintFormat format() const { return m_format; }
    double zoom() const { return m_zoom; }
    QSizeF offset() const { return m_offset; }
    double angle() const { return m_angle; }
    bool showsWatermark() const;

    // Width ÷ height of the crop on this picture.
    double aspect() const;
    // The crop in image space, and where image and crop lie on the canvas now.
    QRectF imageCrop() const;
    CropCanvasLayout canvasLayout() const;

    const CropDrag& drag() const { return m_drag; }
    bool isDragging() const { return m_gestureStarted; }
    // What the drag grabbed is forgotten (another photo came in); the next movement of the same drag
    // looks at its start point again.
    void releaseHandle();

    // The hover help at a point: "Redimensionner" over a corner dot, "Corriger l’angle" over a rotate
    // glyph, nothing elsewhere.
    QString helpAt(const QPointF& p) const;

    QSize sizeHint() const override;

signals:
    // A drag looked at its start point: what it grabbed (maybe nothing) and the start values.
    void dragBegan(const CropDrag& drag);
    // A side, corner or move drag changed the crop.
    void cropEdited(double zoom, const QSizeF& offset);
    // A rotate drag changed the angle.
    void angleEdited(double angle);
    // The end of a drag (also of one that grabbed nothing).
    void gestureFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void beginDrag(
        const QPointF& start, const QRectF& cropView, const QRectF& crop, const QPointF& cropCentre);
    void applyDrag(const QPointF& location, const QPointF& translation);
    void updateCursor(const QPointF& p);
    const QPixmap& scaledPhoto(const QSizeF& size);

    QImage m_preview;
    QSizeF m_source;
    PrintFormat m_format = PrintFormat::a5;
    double m_zoom = 1;
    QSizeF m_offset { 0, 0 };
    double m_angle = 0;
    QImage m_watermark;
    bool m_watermarkIncluded = false;

    CropDrag m_drag;
    bool m_pressed = false;
    bool m_gestureStarted = false;
    QPointF m_pressPoint;

    QPixmap m_scaled;
    QImage m_scaledFrom;
};

} // namespace quavel
