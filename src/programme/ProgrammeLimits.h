#pragma once

#include <QtGlobal>

namespace quavel {
struct ProgrammeDocument;
}

// What a programme may hold. A start list of a big show has a few thousand riders; beyond the cap a
// file is no programme (a crafted workbook of a few megabytes can otherwise unfold into millions of
// riders and gigabytes of memory, at its import and again at every start).
namespace quavel::ProgrammeLimits {

constexpr qsizetype maximumRiders = 100000;

// The most shared strings a workbook may list. A programme's distinct texts (names, clubs, horses,
// class titles) stay far below it, each rider bringing a few; a workbook can list far more, tiny
// items in a part that deflates a thousandfold, and each item costs memory of its own.
constexpr qsizetype maximumSharedStrings = 1'000'000;

// Every rider of every class of every day, repeats included.
qsizetype riderCount(const ProgrammeDocument& document);

// Throws ImportError::unreadable() when `count` is over the cap.
void checkRiderCount(qsizetype count);

} // namespace quavel::ProgrammeLimits
