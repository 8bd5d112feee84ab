#include "ui/FusedCapsule.h"

#include "ui/CapsuleChrome.h"
#include "ui/CapsuleKind.h"
#include "ui/CapsuleMetrics.h"
#include "ui/Theme.h"

#include <QChildEvent>
#include <QHBoxLayout>
#include <QPainter>

namespace quavel {

namespace {

// The group's rim lies over its segments, so it is drawn by a child kept on top that lets clicks through.
class RimOverlay : public QWidget
{
public:
    explicit RimOverlay(QWidget* parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = Theme::isDark(this);
        const QRectF r = QRectF(rect()).adjusted(0.4, 0.4, -0.4, -0.4);
        p.strokePath(CapsuleChrome::capsule(r), QPen(QColor::fromRgbF(1, 1, 1, dark ? 0.16f : 0.82f), 0.8));
    }
};

} // namespace

FusedCapsule::FusedCapsule(QWidget* parent)
    : QWidget(parent)
{
    // The rim first: childEvent keeps it above every child added later.
    m_rim = new RimOverlay(this);
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->setAlignment(Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void FusedCapsule::addWidget(QWidget* widget)
{
    m_layout->addWidget(widget, 0, Qt::AlignVCenter);
    m_rim->raise();
}

void FusedCapsule::addDivider()
{
    addWidget(new FusedDivider(this));
}

QPainterPath FusedCapsule::capsulePath() const
{
    return CapsuleChrome::capsule(QRectF(rect()));
}

void FusedCapsule::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    const QPainterPath path = capsulePath();
    p.fillPath(path, Theme::ultraThinMaterial(dark));
    p.fillPath(path, QColor::fromRgbF(1, 1, 1, dark ? 0.08f : 0.48f));
}

void FusedCapsule::resizeEvent(QResizeEvent* event)
{
    m_rim->setGeometry(rect());
    m_rim->raise();
    QWidget::resizeEvent(event);
}

void FusedCapsule::childEvent(QChildEvent* event)
{
    QWidget::childEvent(event);
    if (event->added() && m_rim)
        m_rim->raise();
}

FusedDivider::FusedDivider(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QSize FusedDivider::sizeHint() const
{
    const qreal h = CapsuleMetrics::fusedDividerHeight(Capsule::controlSize(this));
    return QSize(1, int(h + 8));
}

void FusedDivider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const qreal h = CapsuleMetrics::fusedDividerHeight(Capsule::controlSize(this));
    p.fillRect(QRectF(0, 4, 1, h), Qt::white);
}

} // namespace quavel
