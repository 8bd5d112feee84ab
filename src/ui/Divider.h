#pragma once

#include <QWidget>

namespace quavel {

// A one-point line between two blocks, horizontal or vertical, in the label colour at a low opacity so
// it reads on either scheme: 0.12, or one given for each scheme.
class Divider : public QWidget
{
    Q_OBJECT

public:
    explicit Divider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
    Divider(Qt::Orientation orientation, qreal lightOpacity, qreal darkOpacity, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_lightOpacity;
    qreal m_darkOpacity;
};

} // namespace quavel
