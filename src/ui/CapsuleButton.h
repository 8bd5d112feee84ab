#pragma once

#include "ui/CapsuleChrome.h"
#include "ui/CapsuleKind.h"

#include <QAbstractButton>
#include <QPointer>

#include <QMenu>
class QVariantAnimation;

namespace quavel {

// A button in the capsule look: an optional symbol, an optional title and an optional trailing symbol,
// sized by the kind and the inherited control size. With a menu, a click opens the menu under it.
class CapsuleButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit CapsuleButton(CapsuleKind kind = CapsuleKind::glass, QWidget* parent = nullptr);
    CapsuleButton(const QString& title, const QString& symbol, CapsuleKind kind = CapsuleKind::glass,
        QWidget* parent = nullptr);

    CapsuleKind kind() const { return m_kind; }
    void setKind(CapsuleKind kind);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    // A small symbol after the title ("chevron.down"), at its own size, weight of line and opacity.
    void setTrailingSymbol(const QString& symbol, qreal pixels, qreal opacity);
    // Bounds of the title's width; the title is cut with an ellipsis past the maximum.
    void setTitleWidthRange(qreal minimum, qreal maximum);
    // Symbol colour overriding the kind's foreground (the done mark's green).
    void setSymbolColor(const QColor& color);
    void setSymbolScale(qreal scale);

    void setMenu(QMenu* menu);
    QMenu* menu() const { return m_menu; }

    // The chrome's state as last painted (tests look at it).
    CapsuleChromeState chromeState() const;
    bool isHovering() const { return m_hovering; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void init();
    void animate(QVariantAnimation* animation, qreal& value, qreal target);
    void updateSizePolicy();
    QFont titleFont() const;
    qreal titleWidth() const;
    qreal symbolPixels() const;

    CapsuleKind m_kind;
    bool m_selected = false;
    bool m_hovering = false;
    QString m_symbol;
    QString m_trailingSymbol;
    qreal m_trailingPixels = 8;
    qreal m_trailingOpacity = 0.5;
    qreal m_titleMin = 0;
    qreal m_titleMax = 1e6;
    qreal m_symbolScale = 1.0;
    QColor m_symbolColor;
    qreal m_hover = 0;
    qreal m_press = 0;
    QVariantAnimation* m_hoverAnimation = nullptr;
    QVariantAnimation* m_pressAnimation = nullptr;
    QPointer<QMenu> m_menu;
};

} // namespace quavel
