#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <string_view>

namespace quavel {
class Regex;
}

// Small text rules of the workbook XML scanning. The worksheet and shared-string parts are read as
// UTF-8 bytes, checked once per part: the std::string_view forms take valid UTF-8 only. Only the texts
// that end up in cells become QStrings; the QStringView forms serve the other callers.
namespace quavel::ImportParserExtract {

// The text of every <t> element, entity-decoded and concatenated; with no <t> element, the whole text
// with its tags removed, decoded.
QString extractT(std::string_view utf8);
QString extractT(QStringView xml);
// The text of every <t> element, entity-decoded and concatenated; none gives the empty text.
QString textRuns(std::string_view utf8);

// Decimal and hexadecimal character references ("&#233;", "&#xE9;") decoded, then "&amp;", "&lt;",
// "&gt;", "&quot;" and "&#39;" replaced, in that order; other entities stay. A reference to 0, to a
// surrogate or past U+10FFFF gives U+FFFD.
QString decodingXMLEntities(QString text);
// The character references alone, in one pass (what a reference gives is not read again).
QString decodingCharacterReferences(const QString& text);
// The same of UTF-8 bytes, which must be valid UTF-8.
QString decodedText(std::string_view utf8);

// The value of the first `name="…"` in a text of attributes, the name matched ignoring case and
// anywhere in the text (so "id" also finds the end of "sheetId").
// The pattern of attributePattern, compiled once by the caller.
Regex attributePattern(const QString& name);
std::optional<QString> attributeValue(QStringView attributes, const Regex& pattern);

// Strict UTF-8 (a leading byte-order mark dropped); none when the bytes are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray& bytes);

} // namespace quavel::ImportParserExtract
