#include "orders/views/OrdersEmptyState.h"

#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QPainter>
#include <QVBoxLayout>

namespace quavel {

namespace {

class BoxSymbol : public QWidget
{
public:
    explicit BoxSymbol(QWidget* parent)
        : QWidget(parent)
    {
        setFixedSize(54, 54);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Symbols::paint(p, QRectF(rect()).adjusted(4, 4, -4, -4), QStringLiteral("shippingbox"),
            Theme::secondary(Theme::isDark(this)));
    }
};

constexpr int kSubtitleWidth = 420;

} // namespace

OrdersEmptyState::OrdersEmptyState(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ordersEmptyState"));
    auto* outer = new QVBoxLayout(this);
    outer->addStretch(1);
    auto* column = new QVBoxLayout;
    column->setSpacing(12);
    column->addWidget(new BoxSymbol(this), 0, Qt::AlignHCenter);
    m_title
        = new ToneLabel(QString(), Tone::primary, Fonts::font(Fonts::Style::title2, QFont::DemiBold), this);
    m_title->setObjectName(QStringLiteral("emptyTitle"));
    m_title->setAlignment(Qt::AlignHCenter);
    column->addWidget(m_title, 0, Qt::AlignHCenter);
    m_subtitle = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::body), this);
    m_subtitle->setObjectName(QStringLiteral("emptySubtitle"));
    m_subtitle->setWordWrap(true);
    m_subtitle->setAlignment(Qt::AlignHCenter);
    column->addWidget(m_subtitle, 0, Qt::AlignHCenter);
    outer->addLayout(column);
    outer->addStretch(1);
}

void OrdersEmptyState::setTexts(const QString& title, const QString& subtitle)
{
    m_title->setText(title);
    m_subtitle->setText(subtitle);
    // A wrapped label inside an aligned layout item gets no height for its width: give it both.
    const int natural = m_subtitle->fontMetrics().horizontalAdvance(subtitle) + 4;
    const int width = std::min(kSubtitleWidth, natural);
    m_subtitle->setFixedWidth(width);
    m_subtitle->setMinimumHeight(m_subtitle->heightForWidth(width));
}

QString OrdersEmptyState::title() const
{
    return m_title->text();
}

QString OrdersEmptyState::subtitle() const
{
    return m_subtitle->text();
}

} // namespace quavel
