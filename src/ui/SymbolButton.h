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
    // A colour of the scheme (Theme::green, Theme::red...), looked up for the scheme shown at each
    // painting, so the symbol follows a change of appearance.
    using SchemeColor = QColor (*)(bool dark);
    void setSymbolColor(SchemeColor color, qreal opacity = 1.0);
    // The colour the symbol is drawn in now.
    QColor symbolColor() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_symbol;
    qreal m_pixels;
    QColor m_color;
    SchemeColor m_schemeColor = nullptr;
    qreal m_opacity = 1.0;
    bool m_hovering = false;
};

} // namespace quavel
