#pragma once

#include "ui/CapsuleKind.h"

#include <QTimer>
#include <QWidget>

namespace quavel {

// The indeterminate progress indicator: twelve spokes fading round a circle in the label colour, sized
// by the inherited control size. It turns only while visible.
class ActivitySpinner : public QWidget
{
    Q_OBJECT

public:
    explicit ActivitySpinner(QWidget* parent = nullptr);

    // Side of the square for a control size (small 16, regular 32, large 40).
    static int side(ControlSize size);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer m_timer;
    int m_step = 0;
};

} // namespace quavel
