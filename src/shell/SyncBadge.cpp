#include "shell/SyncBadge.h"

#include "ui/CapsuleChrome.h"
#include "ui/Theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace quavel {

namespace {
constexpr int kPadX = 12;
constexpr int kPadY = 8;
constexpr int kDot = 8;
constexpr int kSpacing = 8;

QFont badgeFont()
{
    return Fonts::font(Fonts::Style::caption, QFont::Medium);
}
} // namespace

SyncBadge::SyncBadge(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setStatus({}, std::nullopt);
}

void SyncBadge::follow(SyncStatusSource* sync)
{
    auto refresh = [this, sync] { setStatus(sync->status(), sync->statusTitle()); };
    connect(sync, &SyncStatusSource::changed, this, refresh);
    setOnRetry([sync] { sync->restart(); });
    refresh();
}

void SyncBadge::setStatus(const SyncStatusSource::Status& status, const std::optional<QString>& title)
{
    m_status = status;
    m_title = title;
    setToolTip(status.kind == SyncStatusSource::Status::Kind::synced
            ? shownText()
            : QStringLiteral("Cliquer pour relancer la synchro"));
    updateGeometry();
    update();
}

QString SyncBadge::shownText() const
{
    return m_title ? *m_title : m_status.title();
}

QColor SyncBadge::dotColor() const
{
    const bool dark = Theme::isDark(this);
    switch (m_status.kind) {
    case SyncStatusSource::Status::Kind::connecting:
    case SyncStatusSource::Status::Kind::searching:
        return Theme::orange(dark);
    case SyncStatusSource::Status::Kind::synced:
        return Theme::green(dark);
    case SyncStatusSource::Status::Kind::failed:
        return Theme::red(dark);
    case SyncStatusSource::Status::Kind::idle:
        return Theme::secondary(dark);
    }
    return Theme::secondary(dark);
}

QSize SyncBadge::sizeHint() const
{
    const QFontMetrics fm(badgeFont());
    // Rounded up: eliding measures the text in fractions of a pixel.
    const int text = int(std::ceil(QFontMetricsF(badgeFont()).horizontalAdvance(shownText()))) + 1;
    return QSize(2 * kPadX + kDot + kSpacing + text, 2 * kPadY + std::max(kDot, fm.height()));
}

QSize SyncBadge::minimumSizeHint() const
{
    const QFontMetrics fm(badgeFont());
    return QSize(2 * kPadX + kDot + kSpacing + fm.horizontalAdvance(QStringLiteral("…")) + 8,
        2 * kPadY + std::max(kDot, fm.height()));
}

void SyncBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    CapsuleChrome::paintGlass(p, rect(), dark);
    const qreal cy = height() / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(dotColor());
    p.drawEllipse(QRectF(kPadX, cy - kDot / 2.0, kDot, kDot));
    p.setFont(badgeFont());
    p.setPen(Theme::primary(dark));
    const int x = kPadX + kDot + kSpacing;
    const QRect textRect(x, 0, width() - x - kPadX, height());
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetrics(badgeFont()).elidedText(shownText(), Qt::ElideRight, textRect.width()));
}

void SyncBadge::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void SyncBadge::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    if (m_status.kind != SyncStatusSource::Status::Kind::synced && m_onRetry)
        m_onRetry();
}

} // namespace quavel
