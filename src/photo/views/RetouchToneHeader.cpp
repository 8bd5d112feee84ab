#include "photo/views/RetouchToneHeader.h"

#include "photo/retouch/RetouchNumbers.h"
#include "photo/views/RetouchLook.h"
#include "ui/Symbols.h"

#include <QPainter>

namespace quavel {

namespace {
constexpr qreal kChevronFrame = 12;
constexpr qreal kSpacing = 8;

QFont titleFont()
{
    return RetouchLook::font(12, QFont::DemiBold);
}

QFont amountFont()
{
    return RetouchLook::monospaced(11, QFont::Medium);
}
} // namespace

RetouchToneHeader::RetouchToneHeader(const QString& title, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(title);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(title);
    m_amountText = RetouchNumbers::toneAmountText(0);
}

QColor RetouchToneHeader::amountColor() const
{
    return m_amount == 0 ? RetouchLook::muted() : RetouchLook::teal();
}

void RetouchToneHeader::setAmount(double amount)
{
    m_amount = amount;
    m_amountText = RetouchNumbers::toneAmountText(amount);
    update();
}

void RetouchToneHeader::setTurn(qreal turn)
{
    m_turn = turn;
    update();
}

QSize RetouchToneHeader::sizeHint() const
{
    const QFontMetricsF title(titleFont());
    const QFontMetricsF amount(amountFont());
    const qreal w = kChevronFrame + kSpacing + title.horizontalAdvance(text()) + 2 * kSpacing
        + amount.horizontalAdvance(m_amountText);
    const qreal h = std::max({ kChevronFrame, title.height(), amount.height() });
    return QSize(int(std::ceil(w)), int(std::ceil(h)));
}

QSize RetouchToneHeader::minimumSizeHint() const
{
    return QSize(80, sizeHint().height());
}

void RetouchToneHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const qreal cy = height() / 2.0;

    p.save();
    p.translate(kChevronFrame / 2, cy);
    p.rotate(90 * m_turn);
    QColor chevron = RetouchLook::teal();
    chevron.setAlphaF(0.9f);
    Symbols::paint(p, QRectF(-4, -4, 8, 8), QStringLiteral("chevron.right"), chevron);
    p.restore();

    const QFontMetricsF amountMetrics(amountFont());
    const qreal amountWidth = amountMetrics.horizontalAdvance(m_amountText);
    const qreal titleLeft = kChevronFrame + kSpacing;
    const qreal titleRight = width() - amountWidth - kSpacing;
    p.setFont(titleFont());
    p.setPen(RetouchLook::label());
    const QFontMetricsF titleMetrics(titleFont());
    p.drawText(QRectF(titleLeft, 0, std::max<qreal>(0, titleRight - titleLeft), height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        titleMetrics.elidedText(text(), Qt::ElideRight, std::max<qreal>(0, titleRight - titleLeft)));
    p.setFont(amountFont());
    p.setPen(amountColor());
    p.drawText(QRectF(width() - amountWidth - 1, 0, amountWidth + 1, height()),
        Qt::AlignRight | Qt::AlignVCenter, m_amountText);
}

} // namespace quavel
