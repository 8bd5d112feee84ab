#pragma once

#include "ui/Theme.h"

#include <QLabel>

namespace quavel {

// The hierarchical label colours, re-applied whenever the scheme changes.
enum class Tone { primary, secondary, tertiary, green, red };

// A plain-text label in a tone and a text style.
class ToneLabel : public QLabel
{
    Q_OBJECT

public:
    ToneLabel(const QString& text, Tone tone, const QFont& font, QWidget* parent = nullptr);

    Tone tone() const { return m_tone; }
    void setTone(Tone tone);
    QColor toneColor() const;
    // The colour the label stands on, for the scheme (none: the window's). On a coloured ground the
    // tone gives way to the nearest colour that reads at 4.5:1 there.
    using Ground = QColor (*)(bool dark);
    void setGround(Ground ground);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyTone();

    Tone m_tone;
    Ground m_ground = nullptr;
    bool m_applying = false;
};

} // namespace quavel
