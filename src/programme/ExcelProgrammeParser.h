#pragma once

#include "programme/ImportedPerson.h"
#include "programme/ProgrammeDay.h"

#include <QList>

// The workbook programme reader, and the two rules every parser uses to keep one rider per bib.
namespace quavel::ExcelProgrammeParser {

// The first rider of each canonical bib, ordered by the bib's integer value (a bib that is not a
// plain integer counts as 0); the order is stable, so equal values keep their reading order.
QList<ImportedPerson> uniquePeople(const QList<ImportedPerson>& people);

// Adds incoming days to the accumulated ones: a day of the same name (exact text) gains the incoming
// classes, a class of the same title gains the riders whose bibs are new. Nothing accumulated is ever
// reordered; new days and classes go to the end.
void merge(const QList<ProgrammeDay>& incoming, QList<ProgrammeDay>& accumulated);

} // namespace quavel::ExcelProgrammeParser
