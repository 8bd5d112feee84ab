#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Text rules the system relies on everywhere, with ICU semantics: white-space sets, French folding
// and case mapping, character classes, C-locale number reading and the localized orderings.
namespace quavel::text {

// Space separators (general category Zs) and the tab.
bool isWhitespace(char32_t c);
// isWhitespace, plus the line breaks U+000A to U+000D, U+0085, U+2028 and U+2029.
bool isWhitespaceOrNewline(char32_t c);
// Characters with any numeric type in the character database (digits of every script, superscripts,
// fractions, Roman numerals…).
bool isNumeric(char32_t c);
// Alphabetic characters.
bool isLetter(char32_t c);
// ASCII 0 to 9.
inline bool isAsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

QString trimWhitespace(QStringView s);
QString trimWhitespaceAndNewlines(QStringView s);
// Trims every character for which the predicate holds, at both ends.
QString trimmed(QStringView s, bool (*predicate)(char32_t));

// Diacritics removed as under the French locale ("é" -> "e", "ç" -> "c"); nothing else changes.
QString foldDiacritics(QStringView s);
// The folded text of the programme parsers: diacritics removed, then lower-cased under fr_FR.
QString folded(QStringView s);

QString upperFrench(QStringView s);
QString lowerFrench(QStringView s);
// Default Unicode case mapping, no locale.
QString upper(QStringView s);
QString lower(QStringView s);
// Each word's first letter upper-cased and the rest lower-cased (French rules).
QString capitalizedFrench(QStringView s);

// The whole text as a double, C locale: no leading white space, the whole text consumed; decimal,
// exponent, hexadecimal, infinity and NaN forms as strtod reads them. Absent otherwise.
std::optional<double> parseDoubleC(QStringView s);
// An optional sign then one or more ASCII digits, nothing else, within the signed 64-bit range.
std::optional<qint64> parseInt64(QStringView s);

// The number of user-perceived characters (grapheme clusters).
qsizetype graphemeCount(QStringView s);
// The text cut into user-perceived characters.
QStringList graphemes(QStringView s);

// The localized standard comparison (the file manager's order): French collation, numbers compared
// by value, case and accents as later levels; texts that collate equal are ordered by code units, so
// this is a total order (safe for std::sort). Negative, zero or positive.
int localizedStandardCompare(QStringView a, QStringView b);
// Collation under fr_FR ignoring case (secondary strength); zero when equal at that level.
int localizedCaseInsensitiveCompare(QStringView a, QStringView b);
// A key whose byte order (memcmp, then length) is the order of localizedStandardCompare before its
// code-unit tie break: texts with equal keys are then compared by code units. For sorting many texts.
QByteArray localizedStandardSortKey(QStringView s);

// The canonically composed form (NFC): canonically equivalent texts (a name the file system gives
// decomposed, the same name typed composed) give the same text.
QString composed(QStringView s);

// Code points of a text, for rules that walk characters.
QList<char32_t> codePoints(QStringView s);

} // namespace quavel::text
