#pragma once

#include <QProxyStyle>

namespace quavel {

// Qt's Fusion style with one change for the dark scheme: Fusion outlines check boxes, radio buttons,
// text fields and framed panels in a shade of the window colour that is all but invisible on a dark
// window, so there they get a rim of the palette's mid colour as well.
class QuavelStyle : public QProxyStyle
{
    Q_OBJECT

public:
    QuavelStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
};

} // namespace quavel
