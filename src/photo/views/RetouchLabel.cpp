#include "photo/views/RetouchLabel.h"

namespace quavel {

RetouchLabel::RetouchLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent)
    : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setFont(font);
    setForegroundRole(QPalette::WindowText);
    setColor(color);
}

void RetouchLabel::setColor(const QColor& color)
{
    m_color = color;
    QPalette p = palette();
    for (auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        p.setColor(group, QPalette::WindowText, color);
    setPalette(p);
}

} // namespace quavel
