#pragma once

#include <QWidget>

namespace quavel {

// The round picture of the share-to-a-nearby-device button: AirDropShare::icon() drawn 28 × 28 points,
// smoothly scaled and clipped to a circle. It takes no focus and no pointer input of its own.
class AirDropIcon : public QWidget
{
    Q_OBJECT

public:
    explicit AirDropIcon(QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(28, 28); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quavel
