#pragma once

#include <QString>

#include <optional>

// The canonical text of a bib, so that a row and a programme entry match however they were written:
// "12", "012", "12,0", "12 HC" all give "12".
namespace quavel::AssignedNumber {

std::optional<QString> canonical(QStringView text);

} // namespace quavel::AssignedNumber
