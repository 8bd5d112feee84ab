#pragma once

#include <QWidget>

class QVariantAnimation;

namespace quavel {

class RetouchGroupBox;
class RetouchSliderRow;
class RetouchToneHeader;
class RetouchToneReveal;

// A collapsible tone section: a header button with the signed amount, and while open a box with the
// three sliders "Intensité", "Gamme de tons" and "Rayon". A group whose amount is not 0 when it is first
// shown is open at once; an amount that becomes non-zero later opens it (0.16 s); nothing but a click on
// the header closes it.
class RetouchToneGroup : public QWidget
{
    Q_OBJECT

public:
    RetouchToneGroup(const QString& title, const QString& help, bool compact, QWidget* parent = nullptr);

    bool isExpanded() const { return m_expanded; }
    // The header's click: open or close, animated.
    void toggle();
    bool isAnimating() const;

    RetouchToneHeader* header() const { return m_header; }
    RetouchGroupBox* box() const { return m_box; }
    // Whether the box is on screen, also part of the way through the animation.
    bool isBoxShown() const;
    RetouchSliderRow* amountRow() const { return m_amount; }
    RetouchSliderRow* tonalWidthRow() const { return m_tonalWidth; }
    RetouchSliderRow* radiusRow() const { return m_radius; }

    // Length of the open and close animation.
    static constexpr int kAnimationMs = 160;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setExpanded(bool expanded, bool animated);
    void applyProgress(qreal progress);

    RetouchToneHeader* m_header = nullptr;
    RetouchGroupBox* m_box = nullptr;
    RetouchToneReveal* m_reveal = nullptr;
    RetouchSliderRow* m_amount = nullptr;
    RetouchSliderRow* m_tonalWidth = nullptr;
    RetouchSliderRow* m_radius = nullptr;
    QVariantAnimation* m_animation = nullptr;
    bool m_expanded = false;
    bool m_shown = false;
    qreal m_progress = 0;
};

} // namespace quavel
