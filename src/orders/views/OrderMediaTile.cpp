#include "orders/views/OrderMediaTile.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace quavel {

namespace {

// A check mark in a disc: the disc in `disc`, the check in `check`, over a soft shadow.
void paintBadge(QPainter& p, const QRectF& r, const QColor& disc, const QColor& check, qreal shadowOpacity,
    qreal shadowOffset)
{
    p.save();
    p.setPen(Qt::NoPen);
    if (shadowOpacity > 0) {
        p.setBrush(QColor::fromRgbF(0, 0, 0, float(shadowOpacity)));
        p.drawEllipse(r.translated(0, shadowOffset).adjusted(-0.5, -0.5, 0.5, 0.5));
    }
    p.setBrush(check);
    p.drawEllipse(r.adjusted(r.width() * 0.16, r.height() * 0.16, -r.width() * 0.16, -r.height() * 0.16));
    Symbols::paint(p, r, QStringLiteral("checkmark.circle.fill"), disc);
    p.restore();
}

constexpr qreal kCheckPixels = 18;
constexpr qreal kDeliveredPixels = 20;
constexpr qreal kBadgeInset = 8;

} // namespace

OrderMediaTile::OrderMediaTile(int radius, int outlineSelected, QWidget* parent)
    : QWidget(parent)
    , m_radius(radius)
    , m_outlineSelected(outlineSelected)
{
    setObjectName(QStringLiteral("mediaTile"));
    setAttribute(Qt::WA_Hover, false);
    // Clicks and the context menu go to the cell.
    setAttribute(Qt::WA_NoMousePropagation, false);
}

void OrderMediaTile::setMarks(const Marks& marks)
{
    m_marks = marks;
    update();
}

void OrderMediaTile::setPicture(const QImage& image)
{
    m_source = image;
    m_picture = QPixmap();
    if (!image.isNull() && !size().isEmpty()) {
        const qreal dpr = devicePixelRatioF();
        QImage scaled = image.scaled(size() * dpr, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(dpr);
        m_picture = QPixmap::fromImage(std::move(scaled));
    }
    update();
}

void OrderMediaTile::resizeEvent(QResizeEvent*)
{
    if (!m_source.isNull())
        setPicture(m_source);
}

QRectF OrderMediaTile::deliveredBadgeRect() const
{
    return QRectF(width() - kBadgeInset - kDeliveredPixels, height() - kBadgeInset - kDeliveredPixels,
        kDeliveredPixels, kDeliveredPixels);
}

bool OrderMediaTile::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (m_marks.isDelivered && deliveredBadgeRect().adjusted(-4, -4, 4, 4).contains(help->pos()))
            QToolTip::showText(help->globalPos(), QString::fromUtf8(deliveredHelp), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void OrderMediaTile::paintEvent(QPaintEvent*)
{
    const Marks& s = m_marks;
    const bool dark = Theme::isDark(this);
    const QColor accent = Theme::accent(dark);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    QPainterPath shape;
    shape.addRoundedRect(r, m_radius, m_radius);
    p.setClipPath(shape);

    // The tinted ground, then the picture fitted on it or the placeholder.
    p.fillRect(r, Theme::withOpacity(Theme::tertiary(dark), 0.45));
    if (!m_picture.isNull()) {
        const QSizeF shown = QSizeF(m_picture.size()) / m_picture.devicePixelRatio();
        p.drawPixmap(
            QPointF(r.center().x() - shown.width() / 2, r.center().y() - shown.height() / 2), m_picture);
    } else {
        const qreal side = std::min<qreal>(24, r.height() * 0.4);
        Symbols::paint(p, QRectF(r.center() - QPointF(side / 2, side / 2), QSizeF(side, side)),
            s.isVideo ? QStringLiteral("film") : QStringLiteral("photo"), Theme::secondary(dark));
    }
    if (s.isVideo) {
        const qreal side = std::min<qreal>(28, r.height() * 0.5);
        const QRectF badge(r.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromRgbF(0, 0, 0, 0.22f));
        p.drawEllipse(badge.adjusted(-2, -2, 2, 2));
        p.restore();
        Symbols::paint(p, badge, QStringLiteral("play.circle.fill"), Qt::white);
    }
    if (s.isSelected) {
        p.fillRect(r, Theme::withOpacity(accent, 0.18));
        paintBadge(p,
            QRectF(r.right() - kBadgeInset - kCheckPixels, r.top() + kBadgeInset, kCheckPixels, kCheckPixels),
            accent, Qt::white, 0, 0);
    }
    if (s.isDelivered)
        paintBadge(p, deliveredBadgeRect(), Theme::green(dark), Qt::white, 0.35, 1);

    // The outline inside the shape.
    p.setClipping(false);
    const qreal line = s.isSelected ? m_outlineSelected : 1;
    const QColor outline = s.isSelected ? accent : QColor::fromRgbF(1, 1, 1, 0.12f);
    p.setPen(QPen(outline, line));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(
        r.adjusted(line / 2, line / 2, -line / 2, -line / 2), m_radius - line / 2, m_radius - line / 2);
}

} // namespace quavel
