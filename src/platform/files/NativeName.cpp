#include "platform/files/NativeName.h"

#include <QDir>

namespace quavel::NativeName {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // + the byte (0x80 … 0xFF): U+DC80 … U+DCFF
constexpr char16_t kReplacement = 0xFFFD;

bool isContinuation(uchar c)
{
    return (c & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at p (the Unicode standard's table: no overlong forms, no
// surrogates, nothing beyond U+10FFFF), 0 when the bytes there start none. Qt's decoder accepts exactly
// these, so valid names decode as QFile::decodeName decodes them.
qsizetype sequenceLength(const uchar* p, qsizetype left)
{
    const uchar c = p[0];
    if (c < 0x80)
        return 1;
    if (c < 0xC2 || c > 0xF4)
        return 0;
    const qsizetype length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (left < length)
        return 0;
    // The second byte's range depends on the first; the others are plain continuations.
    uchar low = 0x80;
    uchar high = 0xBF;
    if (c == 0xE0)
        low = 0xA0;
    else if (c == 0xED)
        high = 0x9F;
    else if (c == 0xF0)
        low = 0x90;
    else if (c == 0xF4)
        high = 0x8F;
    if (p[1] < low || p[1] > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i)
        if (!isContinuation(p[i]))
            return 0;
    return length;
}

char32_t codePoint(const uchar* p, qsizetype length)
{
    switch (length) {
    case 1:
        return p[0];
    case 2:
        return char32_t(p[0] & 0x1F) << 6 | (p[1] & 0x3F);
    case 3:
        return char32_t(p[0] & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
    default:
        return char32_t(p[0] & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6
            | (p[3] & 0x3F);
    }
}

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Whether the code unit at i is a surrogate without its partner.
bool isLone(const char16_t* s, qsizetype n, qsizetype i)
{
    const char16_t c = s[i];
    if (isHighSurrogate(c))
        return !(i + 1 < n && isLowSurrogate(s[i + 1]));
    if (isLowSurrogate(c))
        return !(i > 0 && isHighSurrogate(s[i - 1]));
    return false;
}

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

// An absolute path without empty, "." or ".." components and without a trailing slash: what listings
// make, so the common case is one scan and no copy.
bool isClean(const QString& path)
{
    const qsizetype n = path.size();
    if (n == 0 || path[0] != u'/')
        return false;
    if (n == 1)
        return true;
    if (path[n - 1] == u'/')
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        if (path[i] != u'/')
            continue;
        // The component after this slash.
        qsizetype end = i + 1;
        while (end < n && path[end] != u'/')
            ++end;
        const qsizetype length = end - i - 1;
        if (length == 0 || (length == 1 && path[i + 1] == u'.')
            || (length == 2 && path[i + 1] == u'.' && path[i + 2] == u'.'))
            return false;
        i = end - 1;
    }
    return true;
}

} // namespace

QString decode(const char* bytes, qsizetype size)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes);
    qsizetype ascii = 0;
    while (ascii < size && p[ascii] < 0x80)
        ++ascii;
    if (ascii == size)
        return QString::fromLatin1(bytes, size);

    // Nearly every name is valid: Qt's decoder then, but for a leading byte-order mark, which it drops.
    bool valid = !(size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF);
    for (qsizetype i = ascii; valid && i < size;) {
        const qsizetype length = sequenceLength(p + i, size - i);
        valid = length > 0;
        i += length;
    }
    if (valid)
        return QString::fromUtf8(bytes, size);

    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < size;) {
        const qsizetype length = sequenceLength(p + i, size - i);
        if (length == 0) {
            out.append(QChar(char16_t(kEscapeBase + p[i])));
            ++i;
            continue;
        }
        const char32_t c = codePoint(p + i, length);
        if (c >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(c)));
            out.append(QChar(QChar::lowSurrogate(c)));
        } else {
            out.append(QChar(char16_t(c)));
        }
        i += length;
    }
    return out;
}

QByteArray encode(QStringView text)
{
    if (!hasEscapes(text))
        return text.toUtf8();
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    QByteArray out;
    out.reserve(n * 3);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(s[i + 1])) {
            appendUtf8(out, QChar::surrogateToUcs4(c, s[i + 1]));
            ++i;
        } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out.append(char(c - kEscapeBase));
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

bool hasEscapes(QStringView text)
{
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i)
        if (QChar::isSurrogate(s[i]) && isLone(s, n, i))
            return true;
    return false;
}

QString absolute(const QString& path)
{
    if (path.isEmpty() || isClean(path))
        return path;
    // A relative path is joined to the current folder by hand: QDir takes a name beginning with a colon
    // for one of Qt's resources, and leaves it relative.
    return QDir::cleanPath(path.startsWith(u'/') ? path : QDir::currentPath() + u'/' + path);
}

QString displayed(const QString& text)
{
    if (!hasEscapes(text))
        return text;
    QString out = text;
    char16_t* s = reinterpret_cast<char16_t*>(out.data());
    const qsizetype n = out.size();
    for (qsizetype i = 0; i < n; ++i)
        if (QChar::isSurrogate(s[i]) && isLone(s, n, i))
            s[i] = kReplacement;
    return out;
}

} // namespace quavel::NativeName
