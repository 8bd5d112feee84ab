#include "ui/PickButton.h"

namespace quavel {

PickButton::PickButton(const QString& title, const QString& symbol, bool fused, QWidget* parent)
    : CapsuleButton(title, symbol, fused ? CapsuleKind::fused : CapsuleKind::glass, parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

} // namespace quavel
