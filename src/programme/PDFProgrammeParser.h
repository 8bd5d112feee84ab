#pragma once

#include "programme/ImportedPerson.h"
#include "programme/ProgrammeDay.h"
#include "programme/ProgrammeDocument.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quavel {
class PdfDocument;
}

// PDF start lists read from the plain text of their pages: weekday lines open a day, class-title lines
// a class, height lines complete a title, numbered lines are riders, headers and footers are dropped.
// The federation's layout, whose names stand in a column of their own, is tried first.
// "Blanks" are the tab and the space separators; keyword tests run on folded text.
namespace quavel::PDFProgrammeParser {

// Throws ImportError::unreadable when the file cannot be opened as a PDF. The document may have no
// day when nothing is recognised.
ProgrammeDocument parse(const QString& path);
// The same on an opened document.
ProgrammeDocument parse(const PdfDocument& document, const QString& sourceName);

// The lines of a page's text: line ends unified, no-break spaces made blanks, the blanks between the
// words of every line but a rider's made one (see singleBlanks), each line trimmed of blanks, empty
// lines dropped; a page of fewer than 3 lines and more than 80 characters is run-on text cut by
// splitRunOn.
QStringList pageLines(const QString& pageText);
// The text with each run of blanks made one blank. The page layout pads columns: a class title with
// its time at the right reads "Préparatoire 1,00 m 08h00", as its title and class id must.
QString singleBlanks(QStringView text);
// pageLines without the run-on rule.
QStringList normalizedLines(const QString& text);
// Cuts run-on text into lines at each word that names a weekday or reads as a class title, and at a
// bib that ends one of the text's lines before a rider's name; the line ends themselves only cut
// words, so no line holds one.
QStringList splitRunOn(const QString& text);
// A page header or footer, a time of day, a column header or a "liste de départ" line.
bool isSkippable(const QString& line);
// The days, classes and riders of the lines of every page; days without classes are dropped.
QList<ProgrammeDay> assemble(const QStringList& lines);
// The first weekday of the week named in the text, capitalised ("Samedi").
std::optional<QString> dayName(const QString& text);
// The class title of a line, without its class-number prefix; absent for rider lines and bare
// heights.
std::optional<QString> eventTitle(const QString& line);
// "Epreuve n°3 - Vitesse 1,10 m" → "Vitesse 1,10 m".
QString cleanEventTitle(const QString& title);
// The rider of a numbered line ("[start order] bib name…"), with sourceLine 0.
std::optional<ImportedPerson> rider(const QString& line);
// The rider's name after a horse identifier (eight digits and a capital letter) in a line's body.
std::optional<QString> riderName(const QString& body);
// 3 to 80 characters, 2 to 6 words of letters, apostrophes, hyphens and "*", no digit, "%", "€" or "(".
bool looksLikeListingName(const QString& text);
// One rider per bib, ordered by the bib's integer value.
QList<ImportedPerson> uniquePeople(const QList<ImportedPerson>& people);

// The federation layout: absent when the document is not such a start list or no class was read.
std::optional<ProgrammeDocument> parseFFEListing(const PdfDocument& document, const QString& sourceName);
bool looksLikeFFEStartList(const QString& text);
// "Grand National de Printemps - N° 45" → "Grand National de Printemps".
std::optional<QString> competitionName(const QString& text);
// "EPREUVE 4 – Grand Prix Pro 2 - 38 engagés" → "Épreuve 4 - Grand Prix Pro 2".
std::optional<QString> ffeEventTitle(const QString& pageText);
// The rider names of a page: from its right-hand names column, else from its whole text.
QStringList ffeRiders(const PdfDocument& document, int pageIndex);
QStringList ffeRiders(const QString& columnText);

// The class identifier: day, "|", title, and "|n" for the n-th class of that title on that day.
QString eventIdentifier(const QList<ProgrammeDay>& days, const QString& day, const QString& title);

} // namespace quavel::PDFProgrammeParser
