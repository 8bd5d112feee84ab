#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

namespace quavel::Theme {

// Colours of the two schemes. A widget is in the dark scheme when the palette it inherits has a dark
// window colour, so every control follows the application palette without being told.
bool isDark(const QWidget* widget);

QColor accent(bool dark);
// The label colours: the palette's text, then the same at the secondary and tertiary opacities.
QColor primary(bool dark);
QColor secondary(bool dark);
QColor tertiary(bool dark);
// The translucent "ultra-thin material" layer, flattened to one colour (no blur behind widgets).
QColor ultraThinMaterial(bool dark);
QColor green(bool dark);
QColor orange(bool dark);
QColor red(bool dark);
// The favourite star's yellow.
QColor yellow(bool dark);

// The Fusion palettes of the application for either scheme.
QPalette palette(bool dark);

// `color` with its alpha multiplied by `opacity`.
QColor withOpacity(QColor color, qreal opacity);

// `top` laid over the opaque `ground`, as painting blends them: one opaque colour.
QColor over(const QColor& top, const QColor& ground);
// The contrast ratio of two opaque colours, from their relative luminance (1 to 21).
qreal contrast(const QColor& a, const QColor& b);
// `text` when, laid over `ground`, it reaches `ratio` against it; else the opaque colour nearest to
// it towards black (on a light ground) or white (on a dark one) that does.
QColor readable(const QColor& text, const QColor& ground, qreal ratio);

} // namespace quavel::Theme

namespace quavel::Fonts {

enum class Style { body, callout, caption, caption2, headline, title2 };

// The text styles in device-independent pixels.
QFont font(Style style, int weight = QFont::Normal);
// The system font at a given pixel size (rounded) and weight.
QFont system(qreal pixels, int weight = QFont::Normal);
// How far the ink of accented capitals ("É") and of descenders ("g") may reach past the font's ascent
// and descent: a line of the font's height cuts them by as much, so a text is given this much room
// above and below its line (0 for most fonts and sizes, a pixel for some). Main thread only.
int inkPad(const QFont& font);

} // namespace quavel::Fonts
