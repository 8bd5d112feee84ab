#include "programme/ImportParserExtract.h"

#include "platform/text/Regex.h"

#include <QStringDecoder>

namespace quavel::ImportParserExtract {

QString elementPattern(QStringView name, const QString& attributes)
{
    return QStringLiteral("<") + name.toString() + QStringLiteral("(?=[\\s/>])") + attributes
        + QStringLiteral("(?:/>|>(.*?)</") + name.toString() + QStringLiteral(">)");
}

QString extractT(QStringView xml)
{
    // No tag at all: the text itself, as both rules below would give it.
    if (!xml.contains(u'<'))
        return decodingXMLEntities(xml.toString());
    // A self-closing <t/> is an empty text run, never the opening of a pair.
    static const Regex textRun(elementPattern(u"t"), Regex::CaseInsensitive | Regex::DotAll);
    const QList<RegexMatch> runs = textRun.matchAll(xml);
    if (runs.isEmpty()) {
        static const Regex tag(QStringLiteral("<[^>]+>"));
        return decodingXMLEntities(tag.replaceAll(xml, QString()));
    }
    QString out;
    for (const RegexMatch& m : runs)
        out += decodingXMLEntities(m.captured(2));
    return out;
}

QString decodingXMLEntities(QString text)
{
    if (!text.contains(u'&'))
        return text;
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    return text;
}

Regex attributePattern(const QString& name)
{
    return Regex(QStringLiteral("\\Q") + name + QStringLiteral("\\E=\"([^\"]*)\""), Regex::CaseInsensitive);
}

std::optional<QString> attributeValue(QStringView attributes, const Regex& pattern)
{
    const auto m = pattern.match(attributes);
    if (!m)
        return std::nullopt;
    return m->captured(1);
}

std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace quavel::ImportParserExtract
