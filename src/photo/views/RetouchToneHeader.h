#pragma once

#include <QAbstractButton>

namespace quavel {

// The header of a tone group: a chevron that turns down while the group is open, the title and, at the
// trailing end, the signed amount in percent. The whole row is the button.
class RetouchToneHeader : public QAbstractButton
{
    Q_OBJECT

public:
    RetouchToneHeader(const QString& title, QWidget* parent = nullptr);

    QString amountText() const { return m_amountText; }
    // Teal for an amount other than exactly 0, muted otherwise.
    QColor amountColor() const;
    void setAmount(double amount);
    // The chevron's turn, 0 (pointing right) … 1 (pointing down).
    qreal turn() const { return m_turn; }
    void setTurn(qreal turn);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_amountText;
    double m_amount = 0;
    qreal m_turn = 0;
};

} // namespace quavel
