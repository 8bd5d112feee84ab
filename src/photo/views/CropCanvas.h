#pragma once

#include "photo/CropCanvasLayout.h"
#include "photo/print/PrintFormat.h"

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

namespace quavel {

class CropEditorModel;

// The picture area of the crop editor: the photo turned by the straightening angle about the crop centre,
// the print-format crop frame over it with the surround dimmed, the watermark preview inside the frame and
// twelve handles, all as the editor model holds them now. Drags move the crop, resize it at the print
// aspect (sides and corners) or straighten the photo (the four rotate glyphs): the canvas forwards the
// pointer and its layout to the model, which owns the drag; the pointer shape follows the handle under it.
class CropCanvas : public QWidget
{
    Q_OBJECT

public:
    explicit CropCanvas(CropEditorModel* model, QWidget* parent = nullptr);

    // What the canvas draws: the model's.
    PrintFormat format() const;
    double zoom() const;
    QSizeF offset() const;
    double angle() const;
    // The watermark preview is drawn: the state includes it and its picture is loaded.
    bool showsWatermark() const;

    // Width ÷ height of the crop on this picture.
    double aspect() const;
    // The crop in image space, and where image and crop lie on the canvas now.
    QRectF imageCrop() const;
    CropCanvasLayout canvasLayout() const;

    // A press has moved far enough to be a drag, and is not released yet.
    bool isDragging() const { return m_gestureStarted; }

    // The hover help at a point: "Redimensionner" over a corner dot, "Corriger l’angle" over a rotate
    // glyph, nothing elsewhere.
    QString helpAt(const QPointF& p) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool hasPicture() const;
    QSizeF sourceSize() const;
    void updateCursor(const QPointF& p);
    const QPixmap& scaledPhoto(const QSizeF& size);

    QPointer<CropEditorModel> m_model;
    // The model's watermark picture as drawn, converted once per change.
    QImage m_watermark;

    bool m_pressed = false;
    bool m_gestureStarted = false;
    QPointF m_pressPoint;

    QPixmap m_scaled;
    QImage m_scaledFrom;
};

} // namespace quavel
