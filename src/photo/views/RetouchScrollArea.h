#pragma once

#include <QScrollArea>

namespace quavel {

// The scroll view of the retouch panels: transparent, without visible scroll bars (the wheel and the
// touchpad still scroll), asking for its content's height up to a cap so that a floating panel grows with
// its content and scrolls past the cap.
class RetouchScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit RetouchScrollArea(QWidget* content, QWidget* parent = nullptr);

    // The largest height the area asks for (no cap by default).
    void setMaximumHintHeight(int height);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_maximumHintHeight = QWIDGETSIZE_MAX;
};

} // namespace quavel
