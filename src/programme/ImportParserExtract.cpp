#include "programme/ImportParserExtract.h"

#include "programme/XmlElementScanner.h"

#include "platform/text/Regex.h"

#include <QStringDecoder>

namespace quavel::ImportParserExtract {

namespace {

// The text with every "<[^>]+>" removed: a "<" up to the next ">" with at least one character
// between them. "<>" and a "<" that no ">" follows stay.
std::string withoutTags(std::string_view xml)
{
    std::string out;
    out.reserve(xml.size());
    size_t at = 0;
    for (;;) {
        const size_t open = xml.find('<', at);
        if (open == std::string_view::npos)
            break;
        const size_t close = xml.find('>', open + 1);
        if (close == std::string_view::npos)
            break;
        if (close == open + 1) {
            out.append(xml.substr(at, close - at));
            at = close;
            continue;
        }
        out.append(xml.substr(at, open - at));
        at = close + 1;
    }
    out.append(xml.substr(at));
    return out;
}

} // namespace

QString decodedText(std::string_view utf8)
{
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    if (utf8.find('&') == std::string_view::npos)
        return text;
    return decodingXMLEntities(text);
}

QString textRuns(std::string_view utf8)
{
    XmlElementScanner runs(utf8, "t");
    QString out;
    while (const auto run = runs.next())
        out += decodedText(run->content);
    return out;
}

QString extractT(std::string_view utf8)
{
    // No tag at all: the text itself, as both rules below would give it.
    if (utf8.find('<') == std::string_view::npos)
        return decodedText(utf8);
    // A self-closing <t/> is an empty text run, never the opening of a pair.
    XmlElementScanner runs(utf8, "t");
    std::optional<XmlElementScanner::Element> run = runs.next();
    if (!run)
        return decodedText(withoutTags(utf8));
    QString out = decodedText(run->content);
    while ((run = runs.next()))
        out += decodedText(run->content);
    return out;
}

QString extractT(QStringView xml)
{
    const QByteArray utf8 = xml.toUtf8();
    return extractT(std::string_view(utf8.constData(), size_t(utf8.size())));
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

std::optional<std::string_view> attributeValue(std::string_view attributes, std::string_view name)
{
    // Walked by its `="`: the occurrences of name + `="` come in the order of their "=", since no form
    // of the name holds one. Each "=" is checked for a form of the name ending right before it (the
    // folded forms take up to two more bytes a letter).
    const char* begin = attributes.data();
    const char* end = begin + attributes.size();
    const auto shortest = std::ptrdiff_t(name.size());
    const auto longest = shortest * 3;
    for (const char* equals = begin + shortest; equals + 1 < end; ++equals) {
        if (equals[0] != '=' || equals[1] != '"')
            continue;
        bool named = false;
        for (std::ptrdiff_t length = shortest; !named && length <= longest && length <= equals - begin;
             ++length)
            named = XmlElementScanner::matchName(equals - length, equals, name) == equals;
        if (!named)
            continue;
        const char* value = equals + 2;
        // The first `name="` without a closing quote has none after any later one either.
        const char* quote = value;
        while (quote < end && *quote != '"')
            ++quote;
        if (quote == end)
            return std::nullopt;
        return std::string_view(value, size_t(quote - value));
    }
    return std::nullopt;
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
