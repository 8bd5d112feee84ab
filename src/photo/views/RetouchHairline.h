#pragma once

#include <QWidget>

namespace quavel {

// A faint 1-point separator fading out at both ends, with 4 points above and below.
class RetouchHairline : public QWidget
{
    Q_OBJECT

public:
    explicit RetouchHairline(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quavel
