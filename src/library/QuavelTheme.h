#pragma once

#include <QDateTime>
#include <QString>

namespace quavel::QuavelTheme {

// The name of a new day when the user gives none: the date in the French complete style, in the
// user's current time zone, first letter upper-cased ("Mardi 8 décembre 2026").
QString defaultDayName(const QDateTime& date);

} // namespace quavel::QuavelTheme
