#include "photo/views/RetouchLabel.h"

#include <QPainter>

#include <cmath>

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

void RetouchLabel::setTextPixels(qreal pixels)
{
    const int whole = std::max(1, int(std::ceil(pixels)));
    QFont f = font();
    f.setPixelSize(whole);
    setFont(f);
    m_textScale = std::max(pixels, 1.0) / whole;
    updateGeometry();
    update();
}

qreal RetouchLabel::textPixels() const
{
    return font().pixelSize() * m_textScale;
}

QSize RetouchLabel::scaled(QSize size) const
{
    if (m_textScale == 1)
        return size;
    return QSize(int(std::ceil(size.width() * m_textScale)), int(std::ceil(size.height() * m_textScale)));
}

QSize RetouchLabel::sizeHint() const
{
    return scaled(QLabel::sizeHint());
}

QSize RetouchLabel::minimumSizeHint() const
{
    return scaled(QLabel::minimumSizeHint());
}

void RetouchLabel::paintEvent(QPaintEvent* event)
{
    if (m_textScale == 1) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(m_textScale, m_textScale);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    const QRectF area = QRectF(contentsRect());
    p.drawText(QRectF(area.topLeft() / m_textScale, area.size() / m_textScale),
        int(alignment()) | Qt::TextSingleLine, text());
}

} // namespace quavel
