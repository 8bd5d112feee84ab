#include "ui/Theme.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHash>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace quavel::Theme {

namespace {

QColor rgb(double r, double g, double b, double a = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

} // namespace

bool isDark(const QWidget* widget)
{
    const QPalette pal = widget ? widget->palette() : QApplication::palette();
    return pal.color(QPalette::Window).lightness() < 128;
}

QColor accent(bool dark)
{
    // A teal that belongs to the backdrop; light enough in the dark scheme for the dark text that the
    // prominent capsule puts on it.
    return dark ? rgb(0.33, 0.76, 0.78) : rgb(0.05, 0.50, 0.56);
}

QColor primary(bool dark)
{
    return dark ? rgb(1, 1, 1, 0.88) : rgb(0, 0, 0, 0.86);
}

QColor secondary(bool dark)
{
    return dark ? rgb(1, 1, 1, 0.55) : rgb(0, 0, 0, 0.50);
}

QColor tertiary(bool dark)
{
    return dark ? rgb(1, 1, 1, 0.28) : rgb(0, 0, 0, 0.26);
}

QColor ultraThinMaterial(bool dark)
{
    return dark ? rgb(0.12, 0.13, 0.14, 0.42) : rgb(0.98, 0.98, 0.98, 0.38);
}

QColor green(bool dark)
{
    return dark ? rgb(0.19, 0.82, 0.35) : rgb(0.16, 0.66, 0.27);
}

QColor orange(bool dark)
{
    return dark ? rgb(1.0, 0.62, 0.04) : rgb(0.96, 0.54, 0.0);
}

QColor red(bool dark)
{
    return dark ? rgb(1.0, 0.27, 0.23) : rgb(0.90, 0.20, 0.17);
}

QColor yellow(bool dark)
{
    return dark ? rgb(1.0, 0.84, 0.04) : rgb(0.98, 0.76, 0.0);
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

QColor over(const QColor& top, const QColor& ground)
{
    const float a = top.alphaF();
    return QColor::fromRgbF(top.redF() * a + ground.redF() * (1 - a),
        top.greenF() * a + ground.greenF() * (1 - a), top.blueF() * a + ground.blueF() * (1 - a));
}

namespace {

qreal luminance(const QColor& c)
{
    const auto linear = [](qreal v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

} // namespace

qreal contrast(const QColor& a, const QColor& b)
{
    const qreal la = luminance(a);
    const qreal lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readable(const QColor& text, const QColor& ground, qreal ratio)
{
    const QColor shown = over(text, ground);
    if (contrast(shown, ground) >= ratio)
        return text;
    const QColor end = luminance(ground) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    for (int step = 1; step <= 40; ++step) {
        const QColor nearer = over(withOpacity(end, step / 40.0), shown);
        if (contrast(nearer, ground) >= ratio)
            return nearer;
    }
    return end;
}

QPalette palette(bool dark)
{
    QPalette p;
    const QColor window = dark ? QColor(30, 36, 40) : QColor(236, 241, 243);
    const QColor base = dark ? QColor(22, 27, 31) : QColor(252, 253, 253);
    const QColor text = dark ? QColor(232, 235, 236) : QColor(28, 31, 33);
    const QColor button = dark ? QColor(44, 52, 57) : QColor(246, 248, 249);
    const QColor mid = dark ? QColor(70, 78, 84) : QColor(190, 198, 202);
    const QColor disabledText = dark ? QColor(120, 126, 130) : QColor(150, 156, 160);
    const QColor highlight = accent(dark);

    for (auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, dark ? QColor(28, 34, 38) : QColor(244, 247, 248));
        p.setColor(group, QPalette::ToolTipBase, dark ? QColor(50, 56, 60) : QColor(255, 255, 255));
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, disabledText);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Button, button);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::BrightText, dark ? QColor(255, 255, 255) : QColor(0, 0, 0));
        p.setColor(group, QPalette::Light, dark ? QColor(64, 72, 78) : QColor(255, 255, 255));
        p.setColor(group, QPalette::Midlight, dark ? QColor(54, 62, 67) : QColor(226, 231, 234));
        p.setColor(group, QPalette::Mid, mid);
        p.setColor(group, QPalette::Dark, dark ? QColor(16, 19, 22) : QColor(150, 158, 162));
        p.setColor(group, QPalette::Shadow, QColor(0, 0, 0));
        p.setColor(group, QPalette::Highlight, highlight);
        p.setColor(group, QPalette::HighlightedText, dark ? QColor(15, 36, 41) : QColor(255, 255, 255));
        p.setColor(group, QPalette::Link, highlight);
        p.setColor(group, QPalette::LinkVisited, highlight.darker(120));
    }
    p.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    p.setColor(QPalette::Inactive, QPalette::Highlight, Theme::withOpacity(highlight, 0.75));
    return p;
}

} // namespace quavel::Theme

namespace quavel::Fonts {

QFont system(qreal pixels, int weight)
{
    QFont f = QApplication::font();
    f.setPixelSize(std::max(1, int(std::lround(pixels))));
    f.setWeight(QFont::Weight(weight));
    return f;
}

int inkPad(const QFont& font)
{
    static QHash<QString, int> pads;
    const QString key = font.key();
    if (const auto known = pads.constFind(key); known != pads.constEnd())
        return *known;
    const QFontMetrics metrics(font);
    // The tallest marks of French capitals and the deepest descenders.
    const QRect ink = metrics.tightBoundingRect(QStringLiteral("ÅÉÈÀÂÊÎÔÛÙÇÏËÜŸgjpqyç"));
    const int pad = std::max({ 0, -ink.top() - metrics.ascent(), ink.bottom() + 1 - metrics.descent() });
    pads.insert(key, pad);
    return pad;
}

QFont font(Style style, int weight)
{
    switch (style) {
    case Style::body:
        return system(13, weight);
    case Style::callout:
        return system(12, weight);
    case Style::caption:
        return system(11, weight);
    case Style::caption2:
        return system(10, weight);
    case Style::headline:
        return system(13, weight == QFont::Normal ? QFont::DemiBold : weight);
    case Style::title2:
        return system(17, weight);
    }
    return system(13, weight);
}

} // namespace quavel::Fonts
