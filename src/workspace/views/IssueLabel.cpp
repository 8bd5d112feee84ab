#include "workspace/views/IssueLabel.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QPainter>

namespace quavel {

namespace {
constexpr int symbol = 15;
constexpr int gap = 4;
} // namespace

IssueLabel::IssueLabel(QWidget* parent)
    : QWidget(parent)
{
    setFont(Fonts::font(Fonts::Style::callout, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void IssueLabel::setIssues(int count, const QString& help)
{
    if (count != m_count) {
        m_count = count;
        updateGeometry();
        update();
    }
    setToolTip(help);
    setAccessibleName(help);
}

QSize IssueLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(symbol + gap + metrics.horizontalAdvance(text()) + 2, std::max(symbol, metrics.height()));
}

void IssueLabel::paintEvent(QPaintEvent*)
{
    const QColor red = Theme::red(Theme::isDark(this));
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    Symbols::paint(p, QRectF(0, (height() - symbol) / 2.0, symbol, symbol),
        QStringLiteral("exclamationmark.circle.fill"), red);
    p.setPen(red);
    p.setFont(font());
    p.drawText(
        QRect(symbol + gap, 0, width() - symbol - gap, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}

} // namespace quavel
