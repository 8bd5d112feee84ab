#pragma once

#include <QLabel>

namespace quavel {

// A one-line plain-text label in a fixed colour and font, as the retouch controls write their titles.
class RetouchLabel : public QLabel
{
    Q_OBJECT

public:
    RetouchLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

private:
    QColor m_color;
};

} // namespace quavel
