#include "workspace/views/RunProgress.h"

#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace quavel {

namespace {
constexpr int barHeight = 4;
constexpr int gap = 4;
} // namespace

RunProgress::RunProgress(QWidget* parent)
    : QWidget(parent)
{
    setFont(Fonts::font(Fonts::Style::caption));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void RunProgress::setProgress(int done, int total)
{
    m_done = done;
    m_total = total;
    update();
}

QString RunProgress::text() const
{
    if (m_total <= 0)
        return QStringLiteral("Organisation…");
    return QStringLiteral("Organisation… %1/%2").arg(m_done).arg(m_total);
}

int RunProgress::textHeight() const
{
    // With room for accents and descenders past the font's line.
    return QFontMetrics(font()).height() + 2 * Fonts::inkPad(font());
}

QSize RunProgress::sizeHint() const
{
    const QMargins margins = contentsMargins();
    return QSize(200 + margins.left() + margins.right(),
        textHeight() + gap + barHeight + margins.top() + margins.bottom());
}

void RunProgress::paintEvent(QPaintEvent*)
{
    const bool dark = Theme::isDark(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(font());
    p.setPen(Theme::secondary(dark));
    const QRect area = contentsRect();
    const int line = textHeight();
    p.drawText(QRect(area.left(), area.top(), area.width(), line), Qt::AlignLeft | Qt::AlignVCenter, text());
    const QRectF track(area.left(), area.top() + line + gap, area.width(), barHeight);
    QPainterPath rail;
    rail.addRoundedRect(track, barHeight / 2.0, barHeight / 2.0);
    p.fillPath(rail, Theme::withOpacity(Theme::primary(dark), 0.12));
    if (m_total > 0 && m_done > 0) {
        QRectF filled = track;
        filled.setWidth(track.width() * std::min(1.0, double(m_done) / m_total));
        p.save();
        p.setClipPath(rail);
        p.fillRect(filled, Theme::accent(dark));
        p.restore();
    }
}

} // namespace quavel
