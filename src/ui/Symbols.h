#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QPainter;
class QRectF;

// The screens name their images by symbol ("tablecells", "basket"...). A table in the resources maps each
// to freedesktop icon names, loaded from the desktop's icon theme with Breeze as the fallback; a few plain
// shapes are drawn here. Every symbol is drawn in one colour, like a glyph of the text beside it.
namespace quavel::Symbols {

// Makes Breeze the fallback theme (and the theme when the platform names none). Call once at start.
void installIconTheme();
// The icon theme for the scheme shown: in the dark scheme the dark variant of the desktop's theme
// ("breeze-dark" for "breeze"; Breeze Dark when the theme has none), whose icons are light, so that
// the icons of Qt's own dialogs stay visible; in the light scheme the light variant. Returns the
// theme set.
QString useIconThemeFor(bool dark);

// The icon names standing for a symbol, in lookup order; "@name" for a drawn one; empty when unknown.
QStringList themeNames(const QString& symbol);
bool isKnown(const QString& symbol);

// The symbol as an icon for menus, tinted in `tint`.
QIcon icon(const QString& symbol, const QColor& tint = QColor());
// The symbol drawn in `tint`, `pixels` high and wide (device-independent), at the device pixel ratio.
QPixmap pixmap(const QString& symbol, qreal pixels, const QColor& tint, qreal devicePixelRatio = 1.0);
// Draws the symbol centred in `rect`.
void paint(QPainter& painter, const QRectF& rect, const QString& symbol, const QColor& tint);

} // namespace quavel::Symbols
