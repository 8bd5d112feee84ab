#pragma once

#include <QWidget>

namespace quavel {

// The rounded well behind a value field and its unit; its rim turns teal while the field has the focus.
class RetouchValueWell : public QWidget
{
    Q_OBJECT

public:
    explicit RetouchValueWell(QWidget* parent = nullptr);

    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_highlighted = false;
};

} // namespace quavel
