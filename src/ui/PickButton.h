#pragma once

#include "ui/CapsuleButton.h"

namespace quavel {

// The capsule button that screens place next to a picked value: a symbol (optional) and a title shown
// verbatim, fused (no capsule of its own) inside a fused group, glass otherwise; never selected and
// always at its natural size.
class PickButton : public CapsuleButton
{
    Q_OBJECT

public:
    PickButton(const QString& title, const QString& symbol, bool fused, QWidget* parent = nullptr);
};

} // namespace quavel
