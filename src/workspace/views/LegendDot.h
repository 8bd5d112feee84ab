#pragma once

#include <QWidget>

namespace quavel {

// A colour legend entry: a dot 8 wide and the label beside it, in the small secondary text.
class LegendDot : public QWidget
{
    Q_OBJECT

public:
    // The colour is picked from the scheme when painting (for instance Theme::red at 0.85).
    using ColorOf = QColor (*)(bool dark);
    LegendDot(ColorOf color, qreal opacity, const QString& label, QWidget* parent = nullptr);

    QString label() const { return m_label; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorOf m_color;
    qreal m_opacity;
    QString m_label;
};

} // namespace quavel
