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

    // The text at a pixel size that may fall between whole pixels (11.5): a font's pixel size is whole,
    // so the text is set at the next whole size and drawn scaled down to this one.
    void setTextPixels(qreal pixels);
    qreal textPixels() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize scaled(QSize size) const;

    QColor m_color;
    // Drawn size ÷ the font's own (1 but for a size between whole pixels).
    qreal m_textScale = 1;
};

} // namespace quavel
