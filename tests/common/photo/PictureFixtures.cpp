// The pictures the screens' tests draw for themselves, and the watermarks every test lays over photos.
#include "PhotoFixtures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quavel::test {

QImage arenaPhoto(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    QLinearGradient sky(0, 0, 0, h * 0.55);
    sky.setColorAt(0, QColor(86, 142, 206));
    sky.setColorAt(1, QColor(196, 220, 238));
    p.fillRect(QRectF(0, 0, w, h * 0.55), sky);
    QLinearGradient sand(0, h * 0.55, 0, h);
    sand.setColorAt(0, QColor(196, 170, 128));
    sand.setColorAt(1, QColor(150, 118, 80));
    p.fillRect(QRectF(0, h * 0.55, w, h * 0.45), sand);
    // Trees on the horizon, a fence, and a jump with its poles.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(52, 96, 58));
    for (int i = 0; i < 9; ++i)
        p.drawEllipse(QPointF(w * (0.05 + 0.11 * i), h * 0.53), w * 0.07, h * 0.09);
    p.fillRect(QRectF(0, h * 0.6, w, h * 0.012), QColor(240, 240, 240));
    for (int i = 0; i < 3; ++i) {
        const qreal y = h * (0.68 + 0.05 * i);
        p.fillRect(
            QRectF(w * 0.32, y, w * 0.36, h * 0.018), i % 2 ? QColor(230, 60, 50) : QColor(250, 250, 250));
    }
    p.fillRect(QRectF(w * 0.3, h * 0.62, w * 0.025, h * 0.26), QColor(40, 60, 140));
    p.fillRect(QRectF(w * 0.675, h * 0.62, w * 0.025, h * 0.26), QColor(40, 60, 140));
    // A horse and rider in silhouette over the jump.
    QPainterPath horse;
    horse.addEllipse(QPointF(w * 0.5, h * 0.5), w * 0.11, h * 0.07);
    horse.addEllipse(QPointF(w * 0.62, h * 0.42), w * 0.035, h * 0.045);
    p.setBrush(QColor(92, 58, 36));
    p.drawPath(horse);
    p.setBrush(QColor(20, 24, 40));
    p.drawEllipse(QPointF(w * 0.5, h * 0.38), w * 0.025, h * 0.06);
    return image;
}

QImage watermarkStrip(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(QRectF(0, size.height() * 0.55, size.width(), size.height() * 0.45), QColor(0, 0, 0, 90));
    QFont font;
    font.setPixelSize(size.height() / 4);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255, 220));
    p.drawText(QRectF(0, size.height() * 0.55, size.width(), size.height() * 0.45), Qt::AlignCenter,
        QStringLiteral("QUAVEL · PHOTO"));
    return image;
}

QString writeWatermark(const QString& path, QSize size, const QColor& colour)
{
    return writePhoto(path, filled(size.width(), size.height(), colour));
}

QString writeLetteredWatermark(const QString& path, QSize size)
{
    return writePhoto(path, watermarkStrip(size));
}

} // namespace quavel::test
