#include "shell/ClampedLabel.h"

#include <QPainter>
#include <QTextLayout>

namespace quavel {

ClampedLabel::ClampedLabel(
    const QString& text, Tone tone, const QFont& font, int maximumLines, QWidget* parent)
    : ToneLabel(text, tone, font, parent)
    , m_maximumLines(std::max(1, maximumLines))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QStringList ClampedLabel::shownLines(int width) const
{
    const QString all = text();
    const QFontMetrics fm(font());
    if (width <= 0 || all.isEmpty())
        return { all };
    if (m_maximumLines == 1)
        return { fm.elidedText(all, Qt::ElideRight, width) };
    QTextLayout layout(all, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == m_maximumLines - 1) {
            // The last line allowed takes the rest of the text, cut if it does not fit.
            const QString rest = all.mid(line.textStart()).trimmed();
            lines.append(fm.elidedText(rest, Qt::ElideRight, width));
            break;
        }
        lines.append(all.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

QRect ClampedLabel::textArea() const
{
    const int pad = margin();
    return contentsRect().adjusted(pad, pad, -pad, -pad);
}

bool ClampedLabel::isCut() const
{
    const QStringList lines = shownLines(textArea().width());
    return !lines.isEmpty() && lines.last().endsWith(QChar(0x2026)) && !text().endsWith(QChar(0x2026));
}

// The margins around the text: the widget's, and the label's room for accents and descenders.
QMargins ClampedLabel::textMargins() const
{
    const int pad = margin();
    return contentsMargins() + QMargins(pad, pad, pad, pad);
}

QSize ClampedLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    const QMargins m = textMargins();
    const int natural = fm.horizontalAdvance(text()) + 1;
    return QSize(natural + m.left() + m.right(), fm.height() + m.top() + m.bottom());
}

QSize ClampedLabel::minimumSizeHint() const
{
    // Squeezed to a few letters: the layout around decides the width, the text gives way.
    const QFontMetrics fm(font());
    const QMargins m = textMargins();
    return QSize(fm.horizontalAdvance(QStringLiteral("M…")) + m.left() + m.right(),
        fm.height() + m.top() + m.bottom());
}

int ClampedLabel::heightForWidth(int width) const
{
    const QMargins m = textMargins();
    const QFontMetrics fm(font());
    const auto lines = shownLines(width - m.left() - m.right()).size();
    return int(lines - 1) * fm.lineSpacing() + fm.height() + m.top() + m.bottom();
}

void ClampedLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    const QRect area = textArea();
    const QFontMetrics fm(font());
    const QStringList lines = shownLines(area.width());
    // Top-aligned, or centred when there is room for the single line only. A line's box is the font's
    // height, which accents may pass: nothing is clipped to it.
    int y = area.top() + (lines.size() == 1 ? std::max(0, (area.height() - fm.height()) / 2) : 0);
    for (const QString& line : lines) {
        p.drawText(QRect(area.left(), y, area.width(), fm.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, line);
        y += fm.lineSpacing();
    }
}

void ClampedLabel::resizeEvent(QResizeEvent* event)
{
    ToneLabel::resizeEvent(event);
    setToolTip(isCut() ? text() : QString());
}

} // namespace quavel
