#include "programme/ImportParserExtract.h"

#include "programme/XmlElementScanner.h"

#include "platform/text/Regex.h"

#include <QStringDecoder>

#include <algorithm>

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
    // The bytes are valid UTF-8 (their part was checked whole), so they are decoded here without the
    // checks of a general decoder: a cell text is a few bytes, shorter than those checks.
    QString text(qsizetype(utf8.size()), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    bool entities = false;
    const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = in + utf8.size();
    while (in < end) {
        const unsigned char lead = *in;
        if (lead < 0x80) {
            entities = entities || lead == '&';
            *out++ = lead;
            in += 1;
            continue;
        }
        // Never read past the end, even of bytes that break the promise.
        if (end - in < (lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4))
            break;
        if (lead < 0xE0) {
            *out++ = char16_t(((lead & 0x1F) << 6) | (in[1] & 0x3F));
            in += 2;
        } else if (lead < 0xF0) {
            *out++ = char16_t(((lead & 0x0F) << 12) | ((in[1] & 0x3F) << 6) | (in[2] & 0x3F));
            in += 3;
        } else {
            const char32_t c
                = ((lead & 0x07) << 18) | ((in[1] & 0x3F) << 12) | ((in[2] & 0x3F) << 6) | (in[3] & 0x3F);
            *out++ = QChar::highSurrogate(c);
            *out++ = QChar::lowSurrogate(c);
            in += 4;
        }
    }
    text.truncate(out - reinterpret_cast<const char16_t*>(text.constData()));
    return entities ? decodingXMLEntities(std::move(text)) : text;
}

QString textRuns(std::string_view utf8)
{
    // A single plain "<t>…</t>", as most items are written, is its own text.
    if (utf8.size() >= 7 && utf8.starts_with("<t>") && utf8.ends_with("</t>")) {
        const std::string_view run = utf8.substr(3, utf8.size() - 7);
        if (run.find('<') == std::string_view::npos)
            return decodedText(run);
    }
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

QString decodingCharacterReferences(const QString& text)
{
    const qsizetype first = text.indexOf(QStringLiteral("&#"));
    if (first < 0)
        return text;
    QString out;
    out.reserve(text.size());
    out += QStringView(text).left(first);
    const qsizetype size = text.size();
    qsizetype at = first;
    while (at < size) {
        if (text[at] != u'&' || at + 1 >= size || text[at + 1] != u'#') {
            out += text[at++];
            continue;
        }
        const bool hex = at + 2 < size && (text[at + 2] == u'x' || text[at + 2] == u'X');
        qsizetype digitsEnd = at + (hex ? 3 : 2);
        // Saturates past the last scalar value: a reference too long to read is out of range too.
        char32_t value = 0;
        for (; digitsEnd < size; ++digitsEnd) {
            const char16_t c = text[digitsEnd].unicode();
            int digit = -1;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (hex && c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else if (hex && c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            if (digit < 0)
                break;
            value = std::min<char32_t>(value * (hex ? 16 : 10) + char32_t(digit), 0x110000);
        }
        const qsizetype digitsStart = at + (hex ? 3 : 2);
        if (digitsEnd == digitsStart || digitsEnd >= size || text[digitsEnd] != u';') {
            out += text[at++]; // not a reference: the "&" stays as written
            continue;
        }
        // XML allows neither NUL nor a surrogate nor a value past U+10FFFF: they stand out as U+FFFD.
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            value = 0xFFFD;
        if (QChar::requiresSurrogates(value)) {
            out += QChar(QChar::highSurrogate(value));
            out += QChar(QChar::lowSurrogate(value));
        } else {
            out += QChar(char16_t(value));
        }
        at = digitsEnd + 1;
    }
    return out;
}

QString decodingXMLEntities(QString text)
{
    if (!text.contains(u'&'))
        return text;
    // The references first: "&amp;#233;" is how a workbook writes the text "&#233;", and stays that text.
    text = decodingCharacterReferences(text);
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
