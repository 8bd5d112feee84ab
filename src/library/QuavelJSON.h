#pragma once

#include "platform/Error.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <nlohmann/json.hpp>

#include <optional>

// The one JSON coding of every persisted file and sync frame: keys sorted, two-space indentation,
// dates as RFC 3339 UTC texts with milliseconds, identifiers as upper-case UUID texts, bytes as Base64.
// Readers are strict where the records require keys: a missing key, a null or a value of another type
// fails the whole document (integers must be JSON integers, never 1.5).
namespace quavel::QuavelJSON {

using Json = nlohmann::json;

// A document that does not decode. message() is the description ("Date invalide : …" for a bad date).
// A FormatError, so that the platform's readers of stored files (SettingsFile) take it as unreadable.
class DecodingError : public FormatError
{
public:
    using FormatError::FormatError;
};

// A value that has no JSON form: a non-finite number, a date outside the four-digit years.
class EncodingError : public Error
{
public:
    using Error::Error;
};

// Pretty-printed text with sorted keys. Never throws for text content: invalid UTF-8 (a file name
// read from disk can be) is replaced by U+FFFD. Throws EncodingError for a non-finite number.
QByteArray encode(const Json& value);
// Parses a JSON document; throws DecodingError on malformed text and on arrays or objects nested
// deeper than JsonDepth::limit.
Json parse(const QByteArray& bytes);

Json fromString(const QString& text);
// Throws EncodingError for an invalid date or one outside the years 1 to 9999.
Json fromDate(const QDateTime& date);
Json fromUuid(const QUuid& id);
Json fromData(const QByteArray& bytes);
Json fromUuids(const QList<QUuid>& ids);
Json fromStrings(const QStringList& texts);

// Value readers: throw DecodingError on a wrong type. An integer is a JSON number with no fractional
// part within the signed 64-bit range (2 and 2.0 read as 2; 1.5 fails).
QString asString(const Json& value);
qint64 asInt64(const Json& value);
double asDouble(const Json& value);
bool asBool(const Json& value);
QDateTime asDate(const Json& value);
QUuid asUuid(const Json& value);
QByteArray asData(const Json& value);
QList<QUuid> asUuids(const Json& value);
QStringList asStrings(const Json& value);
const Json& asArray(const Json& value);
const Json& asObject(const Json& value);

// Required keys: missing or null throws.
const Json& require(const Json& object, const char* key);
inline QString readString(const Json& o, const char* key) { return asString(require(o, key)); }
inline qint64 readInt64(const Json& o, const char* key) { return asInt64(require(o, key)); }
inline bool readBool(const Json& o, const char* key) { return asBool(require(o, key)); }
inline QDateTime readDate(const Json& o, const char* key) { return asDate(require(o, key)); }
inline QUuid readUuid(const Json& o, const char* key) { return asUuid(require(o, key)); }
inline const Json& readArray(const Json& o, const char* key) { return asArray(require(o, key)); }

// Optional keys: missing or null gives nullptr; a present value of another type still throws.
const Json* find(const Json& object, const char* key);
std::optional<QString> readOptionalString(const Json& o, const char* key);
std::optional<qint64> readOptionalInt64(const Json& o, const char* key);
std::optional<bool> readOptionalBool(const Json& o, const char* key);
std::optional<QDateTime> readOptionalDate(const Json& o, const char* key);
std::optional<QUuid> readOptionalUuid(const Json& o, const char* key);
std::optional<QByteArray> readOptionalData(const Json& o, const char* key);

// While alive on this thread, dates are read with the plain ISO 8601 rule (internet date-time without
// fractional seconds) instead of the shared rule: the library store's second decoding attempt.
class PlainIso8601Dates
{
public:
    PlainIso8601Dates();
    ~PlainIso8601Dates();
    PlainIso8601Dates(const PlainIso8601Dates&) = delete;
    PlainIso8601Dates& operator=(const PlainIso8601Dates&) = delete;

private:
    bool m_previous;
};

} // namespace quavel::QuavelJSON
