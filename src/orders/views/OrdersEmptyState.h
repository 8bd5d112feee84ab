#pragma once

#include <QWidget>

namespace quavel {

class ToneLabel;

// The centred empty state of the orders screen's detail: the box symbol, a title and a subtitle of at
// most 420 points per line.
class OrdersEmptyState : public QWidget
{
    Q_OBJECT

public:
    explicit OrdersEmptyState(QWidget* parent = nullptr);

    void setTexts(const QString& title, const QString& subtitle);
    QString title() const;
    QString subtitle() const;

private:
    ToneLabel* m_title = nullptr;
    ToneLabel* m_subtitle = nullptr;
};

} // namespace quavel
