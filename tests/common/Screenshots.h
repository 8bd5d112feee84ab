#pragma once

// The picture tests write PNG files for people to look at, and each checks what its picture must show
// (the scheme's ground, a photo's colours where its widget lies), so that a screen drawn blank, in the
// old scheme or without its photo fails instead of being saved. For the widget test programs only.
#include "common/TestSupport.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QRect>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace quavel::test {

// The widget as drawn now (pending events delivered first), also written as <name>.png to the
// screenshots folder.
inline QImage grabScreenshot(QWidget& widget, const QString& name)
{
    QApplication::processEvents();
    const QImage image = widget.grab().toImage();
    EXPECT_FALSE(image.isNull()) << qPrintable(name);
    EXPECT_TRUE(image.save(screenshotsFolder() + QLatin1Char('/') + name + QStringLiteral(".png")))
        << qPrintable(name);
    return image;
}

// Where a widget lies in the picture of one of its ancestors, in points.
inline QRect areaOf(const QWidget* widget, const QWidget* ancestor)
{
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

// The mean colour of the picture over an area given in points (a picture may have several pixels a
// point); black for an area outside it.
inline QColor meanColour(const QImage& picture, const QRect& area)
{
    const qreal ratio = picture.devicePixelRatio();
    const QRect pixels = QRect(QPoint(int(area.left() * ratio), int(area.top() * ratio)),
        QSize(std::max(1, int(area.width() * ratio)), std::max(1, int(area.height() * ratio))))
                             .intersected(picture.rect());
    double r = 0, g = 0, b = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            r += c.red();
            g += c.green();
            b += c.blue();
        }
    const double n = std::max(1.0, double(pixels.width()) * pixels.height());
    return pixels.isEmpty() ? QColor(Qt::black) : QColor(int(r / n), int(g / n), int(b / n));
}

// The mean over the whole picture.
inline QColor meanColour(const QImage& picture)
{
    return meanColour(picture, QRect(QPoint(0, 0), picture.deviceIndependentSize().toSize()));
}

// Whether a colour is a ground of the scheme: light (lightness at least 150) or dark (at most 100).
inline bool ofScheme(const QColor& colour, bool dark)
{
    return dark ? colour.lightness() <= 100 : colour.lightness() >= 150;
}

// How many pixels of the picture lie within tolerance of the colour in every channel.
inline int pixelsNear(const QImage& picture, const QColor& colour, int tolerance = 16)
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance
                && std::abs(c.green() - colour.green()) <= tolerance
                && std::abs(c.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    return count;
}

// The visible label showing exactly that text under root, if any.
inline QLabel* visibleLabel(const QWidget* root, const QString& text)
{
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->isVisible() && label->text() == text)
            return label;
    return nullptr;
}

// The spread of lightness over an area of the picture (points): a text drawn there gives a large one, a
// plain ground a small one.
inline int lightnessSpread(const QImage& picture, const QRect& area)
{
    const qreal ratio = picture.devicePixelRatio();
    const QRect pixels = QRect(QPoint(int(area.left() * ratio), int(area.top() * ratio)),
        QSize(int(area.width() * ratio), int(area.height() * ratio)))
                             .intersected(picture.rect());
    int lowest = 255, highest = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            const int l = picture.pixelColor(x, y).lightness();
            lowest = std::min(lowest, l);
            highest = std::max(highest, l);
        }
    return std::max(0, highest - lowest);
}

} // namespace quavel::test
