#include "photo/views/FineLineSlider.h"

#include "photo/retouch/RetouchNumbers.h"
#include "photo/views/RetouchLook.h"
#include "ui/CapsuleKind.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace quavel {

namespace {

constexpr int kHeight = 22;
constexpr int kMinimumWidth = 96;

// Screen readers read the slider's value as a plain number.
class FineLineSliderAccessible : public QAccessibleWidget
{
public:
    explicit FineLineSliderAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Slider)
    { }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return RetouchNumbers::accessibleValue(static_cast<FineLineSlider*>(widget())->value());
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("quavel::FineLineSlider") && object && object->isWidgetType())
        return new FineLineSliderAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

void paintCapsule(QPainter& p, const QRectF& r, const QBrush& brush)
{
    const qreal radius = std::min(r.width(), r.height()) / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawRoundedRect(r, radius, radius);
}

} // namespace

FineLineSlider::FineLineSlider(
    const RetouchRange& range, std::optional<double> origin, qreal knob, QWidget* parent)
    : QWidget(parent)
    , m_geometry { range, origin, knob, double(kMinimumWidth) }
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_hoverAnimation = new QVariantAnimation(this);
    m_hoverAnimation->setDuration(120);
    m_hoverAnimation->setEasingCurve(QEasingCurve::OutQuad);
    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_hover = v.toReal();
        update();
    });
}

void FineLineSlider::setValue(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    update();
    QAccessibleValueChangeEvent event(this, value);
    QAccessible::updateAccessibility(&event);
}

FineLineGeometry FineLineSlider::trackGeometry() const
{
    FineLineGeometry g = m_geometry;
    g.width = width();
    return g;
}

QSize FineLineSlider::sizeHint() const
{
    return QSize(kMinimumWidth, kHeight);
}

QSize FineLineSlider::minimumSizeHint() const
{
    return QSize(kMinimumWidth, kHeight);
}

void FineLineSlider::updateValue(qreal x)
{
    const double v = m_drag.update(trackGeometry(), m_value, x);
    if (v == m_value)
        return;
    setValue(v);
    emit valueEdited(v);
}

void FineLineSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    updateValue(event->position().x());
}

void FineLineSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (m_drag.isDragging() && (event->buttons() & Qt::LeftButton))
        updateValue(event->position().x());
}

void FineLineSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_drag.end();
}

void FineLineSlider::enterEvent(QEnterEvent* event)
{
    setHovering(true);
    QWidget::enterEvent(event);
}

void FineLineSlider::leaveEvent(QEvent* event)
{
    setHovering(false);
    QWidget::leaveEvent(event);
}

void FineLineSlider::setHovering(bool hovering)
{
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    const qreal target = hovering ? 1 : 0;
    m_hoverAnimation->stop();
    if (Capsule::reduceMotion() || !isVisible()) {
        m_hover = target;
        update();
        return;
    }
    m_hoverAnimation->setStartValue(m_hover);
    m_hoverAnimation->setEndValue(target);
    m_hoverAnimation->start();
}

void FineLineSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const FineLineGeometry g = trackGeometry();
    const qreal midY = height() / 2.0;

    paintCapsule(p, QRectF(0, midY - 1.5, width(), 3), RetouchLook::track());

    const qreal xv = g.x(m_value);
    const qreal xo = g.x(g.originValue());
    if (xv != xo) {
        const QRectF fill(std::min(xv, xo), midY - 1.5, std::abs(xv - xo), 3);
        // Leading to trailing whichever side of the origin the value lies.
        QLinearGradient gradient(fill.topLeft(), fill.topRight());
        QColor start = RetouchLook::tealFill();
        start.setAlphaF(0.55f);
        gradient.setColorAt(0, start);
        gradient.setColorAt(1, RetouchLook::teal());
        paintCapsule(p, fill, gradient);
    }
    if (g.showsOriginTick())
        paintCapsule(p, QRectF(xo - 0.75, midY - 3.5, 1.5, 7), RetouchLook::white(0.38));

    // The knob, with its soft shadow under it.
    const qreal scale = 1 + 0.06 * m_hover;
    const qreal r = g.knob / 2 * scale;
    const QPointF centre(xv, midY);
    const qreal shadowRadius = 1.2 + 1.0 * m_hover;
    const qreal shadowOpacity = 0.32 + 0.18 * m_hover;
    const QPointF shadowCentre = centre + QPointF(0, 0.8 * scale);
    QRadialGradient shadow(shadowCentre, r + shadowRadius);
    const qreal inner = std::max<qreal>(0, (r - shadowRadius) / (r + shadowRadius));
    shadow.setColorAt(0, QColor::fromRgbF(0, 0, 0, float(shadowOpacity)));
    shadow.setColorAt(inner, QColor::fromRgbF(0, 0, 0, float(shadowOpacity)));
    shadow.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(shadowCentre, r + shadowRadius, r + shadowRadius);

    const QRectF knob(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
    QRadialGradient face(
        knob.left() + 0.38 * knob.width(), knob.top() + 0.32 * knob.height(), g.knob / 1.4 * scale);
    face.setColorAt(0, Qt::white);
    face.setColorAt(1, QColor::fromRgbF(0.88f, 0.88f, 0.88f, 1.0f));
    p.setBrush(face);
    p.drawEllipse(knob);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.28f), 0.6 * scale));
    p.drawEllipse(knob.adjusted(0.3, 0.3, -0.3, -0.3));
}

} // namespace quavel
