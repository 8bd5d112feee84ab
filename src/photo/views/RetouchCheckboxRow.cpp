#include "photo/views/RetouchCheckboxRow.h"

#include "photo/views/RetouchLabel.h"
#include "photo/views/RetouchLook.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace quavel {

RetouchCheckboxRow::RetouchCheckboxRow(
    const QString& title, const std::optional<QString>& subtitle, const QString& help, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    row->setSpacing(6);
    m_box = new QCheckBox(this);
    m_box->setAccessibleName(title);
    row->addWidget(m_box, 0, Qt::AlignTop);

    auto* labels = new QVBoxLayout;
    labels->setContentsMargins(0, 0, 0, 0);
    labels->setSpacing(1);
    m_title = new RetouchLabel(title, RetouchLook::font(12, QFont::Medium), RetouchLook::label(), this);
    labels->addWidget(m_title);
    if (subtitle) {
        m_subtitle
            = new RetouchLabel(*subtitle, RetouchLook::font(10, QFont::Normal), RetouchLook::muted(), this);
        labels->addWidget(m_subtitle);
    }
    row->addLayout(labels, 1);
    setToolTip(help);
    // The labels are part of the toggle: their clicks reach the row.
    for (QWidget* label : { static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_subtitle) }) {
        if (label)
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    connect(m_box, &QCheckBox::clicked, this, &RetouchCheckboxRow::toggled);
}

bool RetouchCheckboxRow::isOn() const
{
    return m_box->isChecked();
}

void RetouchCheckboxRow::setOn(bool on)
{
    m_box->setChecked(on);
}

void RetouchCheckboxRow::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void RetouchCheckboxRow::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click
        = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        m_box->click();
}

} // namespace quavel
