#include "ui/ActivitySpinner.h"

#include "ui/Theme.h"

#include <QPainter>

#include <cmath>

namespace quavel {

namespace {
constexpr int kSpokes = 12;
constexpr int kStepMs = 80;
} // namespace

ActivitySpinner::ActivitySpinner(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer.setInterval(kStepMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % kSpokes;
        update();
    });
}

int ActivitySpinner::side(ControlSize size)
{
    switch (size) {
    case ControlSize::mini:
        return 10;
    case ControlSize::small:
        return 16;
    case ControlSize::regular:
        return 32;
    case ControlSize::large:
    case ControlSize::extraLarge:
        return 40;
    }
    return 32;
}

QSize ActivitySpinner::sizeHint() const
{
    const int s = side(Capsule::controlSize(this));
    return QSize(s, s);
}

void ActivitySpinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_timer.start();
}

void ActivitySpinner::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

void ActivitySpinner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = std::min(width(), height());
    const QColor base = Theme::primary(Theme::isDark(this));
    p.translate(width() / 2.0, height() / 2.0);
    const qreal outer = s / 2.0;
    const qreal inner = outer * 0.48;
    QPen pen(base, std::max(1.5, s * 0.09), Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
        // The spoke at the current step is the darkest; the ones behind it fade out.
        const int age = (m_step - i + kSpokes) % kSpokes;
        pen.setColor(Theme::withOpacity(base, 0.85 - 0.65 * age / (kSpokes - 1)));
        p.setPen(pen);
        const qreal angle = 2 * M_PI * i / kSpokes - M_PI / 2;
        const qreal c = std::cos(angle), sn = std::sin(angle);
        p.drawLine(QPointF(c * inner, sn * inner),
            QPointF(c * (outer - pen.widthF() / 2), sn * (outer - pen.widthF() / 2)));
    }
}

} // namespace quavel
