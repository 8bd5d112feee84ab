#pragma once

#include "photo/crop/FineLineDrag.h"
#include "photo/crop/FineLineGeometry.h"

#include <QWidget>

class QVariantAnimation;

namespace quavel {

// A thin slider drawn from plain shapes: a 3-point track, a teal fill from the origin value to the value,
// a tick at the origin and a round knob that grows a little under the pointer. A press off the knob
// jumps the value there; a drag then moves it by the pointer's movement since the press. Values are
// always stepped and clamped; a value held outside the range is drawn at the nearer end.
class FineLineSlider : public QWidget
{
    Q_OBJECT

public:
    FineLineSlider(
        const RetouchRange& range, std::optional<double> origin, qreal knob = 12, QWidget* parent = nullptr);

    double value() const { return m_value; }
    // The owner's value; only repaints (no signal).
    void setValue(double value);

    // The slider's lengths at its current width.
    FineLineGeometry trackGeometry() const;
    bool isHovering() const { return m_hovering; }
    // How far the hover look has come, 0 … 1 (animated over 0.12 s).
    qreal hoverProgress() const { return m_hover; }
    bool isDragging() const { return m_drag.isDragging(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user moved the value (press, drag).
    void valueEdited(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updateValue(qreal x);
    void setHovering(bool hovering);

    FineLineGeometry m_geometry;
    double m_value = 0;
    FineLineDrag m_drag;
    bool m_hovering = false;
    qreal m_hover = 0;
    QVariantAnimation* m_hoverAnimation = nullptr;
};

} // namespace quavel
