#include "ui/CapsuleMenu.h"

#include <QMenu>

namespace quavel {

namespace {
constexpr qreal kMinimumTextWidth = 88;
}

CapsuleMenu::CapsuleMenu(const QString& title, const QString& placeholder, qreal maxWidth, QWidget* parent)
    : CapsuleButton(CapsuleKind::glass, parent)
    , m_title(title)
    , m_placeholder(placeholder)
{
    setTrailingSymbol(QStringLiteral("chevron.down"), 8, 0.5);
    setTitleWidthRange(kMinimumTextWidth, maxWidth);
    setMenu(new QMenu(this));
    refresh();
}

void CapsuleMenu::setTitle(const QString& title)
{
    m_title = title;
    refresh();
}

void CapsuleMenu::setPlaceholder(const QString& placeholder)
{
    m_placeholder = placeholder;
    refresh();
}

QString CapsuleMenu::shownText() const
{
    return m_title.isEmpty() ? m_placeholder : m_title;
}

QMenu* CapsuleMenu::items() const
{
    return menu();
}

void CapsuleMenu::refresh()
{
    setText(shownText());
    setToolTip(shownText());
    updateGeometry();
}

} // namespace quavel
