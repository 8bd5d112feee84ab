#pragma once

#include <QColor>
#include <QFont>

// The colours every retouch control is drawn with. The panels that hold the controls are always dark,
// so the colours are the same in either appearance of the desktop.
namespace quavel::RetouchLook {

QColor teal();
QColor tealFill();
QColor label();
QColor muted();
QColor well();
QColor stroke();
QColor track();

// White at an opacity, the panels' other tint.
QColor white(qreal opacity = 1.0);

// The system font at a pixel size and weight, and its monospaced companion for values.
QFont font(qreal pixels, int weight);
QFont monospaced(qreal pixels, int weight);

} // namespace quavel::RetouchLook
