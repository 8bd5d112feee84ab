#pragma once

#include <QWidget>

namespace quavel {

// A hairline between two blocks of the orders screen, horizontal or vertical, in the label colour at a
// low opacity so it reads on either scheme.
class OrdersDivider : public QWidget
{
    Q_OBJECT

public:
    explicit OrdersDivider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quavel
