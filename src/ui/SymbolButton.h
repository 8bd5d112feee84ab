#pragma once

#include <QAbstractButton>
#include <QColor>

namespace quavel {

// A button that is only a symbol, in the plain style: no capsule, a colour and an opacity of its own.
class SymbolButton : public QAbstractButton
{
    Q_OBJECT

public:
    SymbolButton(const QString& symbol, qreal pixels, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    // An invalid colour draws in the palette's text colour.
    void setSymbolColor(const QColor& color, qreal opacity = 1.0);
    QColor symbolColor() const { return m_color; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_symbol;
    qreal m_pixels;
    QColor m_color;
    qreal m_opacity = 1.0;
    bool m_hovering = false;
};

} // namespace quavel
