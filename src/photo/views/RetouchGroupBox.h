#pragma once

#include <QWidget>

class QVBoxLayout;

namespace quavel {

// The faint rounded box that holds the rows of an open sharpening or tone group; its content sits 18
// points from the leading edge and 10 from the other edges.
class RetouchGroupBox : public QWidget
{
    Q_OBJECT

public:
    RetouchGroupBox(bool compact, QWidget* parent = nullptr);

    void addWidget(QWidget* widget);
    QVBoxLayout* boxLayout() const { return m_layout; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_layout;
};

} // namespace quavel
