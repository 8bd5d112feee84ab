#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <string>
#include <vector>

namespace quavel {

// Appends the UTF-8 form of a UTF-16 text; an unpaired surrogate becomes U+FFFD, so the result is
// always valid UTF-8 (Qt's own conversion writes "?" there).
void appendUtf8(std::string& out, QStringView text);

// A streaming writer of the shared JSON layout, byte for byte what QuavelJSON::encode gives for the
// same document (two-space indentation, ": " after keys, no final line break), without building a
// document first: the library file is written on every edit and holds tens of thousands of rows.
// Callers give the keys of each object in sorted order (checked in debug builds).
class JsonWriter
{
public:
    JsonWriter();
    explicit JsonWriter(std::size_t reserve);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The next member's key: plain ASCII, never escaped.
    void key(const char* name);

    // Distinct names: an overload set of (text, integer, bool) would take a string literal as a bool.
    void string(QStringView text);
    void integer(qint64 number);
    void boolean(bool flag);
    // The RFC 3339 text with milliseconds, UTC. Throws QuavelJSON::EncodingError like QuavelJSON::fromDate.
    void date(const QDateTime& date);
    // The canonical upper-case text.
    void uuid(const QUuid& id);

    // The text written so far; the writer is left empty.
    QByteArray take();

private:
    struct Level
    {
        bool isArray;
        int count;
        const char* lastKey;
    };

    void beginValue();
    void newline(std::size_t depth);
    void plain(const char* text, std::size_t size);

    std::string m_out;
    std::vector<Level> m_levels;
};

} // namespace quavel
