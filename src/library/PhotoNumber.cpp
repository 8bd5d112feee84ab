#include "library/PhotoNumber.h"

#include "platform/text/Text.h"

#include <QHash>

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace quavel {

namespace {

// The last "." that starts an extension: inside the last path component, not its first character.
qsizetype extensionDot(QStringView name)
{
    qsizetype end = name.size();
    while (end > 1 && name[end - 1] == u'/')
        --end;
    const qsizetype slash = name.left(end).lastIndexOf(u'/');
    const qsizetype componentStart = slash + 1;
    const qsizetype dot = name.left(end).lastIndexOf(u'.');
    if (dot <= componentStart)
        return -1;
    return dot;
}

bool prefixTrim(char32_t c)
{
    return c == U' ' || c == U'_' || c == U'-' || c == U'.';
}

bool isAscii(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

QString normalized(const QString& s)
{
    if (isAscii(s))
        return s;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return s;
    icu::UnicodeString u(false, reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
    if (nfc->isNormalized(u, status) && U_SUCCESS(status))
        return s;
    status = U_ZERO_ERROR;
    icu::UnicodeString out = nfc->normalize(u, status);
    if (U_FAILURE(status))
        return s;
    return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
}

// Code points after canonical normalisation, compared one by one.
int scalarCompare(const QString& a, const QString& b)
{
    if (isAscii(a) && isAscii(b)) {
        const int r = QStringView(a).compare(QStringView(b));
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    const QList<char32_t> ca = text::codePoints(normalized(a));
    const QList<char32_t> cb = text::codePoints(normalized(b));
    const qsizetype n = std::min(ca.size(), cb.size());
    for (qsizetype i = 0; i < n; ++i)
        if (ca[i] != cb[i])
            return ca[i] < cb[i] ? -1 : 1;
    return ca.size() < cb.size() ? -1 : (ca.size() > cb.size() ? 1 : 0);
}

} // namespace

QString deletingPathExtension(QStringView name)
{
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? name.toString() : name.left(dot).toString();
}

QString pathExtension(QStringView name)
{
    qsizetype end = name.size();
    while (end > 1 && name[end - 1] == u'/')
        --end;
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? QString() : name.mid(dot + 1, end - dot - 1).toString();
}

std::optional<PhotoNumber> PhotoNumber::parse(QStringView input)
{
    const QString trimmed = text::trimWhitespaceAndNewlines(input);
    if (trimmed.isEmpty())
        return std::nullopt;
    const QString stem = deletingPathExtension(trimmed);

    // The last maximal run of numeric characters that is all ASCII digits and fits in 64 bits.
    qsizetype bestStart = -1;
    qsizetype bestEnd = -1;
    qint64 bestValue = 0;
    qsizetype i = 0;
    const qsizetype n = stem.size();
    while (i < n) {
        char32_t c = stem[i].unicode();
        qsizetype len = 1;
        if (stem[i].isHighSurrogate() && i + 1 < n && stem[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(stem[i], stem[i + 1]);
            len = 2;
        }
        if (!text::isNumeric(c)) {
            i += len;
            continue;
        }
        const qsizetype start = i;
        bool ascii = true;
        while (i < n) {
            char32_t d = stem[i].unicode();
            qsizetype dlen = 1;
            if (stem[i].isHighSurrogate() && i + 1 < n && stem[i + 1].isLowSurrogate()) {
                d = QChar::surrogateToUcs4(stem[i], stem[i + 1]);
                dlen = 2;
            }
            if (!text::isNumeric(d))
                break;
            if (!text::isAsciiDigit(d))
                ascii = false;
            i += dlen;
        }
        if (!ascii)
            continue;
        if (auto value = text::parseInt64(QStringView(stem).mid(start, i - start))) {
            bestStart = start;
            bestEnd = i;
            bestValue = *value;
        }
    }
    if (bestStart < 0)
        return std::nullopt;

    PhotoNumber number;
    number.prefix = text::upper(text::trimmed(QStringView(stem).left(bestStart), &prefixTrim));
    number.value = bestValue;
    number.width = int(bestEnd - bestStart);
    number.raw = text::upper(trimmed);
    return number;
}

QString PhotoNumber::formatted() const
{
    QString digits = QString::number(value);
    QString sign;
    if (digits.startsWith(u'-')) {
        sign = QStringLiteral("-");
        digits.remove(0, 1);
    }
    const int padding = width - int(digits.size()) - int(sign.size());
    if (padding > 0)
        digits.prepend(QString(padding, u'0'));
    return prefix + sign + digits;
}

bool PhotoNumber::operator==(const PhotoNumber& other) const
{
    return value == other.value && width == other.width && scalarCompare(prefix, other.prefix) == 0
        && scalarCompare(raw, other.raw) == 0;
}

bool PhotoNumber::operator<(const PhotoNumber& other) const
{
    if (value != other.value)
        return value < other.value;
    if (int c = scalarCompare(prefix, other.prefix))
        return c < 0;
    if (width != other.width)
        return width < other.width;
    return scalarCompare(raw, other.raw) < 0;
}

size_t qHash(const PhotoNumber& n, size_t seed) noexcept
{
    return qHashMulti(seed, normalized(n.prefix), n.value, n.width, normalized(n.raw));
}

} // namespace quavel
