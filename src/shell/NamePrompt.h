#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quavel {

// An alert with one text field: a title, the field, "Annuler" (also Escape) and a confirm button.
class NamePrompt : public QDialog
{
    Q_OBJECT

public:
    NamePrompt(
        const QString& title, const QString& placeholder, const QString& confirm, QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    QLineEdit* field() const { return m_field; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QLineEdit* m_field;
    QPushButton* m_confirm;
    QPushButton* m_cancel;
};

} // namespace quavel
