#include "photo/views/RetouchValueField.h"

#include "photo/views/RetouchLook.h"

#include <QKeyEvent>

namespace quavel {

namespace {
bool isReturn(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && !(key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier));
}
} // namespace

RetouchValueField::RetouchValueField(QWidget* parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setFont(RetouchLook::monospaced(11, QFont::Medium));
    setFixedWidth(46);
    setTextMargins(0, 0, 0, 0);
    setToolTip(QStringLiteral("Saisir une valeur"));
    setContextMenuPolicy(Qt::NoContextMenu);
    QPalette p = palette();
    for (auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        p.setColor(group, QPalette::Text, Qt::white);
        p.setColor(group, QPalette::Base, Qt::transparent);
    }
    setPalette(p);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
}

bool RetouchValueField::event(QEvent* event)
{
    // Claim Return before any window shortcut sees it.
    if (event->type() == QEvent::ShortcutOverride && isReturn(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void RetouchValueField::keyPressEvent(QKeyEvent* event)
{
    if (isReturn(event)) {
        emit commitRequested();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void RetouchValueField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    emit focusChanged(true);
}

void RetouchValueField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The field's own context menu is off, so every focus loss ends the editing.
    emit focusChanged(false);
    emit commitRequested();
}

} // namespace quavel
