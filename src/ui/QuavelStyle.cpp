#include "ui/QuavelStyle.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace quavel {

QuavelStyle::QuavelStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{ }

void QuavelStyle::drawPrimitive(
    PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    const bool dark = option->palette.color(QPalette::Window).lightness() < 128;
    if (!dark)
        return;
    const bool enabled = option->state.testFlag(State_Enabled);
    QColor rim = option->palette.color(QPalette::Mid);
    if (!enabled)
        rim.setAlphaF(0.5f);
    switch (element) {
    case PE_IndicatorCheckBox:
    case PE_IndicatorItemViewItemCheck: {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(rim, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -1.5, -1.5), 2, 2);
        painter->restore();
        break;
    }
    case PE_IndicatorRadioButton: {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(rim, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(QRectF(option->rect).adjusted(0.5, 0.5, -1.5, -1.5));
        painter->restore();
        break;
    }
    case PE_FrameLineEdit:
    case PE_Frame: {
        // A focused field already carries the highlight; an unframed one stays unframed.
        if (option->state.testFlag(State_HasFocus) && element == PE_FrameLineEdit)
            break;
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
            frame && frame->lineWidth <= 0)
            break;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(rim, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        painter->restore();
        break;
    }
    default:
        break;
    }
}

} // namespace quavel
