#pragma once

#include "programme/ImportedPerson.h"
#include "programme/WebProgrammeEventLink.h"
#include "programme/WebProgrammeSnapshot.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <optional>
#include <utility>

// Reads results-site pages by pattern scanning over the raw HTML (no HTML parser): contest pages that
// list classes under day headings, and start-list pages that list riders with their bibs.
//
// Every function is pure and may run on any thread at once. Every scan of one call shares a time
// budget on top of each pattern's own time limit, so a hostile page ends with whatever was read in
// time instead of hanging.
namespace quavel::WebProgrammeParser {

// The whole page.
WebProgrammeSnapshot snapshot(const QString& html, const QUrl& pageURL);
// The same, for a parse that may be overtaken: once `cancelled` is set (from any thread) the parse
// ends at its next budget check, and what it returns then is partial, for a caller that drops it.
WebProgrammeSnapshot snapshot(const QString& html, const QUrl& pageURL, const std::atomic<bool>& cancelled);

// The classes of a contest page, in page order, de-duplicated by comparisonKey of their start-list
// links; relative links resolve against the page.
QList<WebProgrammeEventLink> events(const QString& html, const QUrl& pageURL);

// Riders from rows marked with bib and name spans.
QList<ImportedPerson> peopleFromSpanLayout(const QString& html);
// Riders from plain table cells, four cells per rider (bib second, name fourth).
QList<ImportedPerson> peopleFromTableLayout(const QString& html);
// The inside of the first table body.
std::optional<QString> tbody(const QString& html);

QString contestTitle(const QString& html, const QUrl& pageURL);
// The contest page this page belongs to, from its links or else from its own path.
std::optional<QUrl> contestURL(const QUrl& pageURL, const std::optional<QString>& html);

// The page cut at the table headers that name a weekday; ("Programme", whole page) when none does.
QList<std::pair<QString, QString>> splitByDays(const QString& html);
// "Lundi" … "Dimanche" for the first weekday named in the text, French names before English ones.
std::optional<QString> weekdayName(const QString& text);

// "5 · Grand Prix" from 5 and "Samedi - Epreuve 5 - Grand Prix".
QString displayTitle(const QString& number, const QString& rawTitle);
// A page title without the leading brand of one of the built-in results sites.
QString strippedBrandingTitle(const QString& title);
// Tags dropped (line breaks as blanks), entities decoded, white space collapsed and trimmed.
QString plainText(const QString& html);
// The key under which two links are the same page: percent-decoded, tabs and one trailing "/"
// dropped, lower-cased.
QString comparisonKey(const QUrl& url);

// Every match of the pattern, case-insensitive, in document order: entry 0 the whole match, then each
// group ("" for a group that took no part). A pattern that does not compile gives no match.
QList<QStringList> regexGroups(const QString& text, const QString& pattern);
// The eight common entities, then, in one pass, the other named entities of HTML 4 and the decimal and
// hexadecimal references to valid scalar values ("&#0;" reads as U+FFFD; see HtmlEntities::decoded).
QString decodingHTMLEntities(const QString& text);

} // namespace quavel::WebProgrammeParser
