#pragma once

#include <QWidget>

namespace quavel {

// The dark ground of the retouch panels: a deep blue-black, a teal haze fading from the top edge to the
// middle, and a faint white rim. Holds the panel's content in whatever layout it is given.
class RetouchPanelBackground : public QWidget
{
    Q_OBJECT

public:
    explicit RetouchPanelBackground(QWidget* parent = nullptr);

    static void paint(QPainter& painter, const QRectF& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quavel
