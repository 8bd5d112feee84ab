#include "ui/LinkedGroup.h"

#include "ui/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace quavel {

namespace {

constexpr int kValueMinimumWidth = 72;
constexpr QMargins kMargins(3, 3, 8, 3);
constexpr int kSpacing = 6;
// Between the control and a detail under it.
constexpr int kWrappedSpacing = 2;
// A detail under the control starts where the control's title does.
constexpr int kWrappedIndent = 9;

// The control and its detail side by side; in a group that fills the width, the detail goes under the
// control when its natural width does not fit beside it, so that a long name is cut only when it does
// not fit on a line of its own either.
class LinkedLayout : public QLayout
{
public:
    LinkedLayout(QWidget* control, QWidget* detail, bool wraps, QWidget* parent)
        : QLayout(parent)
        , m_wraps(wraps)
    {
        setContentsMargins(kMargins);
        addChildWidget(control);
        addChildWidget(detail);
        m_control = new QWidgetItem(control);
        m_detail = new QWidgetItem(detail);
    }
    ~LinkedLayout() override
    {
        delete m_control;
        delete m_detail;
    }

    // The group's two widgets are its only items; one deleted before the group leaves the layout.
    void addItem(QLayoutItem* item) override { delete item; }
    int count() const override { return whole() ? 2 : m_control || m_detail ? 1 : 0; }
    QLayoutItem* itemAt(int index) const override
    {
        QLayoutItem* const items[] = { m_control, m_detail };
        int seen = 0;
        for (QLayoutItem* item : items)
            if (item && seen++ == index)
                return item;
        return nullptr;
    }
    QLayoutItem* takeAt(int index) override
    {
        QLayoutItem* item = itemAt(index);
        (item == m_control ? m_control : m_detail) = nullptr;
        return item;
    }
    Qt::Orientations expandingDirections() const override { return {}; }

    QSize sizeHint() const override { return whole() ? beside(m_detail->sizeHint().width()) : QSize(); }
    QSize minimumSize() const override
    {
        if (!whole())
            return QSize();
        return m_wraps ? under(m_detail->minimumSize().width()) : beside(m_detail->minimumSize().width());
    }
    bool hasHeightForWidth() const override { return m_wraps && whole(); }
    int heightForWidth(int width) const override
    {
        if (!whole())
            return -1;
        return wrapsAt(width) ? under(0).height() : beside(0).height();
    }
    bool wrapsAt(int width) const { return m_wraps && whole() && width < sizeHint().width(); }

    void setGeometry(const QRect& rect) override
    {
        QLayout::setGeometry(rect);
        if (!whole())
            return;
        const QRect inner = rect.marginsRemoved(kMargins);
        const QSize control = m_control->sizeHint();
        const int detailHeight = m_detail->sizeHint().height();
        if (wrapsAt(rect.width())) {
            m_control->setGeometry(QRect(inner.topLeft(), control));
            m_detail->setGeometry(
                QRect(inner.left() + kWrappedIndent, inner.top() + control.height() + kWrappedSpacing,
                    inner.width() - kWrappedIndent, detailHeight));
            return;
        }
        const int height = std::max(control.height(), detailHeight);
        m_control->setGeometry(QRect(
            inner.left(), inner.top() + (height - control.height()) / 2, control.width(), control.height()));
        // The detail takes the room left, up to its natural width (a group that fills the width
        // leaves the rest empty).
        const int left = inner.left() + control.width() + kSpacing;
        const int room = inner.right() + 1 - left;
        const int width = std::clamp(std::min(room, m_detail->sizeHint().width()),
            m_detail->minimumSize().width(), m_detail->maximumSize().width());
        m_detail->setGeometry(QRect(left, inner.top() + (height - detailHeight) / 2, width, detailHeight));
    }

private:
    bool whole() const { return m_control && m_detail; }
    QSize beside(int detailWidth) const
    {
        const QSize control = m_control->sizeHint();
        const int height = std::max(control.height(), m_detail->sizeHint().height());
        return QSize(kMargins.left() + control.width() + kSpacing + detailWidth + kMargins.right(),
            kMargins.top() + height + kMargins.bottom());
    }
    QSize under(int detailWidth) const
    {
        const QSize control = m_control->sizeHint();
        const int width = std::max(control.width(), kWrappedIndent + detailWidth);
        return QSize(kMargins.left() + width + kMargins.right(),
            kMargins.top() + control.height() + kWrappedSpacing + m_detail->sizeHint().height()
                + kMargins.bottom());
    }

    bool m_wraps;
    QLayoutItem* m_control;
    QLayoutItem* m_detail;
};

} // namespace

LinkedGroup::LinkedGroup(QWidget* control, QWidget* detail, bool fillsWidth, QWidget* parent)
    : QWidget(parent)
    , m_fillsWidth(fillsWidth)
    , m_layout(new LinkedLayout(control, detail, fillsWidth, this))
{
    QSizePolicy policy(fillsWidth ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setHeightForWidth(fillsWidth);
    setSizePolicy(policy);
}

bool LinkedGroup::isWrapped() const
{
    return static_cast<const LinkedLayout*>(m_layout)->wrapsAt(width());
}

void LinkedGroup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    const QRectF r = rect();
    // Two lines high, the pill keeps the corners of one line.
    const QLayoutItem* control = m_layout->itemAt(0);
    const qreal line = control ? control->sizeHint().height() + kMargins.top() * 2 : r.height();
    const qreal radius = std::min(r.height(), line) / 2;
    const auto pill = [&](const QRectF& area) {
        QPainterPath path;
        path.addRoundedRect(area, radius, radius);
        return path;
    };
    p.fillPath(pill(r), QColor::fromRgbF(0, 0, 0, dark ? 0.38f : 0.16f));
    QColor rim = Theme::primary(dark);
    rim.setAlphaF(dark ? 0.12f : 0.08f);
    p.strokePath(pill(r.adjusted(0.3, 0.3, -0.3, -0.3)), QPen(rim, 0.6));
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
    // Each line with its label's ink margins: a title as wide as the value's text would lose its last
    // letter to them.
    const int natural
        = std::max(QFontMetrics(m_valueLabel->font()).horizontalAdvance(m_value) + 2 * m_valueLabel->margin(),
            m_title->sizeHint().width());
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
    const int width = std::max(kValueMinimumWidth, this->width()) - 2 * m_valueLabel->margin();
    m_valueLabel->setText(QFontMetrics(m_valueLabel->font()).elidedText(m_value, Qt::ElideMiddle, width));
    setToolTip(m_value);
}

} // namespace quavel
