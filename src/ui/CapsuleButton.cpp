#include "ui/CapsuleButton.h"

#include "ui/CapsuleMetrics.h"
#include "ui/FusedCapsule.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QEnterEvent>
#include <QMenu>
#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

namespace quavel {

namespace {
constexpr int kAnimationMs = 120;
constexpr qreal kSymbolSpacing = 5;
constexpr qreal kTrailingSpacing = 6;
} // namespace

CapsuleButton::CapsuleButton(CapsuleKind kind, QWidget* parent)
    : QAbstractButton(parent)
    , m_kind(kind)
{
    init();
}

CapsuleButton::CapsuleButton(const QString& title, const QString& symbol, CapsuleKind kind, QWidget* parent)
    : QAbstractButton(parent)
    , m_kind(kind)
    , m_symbol(symbol)
{
    setText(title);
    init();
}

void CapsuleButton::init()
{
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    m_hoverAnimation = new QVariantAnimation(this);
    m_pressAnimation = new QVariantAnimation(this);
    for (auto* a : { m_hoverAnimation, m_pressAnimation }) {
        a->setDuration(kAnimationMs);
        a->setEasingCurve(QEasingCurve::OutCubic);
    }
    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_hover = v.toReal();
        update();
    });
    connect(m_pressAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_press = v.toReal();
        update();
    });
    connect(this, &QAbstractButton::pressed, this, [this] { animate(m_pressAnimation, m_press, 1); });
    connect(this, &QAbstractButton::released, this, [this] { animate(m_pressAnimation, m_press, 0); });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_menu)
            m_menu->popup(mapToGlobal(QPoint(0, height() + 2)));
    });
    updateSizePolicy();
}

void CapsuleButton::animate(QVariantAnimation* animation, qreal& value, qreal target)
{
    animation->stop();
    if (Capsule::reduceMotion() || !isVisible()) {
        value = target;
        update();
        return;
    }
    animation->setStartValue(value);
    animation->setEndValue(target);
    animation->start();
}

void CapsuleButton::setKind(CapsuleKind kind)
{
    if (m_kind == kind)
        return;
    m_kind = kind;
    updateSizePolicy();
    updateGeometry();
    update();
}

void CapsuleButton::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

void CapsuleButton::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    updateGeometry();
    update();
}

void CapsuleButton::setTrailingSymbol(const QString& symbol, qreal pixels, qreal opacity)
{
    m_trailingSymbol = symbol;
    m_trailingPixels = pixels;
    m_trailingOpacity = opacity;
    updateGeometry();
    update();
}

void CapsuleButton::setTitleWidthRange(qreal minimum, qreal maximum)
{
    m_titleMin = minimum;
    // A maximum below the minimum cannot be honoured; the minimum wins.
    m_titleMax = std::max(minimum, maximum);
    updateGeometry();
    update();
}

void CapsuleButton::setSymbolColor(const QColor& color)
{
    m_symbolColor = color;
    update();
}

void CapsuleButton::setSymbolScale(qreal scale)
{
    m_symbolScale = scale;
    updateGeometry();
    update();
}

void CapsuleButton::setMenu(QMenu* menu)
{
    m_menu = menu;
}

void CapsuleButton::updateSizePolicy()
{
    const bool square = CapsuleMetrics::fixedWidth(m_kind, ControlSize::regular).has_value();
    const bool fixedWidth = square || m_kind == CapsuleKind::fused;
    setSizePolicy(fixedWidth ? QSizePolicy::Fixed : QSizePolicy::Maximum, QSizePolicy::Fixed);
}

QFont CapsuleButton::titleFont() const
{
    return Fonts::system(CapsuleMetrics::fontSize(m_kind, Capsule::controlSize(this)), QFont::DemiBold);
}

qreal CapsuleButton::symbolPixels() const
{
    return CapsuleMetrics::iconSize(m_kind, Capsule::controlSize(this)) * m_symbolScale;
}

qreal CapsuleButton::titleWidth() const
{
    if (text().isEmpty())
        return 0;
    const qreal natural = QFontMetricsF(titleFont()).horizontalAdvance(text());
    return std::clamp(natural, m_titleMin, m_titleMax);
}

QSize CapsuleButton::sizeHint() const
{
    const ControlSize size = Capsule::controlSize(this);
    const qreal h = CapsuleMetrics::height(m_kind, size);
    if (auto w = CapsuleMetrics::fixedWidth(m_kind, size))
        return QSize(int(std::ceil(*w)), int(std::ceil(h)));
    qreal content = titleWidth();
    if (!m_symbol.isEmpty())
        content += symbolPixels() + (content > 0 ? kSymbolSpacing : 0);
    if (!m_trailingSymbol.isEmpty())
        content += kTrailingSpacing + m_trailingPixels;
    const qreal w = std::max(content + 2 * CapsuleMetrics::horizontalInset(m_kind, size),
        CapsuleMetrics::minimumWidth(m_kind, size));
    return QSize(int(std::ceil(w)), int(std::ceil(h)));
}

