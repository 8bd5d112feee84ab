#pragma once

#include "programme/ImportedPerson.h"
#include "programme/ProgrammeDay.h"
#include "programme/ProgrammeDocument.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The workbook programme reader, and the two rules every parser uses to keep one rider per bib.
namespace quavel::ExcelProgrammeParser {

// Reads a workbook (.xlsx, .xlsm): each sheet's days merged in workbook order; the source name is the
// file name. Throws FileError when the file cannot be read and ZipError when it is no workbook.
ProgrammeDocument parse(const QString& path);
// The same over the workbook's bytes, the source named `fileName`. Throws ZipError when they are no
// workbook.
ProgrammeDocument parse(const QByteArray& workbook, const QString& fileName);
// The days of one sheet: the sheet name gives the first day and class, rider rows join the current
// pair, other rows may switch the day (a weekday) or the class (a class title).
QList<ProgrammeDay> parseSheet(const QString& name, const QList<QStringList>& rows);
// The first weekday of the week (not of the text) found as a whole word, capitalised ("Samedi").
std::optional<QString> dayName(QStringView text);
// "Feuil1", "Feuille 2", "Sheet", "Onglet 4"…
bool isGenericSheetName(QStringView name);
// The trimmed text when it reads as a class title: a height in brackets, or "épreuve",
// "préparatoire" or "grand prix" in it.
std::optional<QString> eventTitle(QStringView text);

// The first rider of each canonical bib, ordered by the bib's integer value (a bib that is not a
// plain integer counts as 0); the order is stable, so equal values keep their reading order.
QList<ImportedPerson> uniquePeople(QList<ImportedPerson> people);

// Adds incoming days to the accumulated ones: a day of the same name (exact text) gains the incoming
// classes, a class of the same title gains the riders whose bibs are new. Nothing accumulated is ever
// reordered; new days and classes go to the end.
void merge(const QList<ProgrammeDay>& incoming, QList<ProgrammeDay>& accumulated);

} // namespace quavel::ExcelProgrammeParser
