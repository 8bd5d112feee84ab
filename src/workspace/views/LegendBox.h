#pragma once

#include <QWidget>

class QBoxLayout;

namespace quavel {

// The colour legend of the preview: its entries side by side, or one over the other where the bar is
// short of room (its row is tall enough for two lines of the small text).
class LegendBox : public QWidget
{
    Q_OBJECT

public:
    explicit LegendBox(QWidget* parent = nullptr);

    void addEntry(QWidget* entry);
    void setStacked(bool stacked);
    bool isStacked() const { return m_stacked; }
    // The width side by side and one over the other.
    int flatWidth() const;
    int stackedWidth() const;

private:
    QBoxLayout* m_layout;
    bool m_stacked = false;
};

} // namespace quavel
