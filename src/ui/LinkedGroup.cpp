#include "ui/LinkedGroup.h"

#include "ui/CapsuleChrome.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace quavel {

namespace {
constexpr int kValueMinimumWidth = 72;
} // namespace

LinkedGroup::LinkedGroup(QWidget* control, QWidget* detail, bool fillsWidth, QWidget* parent)
    : QWidget(parent)
    , m_fillsWidth(fillsWidth)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(3, 3, 10, 3);
    row->setSpacing(8);
    row->addWidget(control, 0, Qt::AlignVCenter);
    row->addWidget(detail, 0, Qt::AlignVCenter);
    if (fillsWidth)
        row->addStretch(1);
    setSizePolicy(fillsWidth ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LinkedGroup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    const QRectF r = rect();
    p.fillPath(CapsuleChrome::capsule(r), QColor::fromRgbF(0, 0, 0, dark ? 0.38f : 0.16f));
    QColor rim = Theme::primary(dark);
    rim.setAlphaF(dark ? 0.12f : 0.08f);
    p.strokePath(CapsuleChrome::capsule(r.adjusted(0.3, 0.3, -0.3, -0.3)), QPen(rim, 0.6));
}

LinkedLabel::LinkedLabel(const QString& title, QWidget* parent)
    : ToneLabel(title, Tone::secondary, Fonts::font(Fonts::Style::caption, QFont::DemiBold), parent)
{
    setContentsMargins(0, 0, 2, 0);
}

LinkedValue::LinkedValue(
    const QString& title, const QString& value, std::optional<int> maxWidth, QWidget* parent)
    : QWidget(parent)
    , m_title(
          new ToneLabel(title, Tone::secondary, Fonts::font(Fonts::Style::caption2, QFont::DemiBold), this))
    , m_valueLabel(new ToneLabel(QString(), Tone::primary, Fonts::font(Fonts::Style::caption), this))
    , m_value(value)
    , m_maxWidth(maxWidth)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    column->addWidget(m_title);
    column->addWidget(m_valueLabel);
    setMinimumWidth(kValueMinimumWidth);
    // A maximum below the minimum width cannot be honoured; the minimum wins.
    if (m_maxWidth)
        setMaximumWidth(std::max(*m_maxWidth, kValueMinimumWidth));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

void LinkedValue::setValue(const QString& value)
{
    m_value = value;
    refresh();
    updateGeometry();
}

QString LinkedValue::shownValue() const
{
    return m_valueLabel->text();
}

QSize LinkedValue::sizeHint() const
{
    const int natural = std::max(QFontMetrics(m_valueLabel->font()).horizontalAdvance(m_value),
        QFontMetrics(m_title->font()).horizontalAdvance(m_title->text()));
    int w = std::max(natural + 2, kValueMinimumWidth);
    if (m_maxWidth)
        w = std::min(w, std::max(*m_maxWidth, kValueMinimumWidth));
    return QSize(w, QWidget::sizeHint().height());
}

QSize LinkedValue::minimumSizeHint() const
{
    return QSize(kValueMinimumWidth, QWidget::minimumSizeHint().height());
}

void LinkedValue::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    refresh();
}

void LinkedValue::refresh()
{
    const int width = std::max(kValueMinimumWidth, this->width());
    m_valueLabel->setText(QFontMetrics(m_valueLabel->font()).elidedText(m_value, Qt::ElideMiddle, width));
    setToolTip(m_value);
}

} // namespace quavel
