#pragma once

#include "ui/Theme.h"

#include <QHash>
#include <QImage>

#include <algorithm>

namespace quavel::test {

// The contrast of what is drawn in an area of a picture: the ground is the area's commonest colour, the
// ink the one farthest from it.
inline qreal inkContrast(const QImage& picture, const QRect& area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[picture.pixel(x, y)];
    QRgb ground = counts.constBegin().key();
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (it.value() > counts.value(ground))
            ground = it.key();
    qreal best = 1;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        best = std::max(best, Theme::contrast(QColor(it.key()), QColor(ground)));
    return best;
}

} // namespace quavel::test
