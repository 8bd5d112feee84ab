#pragma once

#include "photo/retouch/RetouchRange.h"

#include <QString>

#include <optional>

namespace quavel {

// What one numeric retouch row shows and allows: its title and help, range and step, the decimals of the
// field, the unit after it and where the slider's fill starts.
struct RetouchSliderTraits
{
    QString title;
    QString help;
    RetouchRange range;
    int decimals = 0;
    QString unit;
    std::optional<double> origin;
};

} // namespace quavel
