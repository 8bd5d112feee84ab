#pragma once

#include <QWidget>

class QLineEdit;

namespace quavel {

class SymbolButton;

// The search field over the order folders: a magnifying glass, a plain text field ("Rechercher") and,
// while the text is not empty (spaces count), a button that clears it; on a rounded, lightly tinted
// ground.
class OrdersSearchField : public QWidget
{
    Q_OBJECT

public:
    explicit OrdersSearchField(QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    SymbolButton* clearButton() const { return m_clear; }
    QString text() const;
    void setText(const QString& text);

signals:
    void textChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* m_field = nullptr;
    SymbolButton* m_clear = nullptr;
};

} // namespace quavel
