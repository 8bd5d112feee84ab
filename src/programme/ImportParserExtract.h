#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quavel {
class Regex;
}

// Small text rules of the workbook XML scanning.
namespace quavel::ImportParserExtract {

// The text of every <t> element, entity-decoded and concatenated; with no <t> element, the whole text
// with its tags removed, decoded.
QString extractT(QStringView xml);

// "&amp;", "&lt;", "&gt;", "&quot;" and "&#39;" replaced, in that order; other entities stay.
QString decodingXMLEntities(QString text);

// The value of the first `name="…"` in a text of attributes, the name matched ignoring case and
// anywhere in the text (so "id" also finds the end of "sheetId").
// The pattern of attributePattern, compiled once by the caller.
Regex attributePattern(const QString& name);
std::optional<QString> attributeValue(QStringView attributes, const Regex& pattern);

// Strict UTF-8 (a leading byte-order mark dropped); none when the bytes are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray& bytes);

} // namespace quavel::ImportParserExtract