QSize CapsuleButton::minimumSizeHint() const
{
    const ControlSize size = Capsule::controlSize(this);
    if (sizePolicy().horizontalPolicy() == QSizePolicy::Fixed)
        return sizeHint();
    // Text kinds may be squeezed down to their symbol and insets.
    qreal w = 2 * CapsuleMetrics::horizontalInset(m_kind, size) + (m_symbol.isEmpty() ? 24 : symbolPixels());
    return QSize(int(std::ceil(w)), int(std::ceil(CapsuleMetrics::height(m_kind, size))));
}

CapsuleChromeState CapsuleButton::chromeState() const
{
    CapsuleChromeState s;
    s.kind = m_kind;
    s.pressed = isDown();
    s.selected = m_selected;
    s.enabled = isEnabled();
    s.dark = Theme::isDark(this);
    s.hover = m_hover;
    s.press = m_press;
    s.reduceMotion = Capsule::reduceMotion();
    return s;
}

void CapsuleButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const CapsuleChromeState state = chromeState();
    const ControlSize size = Capsule::controlSize(this);
    const QRectF frame = rect();

    // Segments of a fused group stay inside the group's capsule.
    QPainterPath clip;
    if (Capsule::isFusedKind(m_kind)) {
        if (auto* group = qobject_cast<FusedCapsule*>(parentWidget()))
            clip = group->capsulePath().translated(-QPointF(pos()));
    }

    p.save();
    CapsuleChrome::applyTransform(p, frame, state);
    CapsuleChrome::paintBackground(p, frame, state, clip);

    const auto layers = CapsuleMetrics::layers(m_kind, m_selected, state.dark);
    const QColor fg = layers.foreground;
    const qreal inset = CapsuleMetrics::horizontalInset(m_kind, size);
    const QRectF content = frame.adjusted(inset, 0, -inset, 0);

    const qreal sym = m_symbol.isEmpty() ? 0 : symbolPixels();
    const qreal title = titleWidth();
    const qreal trailing = m_trailingSymbol.isEmpty() ? 0 : kTrailingSpacing + m_trailingPixels;
    qreal total = sym + (sym > 0 && title > 0 ? kSymbolSpacing : 0) + title + trailing;
    // Squeezed below the natural width: the title gives way first.
    const qreal available = content.width();
    qreal shownTitle = title;
    if (total > available && title > 0) {
        shownTitle = std::max<qreal>(0, title - (total - available));
        total = available;
    }
    qreal x = content.left() + std::max<qreal>(0, (available - total) / 2);
    const qreal cy = frame.center().y();
    if (sym > 0) {
        Symbols::paint(
            p, QRectF(x, cy - sym / 2, sym, sym), m_symbol, m_symbolColor.isValid() ? m_symbolColor : fg);
        x += sym + (title > 0 ? kSymbolSpacing : 0);
    }
    if (shownTitle > 0) {
        p.setFont(titleFont());
        p.setPen(fg);
        const QFontMetricsF fm(titleFont());
        const QString shown = fm.elidedText(text(), Qt::ElideRight, shownTitle + 0.5);
        p.drawText(
            QRectF(x, frame.top(), shownTitle + 1, frame.height()), Qt::AlignVCenter | Qt::AlignLeft, shown);
        x += shownTitle;
    }
    if (!m_trailingSymbol.isEmpty()) {
        x += kTrailingSpacing;
        p.save();
        p.setOpacity(p.opacity() * m_trailingOpacity);
        Symbols::paint(p, QRectF(x, cy - m_trailingPixels / 2, m_trailingPixels, m_trailingPixels),
            m_trailingSymbol, fg);
        p.restore();
    }
    CapsuleChrome::paintOverlay(p, frame, state, clip);
    p.restore();
    // Reached with the keyboard: a ring in the accent colour shows where Space will act.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        const qreal w = 1.5;
        // On the accent fill of the main action the ring takes the text colour instead.
        p.setPen(QPen(m_kind == CapsuleKind::prominent ? fg : Theme::accent(state.dark), w));
        p.setBrush(Qt::NoBrush);
        p.drawPath(CapsuleChrome::shape(m_kind, frame.adjusted(w / 2, w / 2, -w / 2, -w / 2)));
    }
}

void CapsuleButton::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    animate(m_hoverAnimation, m_hover, 1);
    QAbstractButton::enterEvent(event);
}

void CapsuleButton::leaveEvent(QEvent* event)
{
    m_hovering = false;
    animate(m_hoverAnimation, m_hover, 0);
    QAbstractButton::leaveEvent(event);
}

void CapsuleButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)
        update();
    QAbstractButton::changeEvent(event);
}

bool CapsuleButton::hitButton(const QPoint& pos) const
{
    return CapsuleChrome::shape(m_kind, rect()).contains(QPointF(pos));
}

} // namespace quavel
