#include "platform/text/Text.h"

#include <unicode/brkiter.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <memory>
#include <mutex>

namespace quavel::text {

namespace {

icu::UnicodeString alias(QStringView s)
{
    // Read-only alias of the UTF-16 buffer: no copy.
    return icu::UnicodeString(false, reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

QString toQString(const icu::UnicodeString& u)
{
    return QString(reinterpret_cast<const QChar*>(u.getBuffer()), u.length());
}

const icu::Locale& french()
{
    static const icu::Locale locale("fr", "FR");
    return locale;
}

bool isAscii(QStringView s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

bool isWhitespace(char32_t c)
{
    // The only space separator in ASCII is the blank.
    if (c < 0x80)
        return c == U' ' || c == U'\t';
    return u_charType(UChar32(c)) == U_SPACE_SEPARATOR;
}

bool isWhitespaceOrNewline(char32_t c)
{
    if (c < 0x80)
        return c == U' ' || (c >= 0x09 && c <= 0x0D);
    return isWhitespace(c) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isNumeric(char32_t c)
{
    if (c < 0x80)
        return isAsciiDigit(c);
    return u_getIntPropertyValue(UChar32(c), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

bool isLetter(char32_t c)
{
    if (c < 0x80)
        return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
    return u_isUAlphabetic(UChar32(c));
}

QString trimmed(QStringView s, bool (*predicate)(char32_t))
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end) {
        char32_t c = s[begin].unicode();
        qsizetype len = 1;
        if (s[begin].isHighSurrogate() && begin + 1 < end && s[begin + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(s[begin], s[begin + 1]);
            len = 2;
        }
        if (!predicate(c))
            break;
        begin += len;
    }
    while (end > begin) {
        char32_t c = s[end - 1].unicode();
        qsizetype len = 1;
        if (s[end - 1].isLowSurrogate() && end - 2 >= begin && s[end - 2].isHighSurrogate()) {
            c = QChar::surrogateToUcs4(s[end - 2], s[end - 1]);
            len = 2;
        }
        if (!predicate(c))
            break;
        end -= len;
    }
    return s.mid(begin, end - begin).toString();
}

QString trimWhitespace(QStringView s)
{
    return trimmed(s, &isWhitespace);
}

QString trimWhitespaceAndNewlines(QStringView s)
{
    return trimmed(s, &isWhitespaceOrNewline);
}

QString foldDiacritics(QStringView s)
{
    if (isAscii(s))
        return s.toString();
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return s.toString();
    icu::UnicodeString decomposed = nfd->normalize(alias(s), status);
    if (U_FAILURE(status))
        return s.toString();
    icu::UnicodeString stripped;
    stripped.getBuffer(decomposed.length());
    stripped.releaseBuffer(0);
    for (int32_t i = 0; i < decomposed.length();) {
        UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK)
            stripped.append(c);
        i += U16_LENGTH(c);
    }
    icu::UnicodeString composed = nfc->normalize(stripped, status);
    if (U_FAILURE(status))
        return toQString(stripped);
    return toQString(composed);
}

QString folded(QStringView s)
{
    return lowerFrench(foldDiacritics(s));
}

QString upperFrench(QStringView s)
{
    if (isAscii(s))
        return s.toString().toUpper();
    icu::UnicodeString u(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
    u.toUpper(french());
    return toQString(u);
}

QString lowerFrench(QStringView s)
{
    if (isAscii(s))
        return s.toString().toLower();
    icu::UnicodeString u(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
    u.toLower(french());
    return toQString(u);
}

QString upper(QStringView s)
{
    if (isAscii(s))
        return s.toString().toUpper();
    icu::UnicodeString u(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
    u.toUpper(icu::Locale::getRoot());
    return toQString(u);
}

QString lower(QStringView s)
{
    if (isAscii(s))
        return s.toString().toLower();
    icu::UnicodeString u(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
    u.toLower(icu::Locale::getRoot());
    return toQString(u);
}

QString capitalizedFrench(QStringView s)
{
    icu::UnicodeString u(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
    // A null break iterator makes ICU title-case at word boundaries.
    u.toTitle(nullptr, french());
    return toQString(u);
}

std::optional<double> parseDoubleC(QStringView s)
{
    if (s.isEmpty())
        return std::nullopt;
    const QByteArray utf8 = s.toUtf8();
    const unsigned char first = static_cast<unsigned char>(utf8[0]);
    if (first == ' ' || (first >= '\t' && first <= '\r'))
        return std::nullopt;
    if (utf8.contains('\0'))
        return std::nullopt;
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    char* end = nullptr;
    errno = 0;
    double value = strtod_l(utf8.constData(), &end, cLocale);
    if (end == utf8.constData() || *end != '\0')
        return std::nullopt;
    return value;
}

std::optional<qint64> parseInt64(QStringView s)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    if (i == s.size())
        return std::nullopt;
    // Accumulate negatively so that the most negative value fits.
    qint64 value = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int d = c - u'0';
        if (value < (std::numeric_limits<qint64>::min() + d) / 10)
            return std::nullopt;
        value = value * 10 - d;
    }
    if (!negative) {
        if (value == std::numeric_limits<qint64>::min())
            return std::nullopt;
        return -value;
    }
    return value;
}

QStringList graphemes(QStringView s)
{
    QStringList out;
    if (s.isEmpty())
        return out;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(french(), status));
    if (U_FAILURE(status)) {
        for (QChar c : s)
            out.append(QString(c));
        return out;
    }
    icu::UnicodeString u = alias(s);
    it->setText(u);
    int32_t start = it->first();
    for (int32_t end = it->next(); end != icu::BreakIterator::DONE; start = end, end = it->next())
        out.append(s.mid(start, end - start).toString());
    return out;
}

qsizetype graphemeCount(QStringView s)
{
    if (isAscii(s)) {
        // CR LF is one character.
        qsizetype n = s.size();
        for (qsizetype i = 0; i + 1 < s.size(); ++i)
            if (s[i] == u'\r' && s[i + 1] == u'\n')
                --n;
        return n;
    }
    return graphemes(s).size();
}

namespace {

struct Collators
{
    std::unique_ptr<icu::Collator> standard;
    std::unique_ptr<icu::Collator> caseInsensitive;
};

const Collators& collators()
{
    static const Collators c = [] {
        Collators out;
        UErrorCode status = U_ZERO_ERROR;
        out.standard.reset(icu::Collator::createInstance(french(), status));
        if (U_SUCCESS(status) && out.standard) {
            out.standard->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
            out.standard->setStrength(icu::Collator::TERTIARY);
        }
        status = U_ZERO_ERROR;
        out.caseInsensitive.reset(icu::Collator::createInstance(french(), status));
        if (U_SUCCESS(status) && out.caseInsensitive)
            out.caseInsensitive->setStrength(icu::Collator::SECONDARY);
        return out;
    }();
    return c;
}

int codeUnitCompare(QStringView a, QStringView b)
{
    const int r = a.compare(b, Qt::CaseSensitive);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

} // namespace

int localizedStandardCompare(QStringView a, QStringView b)
{
    const auto& c = collators();
    if (c.standard) {
        UErrorCode status = U_ZERO_ERROR;
        // ICU collators are safe for concurrent const use.
        UCollationResult r = c.standard->compare(reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()),
            reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()), status);
        if (U_SUCCESS(status) && r != UCOL_EQUAL)
            return r == UCOL_LESS ? -1 : 1;
    }
    return codeUnitCompare(a, b);
}

int localizedCaseInsensitiveCompare(QStringView a, QStringView b)
{
    const auto& c = collators();
    if (!c.caseInsensitive)
        return a.compare(b, Qt::CaseInsensitive);
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult r = c.caseInsensitive->compare(reinterpret_cast<const UChar*>(a.utf16()),
        int32_t(a.size()), reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()), status);
    if (U_FAILURE(status))
        return a.compare(b, Qt::CaseInsensitive);
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

QByteArray localizedStandardSortKey(QStringView s)
{
    const auto& c = collators();
    if (!c.standard)
        return s.toUtf8();
    const auto* chars = reinterpret_cast<const UChar*>(s.utf16());
    QByteArray key(int(s.size()) * 4 + 16, Qt::Uninitialized);
    int32_t length = c.standard->getSortKey(chars, int32_t(s.size()), reinterpret_cast<uint8_t*>(key.data()),
        int32_t(key.size()));
    if (length > key.size()) {
        key.resize(length);
        length = c.standard->getSortKey(chars, int32_t(s.size()), reinterpret_cast<uint8_t*>(key.data()),
            int32_t(key.size()));
    }
    key.resize(std::max<int32_t>(length, 0));
    return key;
}

QString composed(QStringView s)
{
    if (isAscii(s))
        return s.toString();
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return s.toString();
    const icu::UnicodeString u = alias(s);
    if (nfc->isNormalized(u, status) && U_SUCCESS(status))
        return s.toString();
    status = U_ZERO_ERROR;
    const icu::UnicodeString out = nfc->normalize(u, status);
    return U_FAILURE(status) ? s.toString() : toQString(out);
}

QList<char32_t> codePoints(QStringView s)
{
    QList<char32_t> out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            out.append(QChar::surrogateToUcs4(s[i], s[i + 1]));
            ++i;
        } else {
            out.append(s[i].unicode());
        }
    }
    return out;
}

} // namespace quavel::text
