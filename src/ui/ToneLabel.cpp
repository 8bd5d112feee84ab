#include "ui/ToneLabel.h"

#include <QEvent>

namespace quavel {

ToneLabel::ToneLabel(const QString& text, Tone tone, const QFont& font, QWidget* parent)
    : QLabel(text, parent)
    , m_tone(tone)
{
    setTextFormat(Qt::PlainText);
    setFont(font);
    // The tone is the window-text colour. Without a role of its own the label would take the one of
    // its parent's background: the text colour inside a list, which no tone sets.
    setForegroundRole(QPalette::WindowText);
    // Room for accents over capitals and for descenders, which may reach past the font's line.
    setMargin(Fonts::inkPad(font));
    applyTone();
}

void ToneLabel::setTone(Tone tone)
{
    m_tone = tone;
    applyTone();
}

void ToneLabel::setGround(Ground ground)
{
    m_ground = ground;
    applyTone();
}

QColor ToneLabel::toneColor() const
{
    const bool dark = Theme::isDark(this);
    switch (m_tone) {
    case Tone::primary:
        return Theme::primary(dark);
    case Tone::secondary:
        return Theme::secondary(dark);
    case Tone::tertiary:
        return Theme::tertiary(dark);
    case Tone::green:
        return Theme::green(dark);
    case Tone::red:
        return Theme::red(dark);
    }
    return Theme::primary(dark);
}

void ToneLabel::applyTone()
{
    // Setting the palette sends another palette change; the flag keeps that from recursing.
    if (m_applying)
        return;
    m_applying = true;
    QPalette p = palette();
    QColor color = toneColor();
    // A little over 4.5:1, for the rounding of painted colours.
    if (m_ground)
        color = Theme::readable(color, m_ground(Theme::isDark(this)), 4.7);
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
    m_applying = false;
}

void ToneLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        applyTone();
    if (event->type() == QEvent::FontChange)
        setMargin(Fonts::inkPad(font()));
}

} // namespace quavel
