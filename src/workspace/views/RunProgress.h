#pragma once

#include <QWidget>

namespace quavel {

// The progress line of an organiser run: "Organisation… 120/480" over a thin bar in the accent colour.
class RunProgress : public QWidget
{
    Q_OBJECT

public:
    explicit RunProgress(QWidget* parent = nullptr);

    void setProgress(int done, int total);
    QString text() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int textHeight() const;

    int m_done = 0;
    int m_total = 0;
};

} // namespace quavel
