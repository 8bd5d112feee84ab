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

// The pattern of a paired or self-closing element, to be matched ignoring case with "." matching
// line ends: group 1 the attributes, group 2 the content up to the first closing tag, which does not
// take part for a self-closing element. It is "<name[^>]*>(.*?)</name>" with two mends: a
// self-closing tag is taken whole instead of opening a pair that swallows the next element, and the
// name must end at a blank, "/" or ">" ("<c" never takes "<cols>"). `attributes` replaces the
// attributes group; the content is then the group after the groups it holds.
QString elementPattern(QStringView name, const QString& attributes = QStringLiteral("([^>]*?)"));

// Strict UTF-8 (a leading byte-order mark dropped); none when the bytes are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray& bytes);

} // namespace quavel::ImportParserExtract
