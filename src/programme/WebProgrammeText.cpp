// The text rules of the results-page readers: matching, entity decoding, the clean-up every title,
// heading, name and cell goes through, link keys, titles and weekdays.
#include "programme/HtmlEntities.h"
#include "programme/ResultsSite.h"
#include "programme/WebProgrammeParser.h"
#include "programme/WebProgrammeScan.h"

#include "platform/text/Text.h"

#include <QStringDecoder>

#include <stdexcept>

namespace quavel::WebProgrammeParser {

namespace {

const Regex& lineBreakTag()
{
    static const Regex re(QStringLiteral(R"(<br\s*/?>)"), Regex::CaseInsensitive);
    return re;
}

const Regex& anyTag()
{
    static const Regex re(QStringLiteral(R"(<[^>]+>)"));
    return re;
}

const Regex& whitespaceRun()
{
    static const Regex re(QStringLiteral(R"(\s+)"));
    return re;
}

const Regex& numberedTitle()
{
    static const Regex re(QStringLiteral(R"(^\d+\s*[-–])"));
    return re;
}

const Regex& dash()
{
    static const Regex re(QStringLiteral(R"([-–])"));
    return re;
}

// "^(?:<brand>|…)\s*[-–]\s*" over the built-in results sites, each brand taken literally.
const Regex& brandPrefix()
{
    static const Regex re = [] {
        QStringList alternatives;
        for (const ResultsSite& site : ResultsSite::builtIn())
            alternatives.append(QStringLiteral("\\Q") + site.brandName + QStringLiteral("\\E"));
        return Regex(QStringLiteral("^(?:") + alternatives.join(u'|') + QStringLiteral(R"()\s*[-–]\s*)"));
    }();
    return re;
}

// Percent-decoding that fails, as a whole, on a malformed escape or bytes that are not UTF-8.
std::optional<QString> removingPercentEncoding(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray bytes;
    bytes.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '%') {
            bytes.append(utf8[i]);
            continue;
        }
        if (i + 2 >= utf8.size() || !isxdigit(uchar(utf8[i + 1])) || !isxdigit(uchar(utf8[i + 2])))
            return std::nullopt;
        bytes.append(char(QByteArray(utf8.constData() + i + 1, 2).toInt(nullptr, 16)));
        i += 2;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return decoded;
}

} // namespace

QList<QStringList> regexGroups(const QString& text, const QString& pattern)
{
    try {
        const Regex re(pattern, Regex::CaseInsensitive);
        return WebProgrammeScan::groups(re, text);
    } catch (const std::invalid_argument&) {
        return {};
    }
}

QString decodingHTMLEntities(const QString& text)
{
    static const std::pair<const char16_t*, const char16_t*> entities[] = {
        { u"&nbsp;", u" " },
        { u"&amp;", u"&" },
        { u"&quot;", u"\"" },
        { u"&apos;", u"'" },
        { u"&#39;", u"'" },
        { u"&#039;", u"'" },
        { u"&lt;", u"<" },
        { u"&gt;", u">" },
    };
    QString s = text;
    for (const auto& [entity, replacement] : entities)
        s.replace(QString::fromUtf16(entity), QString::fromUtf16(replacement));
    // Then the other names of HTML 4 and the numeric references. What the eight left behind stays:
    // "&amp;nbsp;" is the text "&nbsp;".
    static const QStringList eight { QStringLiteral("nbsp"), QStringLiteral("amp"), QStringLiteral("quot"),
        QStringLiteral("lt"), QStringLiteral("gt") };
    return HtmlEntities::decoded(s, eight);
}

QString plainText(const QString& html)
{
    QString s = lineBreakTag().replaceAll(html, QStringLiteral(" "));
    s = anyTag().replaceAll(s, QString());
    s = decodingHTMLEntities(s);
    s = whitespaceRun().replaceAll(s, QStringLiteral(" "));
    return text::trimWhitespaceAndNewlines(s);
}

QString comparisonKey(const QUrl& url)
{
    const QString absolute = url.toString(QUrl::FullyEncoded);
    QString key = removingPercentEncoding(absolute).value_or(absolute);
    key.remove(u'\t');
    if (key.endsWith(u'/'))
        key.chop(1);
    return text::lower(key);
}

QString displayTitle(const QString& number, const QString& rawTitle)
{
    QString t = plainText(rawTitle);
    if (numberedTitle().contains(t)) {
        const std::optional<RegexMatch> separator = dash().match(t);
        t = text::trimWhitespaceAndNewlines(QStringView(t).mid(separator->end()));
    } else if (const qsizetype at = t.lastIndexOf(QStringLiteral(" - ")); at >= 0) {
        t = text::trimWhitespaceAndNewlines(QStringView(t).mid(at + 3));
    }
    if (number.isEmpty())
        return t;
    return number + QStringLiteral(" · ") + t;
}

QString strippedBrandingTitle(const QString& title)
{
    return text::trimWhitespaceAndNewlines(brandPrefix().replaceAll(plainText(title), QString()));
}

std::optional<QString> weekdayName(const QString& text)
{
    static const char16_t* const french[]
        = { u"lundi", u"mardi", u"mercredi", u"jeudi", u"vendredi", u"samedi", u"dimanche" };
    static const char16_t* const english[]
        = { u"monday", u"tuesday", u"wednesday", u"thursday", u"friday", u"saturday", u"sunday" };
    static const QList<Regex> patterns = [] {
        QList<Regex> out;
        for (const auto* names : { french, english }) {
            for (int i = 0; i < 7; ++i)
                out.append(
                    Regex(QStringLiteral("\\b") + QString::fromUtf16(names[i]) + QStringLiteral("\\b")));
        }
        return out;
    }();

    const QString folded = text::folded(text);
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        if (patterns[i].contains(folded))
            return text::capitalizedFrench(QString::fromUtf16(french[i % 7]));
    }
    return std::nullopt;
}

} // namespace quavel::WebProgrammeParser
