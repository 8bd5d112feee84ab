#include "shell/NamePrompt.h"

#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quavel {

NamePrompt::NamePrompt(
    const QString& title, const QString& placeholder, const QString& confirm, QWidget* parent)
    : QDialog(parent)
    , m_field(new QLineEdit(this))
    , m_confirm(new QPushButton(confirm, this))
    , m_cancel(new QPushButton(QStringLiteral("Annuler"), this))
{
    setWindowTitle(title);
    setModal(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 18, 20, 16);
    column->setSpacing(12);
    auto* heading = new QLabel(title, this);
    heading->setTextFormat(Qt::PlainText);
    heading->setFont(Fonts::font(Fonts::Style::headline));
    column->addWidget(heading);
    m_field->setPlaceholderText(placeholder);
    m_field->setMinimumWidth(260);
    column->addWidget(m_field);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_confirm);
    column->addLayout(buttons);
    m_confirm->setDefault(true);
    m_cancel->setAutoDefault(false);
    connect(m_confirm, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString NamePrompt::text() const
{
    return m_field->text();
}

void NamePrompt::setText(const QString& text)
{
    m_field->setText(text);
    m_field->selectAll();
}

} // namespace quavel
