#pragma once

#include "ui/CapsuleButton.h"

class QMenu;

namespace quavel {

// A pop-up menu drawn as a glass capsule: the title (or the placeholder when the title is empty) and a
// small chevron. The menu's items are the caller's.
class CapsuleMenu : public CapsuleButton
{
    Q_OBJECT

public:
    CapsuleMenu(const QString& title, const QString& placeholder, qreal maxWidth, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const { return m_title; }
    void setPlaceholder(const QString& placeholder);
    QString placeholder() const { return m_placeholder; }
    QString shownText() const;
    // The items; owned by the control.
    QMenu* items() const;

private:
    void refresh();

    QString m_title;
    QString m_placeholder;
};

} // namespace quavel
