#include "workspace/PhotoNameScan.h"

#include "library/MediaFile.h"
#include "platform/files/NativeName.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace quavel::PhotoNameScan {

namespace {

// White space and line breaks as trimWhitespaceAndNewlines counts them, within ASCII.
bool asciiBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool prefixTrim(char c)
{
    return c == ' ' || c == '_' || c == '-' || c == '.';
}

char asciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

QString upperLatin1(const char* p, size_t n)
{
    QString out(qsizetype(n), Qt::Uninitialized);
    QChar* d = out.data();
    for (size_t i = 0; i < n; ++i)
        d[i] = QChar(asciiUpper(p[i]));
    return out;
}

bool isAscii(const char* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}

struct AsciiNumber
{
    const char* trimmed;
    size_t trimmedLength;
    QString prefix;
    qint64 value;
    int width;
};

// The same rule as PhotoNumber::parse, on ASCII bytes without "/"; the raw text is left to the caller.
std::optional<AsciiNumber> scanAscii(const char* p, size_t n)
{
    size_t begin = 0;
    size_t end = n;
    while (begin < end && asciiBlank(p[begin]))
        ++begin;
    while (end > begin && asciiBlank(p[end - 1]))
        --end;
    if (begin == end)
        return std::nullopt;
    const char* t = p + begin;
    const size_t len = end - begin;

    // The extension's dot: the last one, unless it is the first character.
    size_t stem = len;
    for (size_t i = len; i-- > 1;)
        if (t[i] == '.') {
            stem = i;
            break;
        }

    std::optional<size_t> bestStart;
    size_t bestEnd = 0;
    qint64 bestValue = 0;
    size_t i = 0;
    while (i < stem) {
        if (t[i] < '0' || t[i] > '9') {
            ++i;
            continue;
        }
        const size_t start = i;
        qint64 value = 0;
        bool fits = true;
        for (; i < stem && t[i] >= '0' && t[i] <= '9'; ++i) {
            const int d = t[i] - '0';
            if (fits && value > (std::numeric_limits<qint64>::max() - d) / 10)
                fits = false;
            if (fits)
                value = value * 10 + d;
        }
        if (fits) {
            bestStart = start;
            bestEnd = i;
            bestValue = value;
        }
    }
    if (!bestStart)
        return std::nullopt;

    size_t prefixBegin = 0;
    size_t prefixEnd = *bestStart;
    while (prefixBegin < prefixEnd && prefixTrim(t[prefixBegin]))
        ++prefixBegin;
    while (prefixEnd > prefixBegin && prefixTrim(t[prefixEnd - 1]))
        --prefixEnd;

    // A shoot's files share one or two prefixes: reuse the last one's text instead of a new string.
    thread_local QString lastPrefix;
    const size_t prefixLength = prefixEnd - prefixBegin;
    bool same = size_t(lastPrefix.size()) == prefixLength;
    for (size_t k = 0; same && k < prefixLength; ++k)
        same = std::as_const(lastPrefix)[qsizetype(k)] == QLatin1Char(asciiUpper(t[prefixBegin + k]));
    if (!same)
        lastPrefix = upperLatin1(t + prefixBegin, prefixLength);
    return AsciiNumber { t, len, lastPrefix, bestValue, int(bestEnd - *bestStart) };
}

// The lower-cased ASCII extension is one of the photo extensions: its bytes packed in one integer,
// compared against a table made once from PhotoFile::extensions, so that no text is made for the name
// of each entry.
bool asciiPhotoExtension(const char* ext, size_t n)
{
    constexpr size_t longest = 8;
    const auto packed = [](const char* p, size_t length) {
        quint64 code = 0;
        for (size_t i = 0; i < length; ++i) {
            const char c = p[i];
            code = code << 8 | quint8((c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c);
        }
        return code << 8 | quint8(length);
    };
    static const std::vector<quint64> table = [&] {
        std::vector<quint64> out;
        for (const QString& e : PhotoFile::extensions())
            if (e.size() < qsizetype(longest)) {
                const QByteArray bytes = e.toLatin1();
                out.push_back(packed(bytes.constData(), size_t(bytes.size())));
            }
        return out;
    }();
    if (n == 0 || n >= longest)
        return false;
    const quint64 code = packed(ext, n);
    return std::find(table.cbegin(), table.cend(), code) != table.cend();
}

} // namespace

std::optional<PhotoNumber> number(QStringView text)
{
    const qsizetype n = text.size();
    if (n > 0 && n < 512) {
        char bytes[512];
        bool ascii = true;
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = text[i].unicode();
            if (c >= 0x80 || c == u'/') {
                ascii = false;
                break;
            }
            bytes[i] = char(c);
        }
        if (ascii) {
            auto scanned = scanAscii(bytes, size_t(n));
            if (!scanned)
                return std::nullopt;
            return PhotoNumber { scanned->prefix, scanned->value, scanned->width,
                upperLatin1(scanned->trimmed, scanned->trimmedLength) };
        }
    }
    return PhotoNumber::parse(text);
}

std::optional<Entry> photoEntry(const QString& folder, const char* name, size_t length)
{
    if (length == 0 || name[0] == '.')
        return std::nullopt;
    if (isAscii(name, length)) {
        const char* dot = static_cast<const char*>(::memrchr(name, '.', length));
        if (!dot || dot == name || !asciiPhotoExtension(dot + 1, length - size_t(dot + 1 - name)))
            return std::nullopt;
        auto number = scanAscii(name, length);
        if (!number)
            return std::nullopt;
        // One allocation: the folder and the name written straight into the path.
        QString path(folder.size() + qsizetype(length), Qt::Uninitialized);
        QChar* d = path.data();
        std::copy(folder.cbegin(), folder.cend(), d);
        for (size_t i = 0; i < length; ++i)
            d[folder.size() + qsizetype(i)] = QChar(name[i]);
        return Entry { std::move(path), folder.size(), std::move(number->prefix), number->value,
            number->width };
    }
    const QString decoded = NativeName::decode(QByteArray::fromRawData(name, qsizetype(length)));
    if (!PhotoFile::isPhoto(decoded))
        return std::nullopt;
    auto number = PhotoNumber::parse(decoded);
    if (!number)
        return std::nullopt;
    return Entry { folder + decoded, folder.size(), number->prefix, number->value, number->width };
}

} // namespace quavel::PhotoNameScan
