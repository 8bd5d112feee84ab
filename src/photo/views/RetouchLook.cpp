#include "photo/views/RetouchLook.h"

#include "ui/Theme.h"

#include <QFontDatabase>

#include <cmath>

namespace quavel::RetouchLook {

QColor teal()
{
    return QColor::fromRgbF(0.62f, 0.88f, 0.86f, 1.0f);
}

QColor tealFill()
{
    return QColor::fromRgbF(0.38f, 0.74f, 0.74f, 1.0f);
}

QColor label()
{
    return white(0.82);
}

QColor muted()
{
    return white(0.42);
}

QColor well()
{
    return white(0.055);
}

QColor stroke()
{
    return white(0.1);
}

QColor track()
{
    return white(0.1);
}

QColor white(qreal opacity)
{
    return QColor::fromRgbF(1, 1, 1, float(opacity));
}

QFont font(qreal pixels, int weight)
{
    return Fonts::system(pixels, weight);
}

QFont monospaced(qreal pixels, int weight)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(std::max(1, int(std::lround(pixels))));
    f.setWeight(QFont::Weight(weight));
    return f;
}

} // namespace quavel::RetouchLook
