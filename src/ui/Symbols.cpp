#include "ui/Symbols.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmapCache>

#include <cmath>

namespace quavel::Symbols {

namespace {

const QHash<QString, QStringList>& table()
{
    static const QHash<QString, QStringList> names = [] {
        QHash<QString, QStringList> t;
        QFile file(QStringLiteral(":/quavel/symbols.tsv"));
        if (!file.open(QIODevice::ReadOnly))
            return t;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const qsizetype tab = line.indexOf(QLatin1Char('\t'));
            if (tab <= 0)
                continue;
            t.insert(line.left(tab), line.mid(tab + 1).trimmed().split(QLatin1Char(','), Qt::SkipEmptyParts));
        }
        return t;
    }();
    return names;
}

// The plain shapes, drawn in a square of side s at the origin.
void drawShape(QPainter& p, const QString& shape, qreal s, const QColor& c)
{
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = std::max(1.2, s * 0.09);
    QPen pen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QRectF ring(w / 2 + s * 0.06, w / 2 + s * 0.06, s - w - s * 0.12, s - w - s * 0.12);
    auto check = [&](qreal scale) {
        QPainterPath path;
        const qreal cx = s / 2, cy = s / 2, k = s * scale;
        path.moveTo(cx - 0.42 * k, cy + 0.02 * k);
        path.lineTo(cx - 0.12 * k, cy + 0.32 * k);
        path.lineTo(cx + 0.45 * k, cy - 0.30 * k);
        return path;
    };
    if (shape == u"plus") {
        p.setPen(QPen(c, std::max(1.3, s * 0.11), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s / 2, s * 0.18), QPointF(s / 2, s * 0.82));
        p.drawLine(QPointF(s * 0.18, s / 2), QPointF(s * 0.82, s / 2));
    } else if (shape == u"circle") {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(ring);
    } else if (shape == u"checkmark.circle") {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(ring);
        p.drawPath(check(0.55));
    } else if (shape == u"checkmark.circle.fill") {
        QPainterPath disc;
        disc.addEllipse(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88));
        QPainterPathStroker stroker;
        stroker.setWidth(std::max(1.4, s * 0.12));
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        // The check is cut out of the disc so it shows whatever lies behind, like the glyph does.
        p.fillPath(disc.subtracted(stroker.createStroke(check(0.55))), c);
    } else if (shape == u"chevron.down" || shape == u"chevron.right" || shape == u"chevron.left") {
        p.setPen(QPen(c, std::max(1.2, s * 0.14), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath path;
        if (shape == u"chevron.down") {
            path.moveTo(s * 0.2, s * 0.36);
            path.lineTo(s * 0.5, s * 0.66);
            path.lineTo(s * 0.8, s * 0.36);
        } else if (shape == u"chevron.left") {
            path.moveTo(s * 0.64, s * 0.2);
            path.lineTo(s * 0.34, s * 0.5);
            path.lineTo(s * 0.64, s * 0.8);
        } else {
            path.moveTo(s * 0.36, s * 0.2);
            path.lineTo(s * 0.66, s * 0.5);
            path.lineTo(s * 0.36, s * 0.8);
        }
        p.drawPath(path);
    } else if (shape == u"chevron.up.chevron.down") {
        p.setPen(QPen(c, std::max(1.2, s * 0.12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath path;
        path.moveTo(s * 0.28, s * 0.38);
        path.lineTo(s * 0.5, s * 0.16);
        path.lineTo(s * 0.72, s * 0.38);
        path.moveTo(s * 0.28, s * 0.62);
        path.lineTo(s * 0.5, s * 0.84);
        path.lineTo(s * 0.72, s * 0.62);
        p.drawPath(path);
    } else if (shape == u"xmark") {
        p.setPen(QPen(c, std::max(1.2, s * 0.13), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s * 0.24, s * 0.24), QPointF(s * 0.76, s * 0.76));
        p.drawLine(QPointF(s * 0.76, s * 0.24), QPointF(s * 0.24, s * 0.76));
    } else if (shape == u"star" || shape == u"star.fill") {
        // Five points; the inner radius is fuller than the regular star's so that it reads at 14 px.
        QPainterPath path;
        const qreal outer = s * 0.46, inner = outer * 0.45;
        const QPointF centre(s / 2, s * 0.53);
        for (int i = 0; i < 10; ++i) {
            const qreal r = i % 2 == 0 ? outer : inner;
            const qreal a = -M_PI / 2 + i * M_PI / 5;
            const QPointF point(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
            if (i == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        path.closeSubpath();
        if (shape == u"star.fill") {
            p.setPen(QPen(c, std::max(1.0, s * 0.06), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(c);
        } else {
            p.setPen(QPen(c, std::max(1.2, s * 0.08), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
        }
        p.drawPath(path);
    } else if (shape == u"exclamationmark.circle.fill") {
        QPainterPath disc;
        disc.addEllipse(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88));
        QPainterPath mark;
        const qreal bar = std::max(1.4, s * 0.12);
        mark.addRoundedRect(QRectF(s / 2 - bar / 2, s * 0.24, bar, s * 0.34), bar / 2, bar / 2);
        mark.addEllipse(QPointF(s / 2, s * 0.72), bar * 0.62, bar * 0.62);
        p.fillPath(disc.subtracted(mark), c);
    } else if (shape == u"square.on.square") {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const qreal side = s * 0.56;
        p.drawRoundedRect(QRectF(s * 0.34, s * 0.10, side, side), s * 0.1, s * 0.1);
        // The front square hides the back one where they overlap.
        const QRectF front(s * 0.10, s * 0.34, side, side);
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.fillRect(front.adjusted(-w / 2, -w / 2, w / 2, w / 2), Qt::transparent);
        p.restore();
        p.drawRoundedRect(front, s * 0.1, s * 0.1);
    } else if (shape == u"person.crop.circle.badge.questionmark") {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const QRectF body(s * 0.04 + w / 2, s * 0.14 + w / 2, s * 0.78 - w, s * 0.78 - w);
        p.drawEllipse(body);
        QPainterPath person;
        const QPointF centre = body.center();
        const qreal r = body.width() / 2;
        person.addEllipse(QPointF(centre.x(), centre.y() - r * 0.22), r * 0.3, r * 0.3);
        QPainterPath inside;
        inside.addEllipse(body);
        QPainterPath shoulders;
        shoulders.addEllipse(QPointF(centre.x(), centre.y() + r * 0.95), r * 0.62, r * 0.55);
        p.fillPath(person.united(shoulders.intersected(inside)), c);
        // The badge: a question mark at the top right, cut free of the circle.
        const QRectF badge(s * 0.56, 0, s * 0.44, s * 0.44);
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawEllipse(badge.adjusted(-w * 0.4, -w * 0.4, w * 0.4, w * 0.4));
        p.restore();
        p.setBrush(c);
        p.setPen(Qt::NoPen);
        p.drawEllipse(badge);
        QFont font;
        font.setPixelSize(std::max(6, int(std::lround(badge.height() * 0.8))));
        font.setBold(true);
        QPainterPath mark;
        mark.addText(0, 0, font, QStringLiteral("?"));
        const QRectF bounds = mark.boundingRect();
        mark.translate(badge.center() - bounds.center());
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.fillPath(mark, Qt::black);
        p.restore();
    } else if (shape == u"rectangle.stack.badge.plus") {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const QRectF front(s * 0.08, s * 0.34, s * 0.74, s * 0.54);
        p.drawLine(QPointF(s * 0.22, s * 0.12), QPointF(s * 0.68, s * 0.12));
        p.drawLine(QPointF(s * 0.15, s * 0.23), QPointF(s * 0.75, s * 0.23));
        p.drawRoundedRect(front, s * 0.08, s * 0.08);
        p.setPen(QPen(c, std::max(1.2, s * 0.1), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(front.center().x(), front.top() + s * 0.13),
            QPointF(front.center().x(), front.bottom() - s * 0.13));
        p.drawLine(QPointF(front.center().x() - s * 0.14, front.center().y()),
            QPointF(front.center().x() + s * 0.14, front.center().y()));
    } else if (shape == u"arrow.up.to.line" || shape == u"arrow.down.to.line") {
        const bool up = shape == u"arrow.up.to.line";
        p.setPen(QPen(c, std::max(1.2, s * 0.1), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const qreal lineY = up ? s * 0.14 : s * 0.86;
        const qreal tip = up ? s * 0.32 : s * 0.68;
        const qreal tail = up ? s * 0.86 : s * 0.14;
        const qreal wing = up ? s * 0.22 : -s * 0.22;
        p.drawLine(QPointF(s * 0.2, lineY), QPointF(s * 0.8, lineY));
        p.drawLine(QPointF(s / 2, tip), QPointF(s / 2, tail));
        QPainterPath head;
        head.moveTo(s * 0.28, tip + wing);
        head.lineTo(s / 2, tip);
        head.lineTo(s * 0.72, tip + wing);
        p.drawPath(head);
    } else if (shape == u"circle.lefthalf.filled") {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(ring);
        QPainterPath half;
        half.moveTo(ring.center());
        half.arcTo(ring, 90, 180);
        half.closeSubpath();
        p.fillPath(half, c);
    }
}

QColor defaultTint()
{
    return QApplication::palette().color(QPalette::WindowText);
}

} // namespace

void installIconTheme()
{
    // Platform plugins without a desktop theme (offscreen, some minimal sessions) search only the
    // resources; the icon folders of the XDG base directories are where Breeze is installed.
    QStringList paths = QIcon::themeSearchPaths();
    QStringList dataDirs
        = QString::fromLocal8Bit(qgetenv("XDG_DATA_DIRS")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (dataDirs.isEmpty())
        dataDirs = { QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share") };
    for (const QString& dir : dataDirs) {
        const QString icons = dir + QStringLiteral("/icons");
        if (!paths.contains(icons))
            paths.append(icons);
    }
    QIcon::setThemeSearchPaths(paths);
    QIcon::setFallbackThemeName(QStringLiteral("breeze"));
    const QString current = QIcon::themeName();
    if (current.isEmpty() || current == u"hicolor")
        QIcon::setThemeName(QStringLiteral("breeze"));
}

namespace {

bool themeExists(const QString& name)
{
    for (const QString& folder : QIcon::themeSearchPaths())
        if (QFileInfo::exists(folder + u'/' + name + QStringLiteral("/index.theme")))
            return true;
    return false;
}

} // namespace

QString useIconThemeFor(bool dark)
{
    // The desktop's own theme, as first met, is the one whose variants are looked for.
    static const QString desktopTheme = [] {
        QString name = QIcon::themeName();
        return name.isEmpty() || name == u"hicolor" ? QStringLiteral("breeze") : name;
    }();
    const QString darkSuffix = QStringLiteral("-dark");
    const QString light
        = desktopTheme.endsWith(darkSuffix) ? desktopTheme.chopped(darkSuffix.size()) : desktopTheme;
    QString wanted;
    if (dark)
        wanted = themeExists(light + darkSuffix) ? light + darkSuffix : QStringLiteral("breeze-dark");
    else
        wanted = themeExists(light) ? light : QStringLiteral("breeze");
    if (QIcon::themeName() != wanted)
        QIcon::setThemeName(wanted);
    return wanted;
}

QStringList themeNames(const QString& symbol)
{
    return table().value(symbol);
}

bool isKnown(const QString& symbol)
{
    return table().contains(symbol);
}

QPixmap pixmap(const QString& symbol, qreal pixels, const QColor& tint, qreal devicePixelRatio)
{
    const QColor wanted = tint.isValid() ? tint : defaultTint();
    const QString key = QStringLiteral("quavel-symbol:%1:%2:%3:%4")
                            .arg(symbol)
                            .arg(pixels)
                            .arg(wanted.rgba(), 0, 16)
                            .arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;
    const int device = std::max(1, int(std::ceil(pixels * devicePixelRatio)));
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QColor color = tint.isValid() ? tint : defaultTint();
    const QStringList names = themeNames(symbol);
    if (!names.isEmpty() && names.first().startsWith(QLatin1Char('@'))) {
        QPainter p(&image);
        drawShape(p, names.first().mid(1), device, color);
    } else {
        QIcon themed;
        for (const QString& name : names) {
            if (QIcon::hasThemeIcon(name)) {
                themed = QIcon::fromTheme(name);
                break;
            }
        }
        if (!themed.isNull()) {
            QPainter p(&image);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            // Theme folders of fixed sizes are not scaled up by QIcon: take the smallest drawing at least
            // as large as wanted (else the largest) and scale it. A drawing within two pixels of the size
            // wanted is drawn as it is, centred: pixel-aligned icons turn blurry when scaled by a little.
            QSize best;
            QSize near;
            for (const QSize& size : themed.availableSizes()) {
                const bool fits = size.width() >= device;
                const bool bestFits = best.isValid() && best.width() >= device;
                if (!best.isValid() || (fits && (!bestFits || size.width() < best.width()))
                    || (!fits && !bestFits && size.width() > best.width()))
                    best = size;
                if (std::abs(size.width() - device) <= 2
                    && (!near.isValid() || std::abs(size.width() - device) < std::abs(near.width() - device)))
                    near = size;
            }
            if (near.isValid()) {
                const QPixmap source = themed.pixmap(near);
                const QPoint at((device - source.width()) / 2, (device - source.height()) / 2);
                p.drawPixmap(at, source);
            } else {
                const QPixmap source = themed.pixmap(best.isValid() ? best : QSize(device, device));
                p.drawPixmap(QRect(0, 0, device, device), source);
            }
            // One colour, like a glyph: keep the icon's coverage, replace its colours.
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(image.rect(), color);
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, result);
    return result;
}

QIcon icon(const QString& symbol, const QColor& tint)
{
    QIcon result;
    for (int px : { 16, 22, 32 })
        result.addPixmap(pixmap(symbol, px, tint));
    return result;
}

void paint(QPainter& painter, const QRectF& rect, const QString& symbol, const QColor& tint)
{
    const qreal side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap pm = pixmap(symbol, side, tint, dpr);
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.drawPixmap(target, pm, QRectF(pm.rect()));
}

} // namespace quavel::Symbols
