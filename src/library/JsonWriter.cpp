#include "library/JsonWriter.h"

#include "library/QuavelJSON.h"
#include "platform/Iso8601.h"

#include <charconv>
#include <cstring>

namespace quavel {

void appendUtf8(std::string& out, QStringView text)
{
    const qsizetype n = text.size();
    const char16_t* s = text.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (c < 0x80) {
            out.push_back(char(c));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
                ++i;
            } else {
                c = 0xFFFD;
            }
        }
        if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
}

JsonWriter::JsonWriter() = default;

JsonWriter::JsonWriter(std::size_t reserve)
{
    m_out.reserve(reserve);
}

void JsonWriter::newline(std::size_t depth)
{
    m_out.push_back('\n');
    m_out.append(depth * 2, ' ');
}

void JsonWriter::plain(const char* text, std::size_t size)
{
    m_out.append(text, size);
}

void JsonWriter::beginValue()
{
    if (m_levels.empty())
        return;
    Level& level = m_levels.back();
    if (!level.isArray)
        return; // the key has placed it
    if (level.count > 0)
        m_out.push_back(',');
    newline(m_levels.size());
    ++level.count;
}

void JsonWriter::beginObject()
{
    beginValue();
    m_out.push_back('{');
    m_levels.push_back({ false, 0, nullptr });
}

void JsonWriter::endObject()
{
    Q_ASSERT(!m_levels.empty() && !m_levels.back().isArray);
    const Level level = m_levels.back();
    m_levels.pop_back();
    if (level.count > 0)
        newline(m_levels.size());
    m_out.push_back('}');
}

void JsonWriter::beginArray()
{
    beginValue();
    m_out.push_back('[');
    m_levels.push_back({ true, 0, nullptr });
}

void JsonWriter::endArray()
{
    Q_ASSERT(!m_levels.empty() && m_levels.back().isArray);
    const Level level = m_levels.back();
    m_levels.pop_back();
    if (level.count > 0)
        newline(m_levels.size());
    m_out.push_back(']');
}

void JsonWriter::key(const char* name)
{
    Q_ASSERT(!m_levels.empty() && !m_levels.back().isArray);
    Level& level = m_levels.back();
    Q_ASSERT_X(
        !level.lastKey || std::strcmp(level.lastKey, name) < 0, "JsonWriter::key", "keys out of order");
    level.lastKey = name;
    if (level.count > 0)
        m_out.push_back(',');
    newline(m_levels.size());
    ++level.count;
    m_out.push_back('"');
    m_out.append(name);
    m_out.append("\": ", 3);
}

void JsonWriter::string(QStringView text)
{
    beginValue();
    m_out.push_back('"');
    const qsizetype n = text.size();
    const char16_t* s = text.utf16();
    qsizetype runStart = 0;
    auto flush = [&](qsizetype end) {
        if (end > runStart)
            appendUtf8(m_out, text.mid(runStart, end - runStart));
    };
    // The escapes of the document encoder: \" \\ \b \f \n \r \t, other controls as \u00xx.
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c >= 0x20 && c != u'"' && c != u'\\')
            continue;
        flush(i);
        runStart = i + 1;
        switch (c) {
        case u'"':
            plain("\\\"", 2);
            break;
        case u'\\':
            plain("\\\\", 2);
            break;
        case u'\b':
            plain("\\b", 2);
            break;
        case u'\f':
            plain("\\f", 2);
            break;
        case u'\n':
            plain("\\n", 2);
            break;
        case u'\r':
            plain("\\r", 2);
            break;
        case u'\t':
            plain("\\t", 2);
            break;
        default: {
            static const char hex[] = "0123456789abcdef";
            const char escaped[6] = { '\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF] };
            plain(escaped, 6);
        }
        }
    }
    flush(n);
    m_out.push_back('"');
}

void JsonWriter::integer(qint64 number)
{
    beginValue();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    plain(buffer, std::size_t(result.ptr - buffer));
}

void JsonWriter::boolean(bool flag)
{
    beginValue();
    if (flag)
        plain("true", 4);
    else
        plain("false", 5);
}

void JsonWriter::date(const QDateTime& date)
{
    char text[Iso8601::formattedLength];
    if (!Iso8601::formatTo(date, text))
        throw QuavelJSON::EncodingError(QStringLiteral("Date impossible à enregistrer."));
    beginValue();
    m_out.push_back('"');
    plain(text, sizeof text);
    m_out.push_back('"');
}

void JsonWriter::uuid(const QUuid& id)
{
    static const char hex[] = "0123456789ABCDEF";
    char text[36];
    int pos = 0;
    auto put = [&](quint64 v, int digits) {
        for (int i = digits - 1; i >= 0; --i)
            text[pos++] = hex[(v >> (4 * i)) & 0xF];
    };
    put(id.data1, 8);
    text[pos++] = '-';
    put(id.data2, 4);
    text[pos++] = '-';
    put(id.data3, 4);
    text[pos++] = '-';
    put(id.data4[0], 2);
    put(id.data4[1], 2);
    text[pos++] = '-';
    for (int i = 2; i < 8; ++i)
        put(id.data4[i], 2);
    beginValue();
    m_out.push_back('"');
    plain(text, sizeof text);
    m_out.push_back('"');
}

QByteArray JsonWriter::take()
{
    Q_ASSERT(m_levels.empty());
    QByteArray bytes = QByteArray::fromStdString(m_out);
    m_out.clear();
    return bytes;
}

} // namespace quavel
