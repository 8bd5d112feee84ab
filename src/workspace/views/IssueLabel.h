#pragma once

#include <QWidget>

namespace quavel {

// The bar's issue count: a red exclamation mark and the number, its help text as tooltip and
// accessible name.
class IssueLabel : public QWidget
{
    Q_OBJECT

public:
    explicit IssueLabel(QWidget* parent = nullptr);

    void setIssues(int count, const QString& help);
    int count() const { return m_count; }
    QString text() const { return QString::number(m_count); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_count = 0;
};

} // namespace quavel
