#include "workspace/views/TitleHeader.h"

#include "ui/Theme.h"

#include <QPainter>

namespace quavel {

TitleHeader::TitleHeader(TextRect textRect, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent)
    , m_textRect(std::move(textRect))
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setFont(Fonts::font(Fonts::Style::caption, QFont::DemiBold));
}

QSize TitleHeader::sizeHint() const
{
    // Four above and below the title, and the hairline under it.
    return QSize(QHeaderView::sizeHint().width(), QFontMetrics(font()).height() + 8 + 1);
}

void TitleHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    const bool dark = Theme::isDark(this);
    painter->save();
    painter->setFont(font());
    painter->setPen(Theme::secondary(dark));
    const QString title = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    const QRect text = m_textRect(logicalIndex, rect.adjusted(0, 0, 0, -1));
    painter->drawText(text, int(Qt::AlignVCenter | Qt::AlignLeft) | Qt::TextSingleLine,
        QFontMetrics(font()).elidedText(title, Qt::ElideRight, text.width()));
    painter->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1),
        Theme::withOpacity(Theme::primary(dark), dark ? 0.18 : 0.14));
    painter->restore();
}

} // namespace quavel
