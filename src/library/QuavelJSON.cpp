#include "library/QuavelJSON.h"

#include "library/JsonWriter.h"
#include "platform/Iso8601.h"
#include "platform/JsonDepth.h"
#include "platform/UuidText.h"

#include <cmath>

namespace quavel::QuavelJSON {

namespace {

thread_local bool t_plainDates = false;

// The French name of a JSON value's kind; nlohmann's own type_name() is English ("string", "number").
QString frenchKind(const Json& value)
{
    switch (value.type()) {
    case Json::value_t::null:
        return QStringLiteral("nul");
    case Json::value_t::object:
        return QStringLiteral("objet");
    case Json::value_t::array:
        return QStringLiteral("tableau");
    case Json::value_t::string:
        return QStringLiteral("texte");
    case Json::value_t::boolean:
        return QStringLiteral("booléen");
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
        return QStringLiteral("nombre");
    case Json::value_t::binary:
        return QStringLiteral("binaire");
    case Json::value_t::discarded:
        break;
    }
    return QStringLiteral("inconnu");
}

// `expected` carries its own agreement ("texte attendu", "date attendue"); every found kind is masculine.
[[noreturn]] void typeMismatch(const char* expected, const Json& value)
{
    throw DecodingError(QStringLiteral("Type inattendu : %1, %2 trouvé.")
                            .arg(QString::fromUtf8(expected), frenchKind(value)));
}

QString toQString(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// nlohmann writes NaN and infinities as null, which no reader would take back: refuse them instead.
void checkFinite(const Json& value)
{
    switch (value.type()) {
    case Json::value_t::number_float:
        if (!std::isfinite(value.get<double>()))
            throw EncodingError(QStringLiteral("Nombre non fini impossible à enregistrer."));
        break;
    case Json::value_t::array:
    case Json::value_t::object:
        for (const Json& element : value)
            checkFinite(element);
        break;
    default:
        break;
    }
}

} // namespace

QByteArray encode(const Json& value)
{
    // nlohmann's object is a std::map: keys come out sorted by their UTF-8 bytes, which is the order
    // of their code points.
    checkFinite(value);
    std::string text = value.dump(2, ' ', false, Json::error_handler_t::replace);
    return QByteArray::fromStdString(text);
}

Json parse(const QByteArray& bytes)
{
    // Every document from outside comes through here (files, transfer files, sync frames).
    if (JsonDepth::exceeds(bytes.constData(), std::size_t(bytes.size())))
        throw DecodingError(
            QStringLiteral("Données JSON trop imbriquées (plus de %1 niveaux).").arg(JsonDepth::limit));
    // nlohmann's messages are English and name its own token kinds ("string literal"): only the place of
    // the fault is kept.
    try {
        return Json::parse(bytes.constBegin(), bytes.constEnd());
    } catch (const Json::parse_error& e) {
        throw DecodingError(
            QStringLiteral("Données JSON illisibles : erreur de syntaxe à l’octet %1.").arg(e.byte));
    } catch (const Json::exception&) {
        throw DecodingError(QStringLiteral("Données JSON illisibles."));
    }
}

Json fromString(const QString& text)
{
    std::string utf8;
    utf8.reserve(std::size_t(text.size()));
    appendUtf8(utf8, text);
    return utf8;
}

Json fromDate(const QDateTime& date)
{
    if (!Iso8601::isRepresentable(date))
        throw EncodingError(QStringLiteral("Date impossible à enregistrer."));
    return Iso8601::format(date).toStdString();
}

Json fromUuid(const QUuid& id)
{
    return uuidText(id).toStdString();
}

Json fromData(const QByteArray& bytes)
{
    return bytes.toBase64().toStdString();
}

Json fromUuids(const QList<QUuid>& ids)
{
    Json array = Json::array();
    for (const QUuid& id : ids)
        array.push_back(fromUuid(id));
    return array;
}

Json fromStrings(const QStringList& texts)
{
    Json array = Json::array();
    for (const QString& t : texts)
        array.push_back(fromString(t));
    return array;
}

QString asString(const Json& value)
{
    if (!value.is_string())
        typeMismatch("texte attendu", value);
    return toQString(value.get_ref<const std::string&>());
}

qint64 asInt64(const Json& value)
{
    if (value.is_number_unsigned()) {
        const auto u = value.get<std::uint64_t>();
        if (u > std::uint64_t(std::numeric_limits<qint64>::max()))
            throw DecodingError(QStringLiteral("Nombre entier hors limites."));
        return qint64(u);
    }
    if (value.is_number_float()) {
        // Another writer may put 2.0 for 2; a fractional or out-of-range value is no integer.
        const double d = value.get<double>();
        if (!std::isfinite(d) || std::trunc(d) != d || d < -9223372036854775808.0
            || d >= 9223372036854775808.0)
            throw DecodingError(QStringLiteral("Nombre entier attendu, %1 trouvé.").arg(d));
        return qint64(d);
    }
    if (!value.is_number_integer())
        typeMismatch("entier attendu", value);
    return value.get<qint64>();
}

double asDouble(const Json& value)
{
    if (!value.is_number())
        typeMismatch("nombre attendu", value);
    return value.get<double>();
}

bool asBool(const Json& value)
{
    if (!value.is_boolean())
        typeMismatch("booléen attendu", value);
    return value.get<bool>();
}

QDateTime asDate(const Json& value)
{
    if (!value.is_string())
        typeMismatch("date attendue", value);
    const QString text = toQString(value.get_ref<const std::string&>());
    std::optional<QDateTime> date = t_plainDates ? Iso8601::parseWithoutFraction(text) : Iso8601::parse(text);
    if (!date)
        throw DecodingError(QStringLiteral("Date invalide : ") + text);
    return *date;
}

QUuid asUuid(const Json& value)
{
    if (!value.is_string())
        typeMismatch("identifiant attendu", value);
    const QString text = toQString(value.get_ref<const std::string&>());
    auto id = parseUuid(text);
    if (!id)
        throw DecodingError(QStringLiteral("Identifiant invalide : ") + text);
    return *id;
}

QByteArray asData(const Json& value)
{
    if (!value.is_string())
        typeMismatch("données attendues", value);
    const std::string& text = value.get_ref<const std::string&>();
    auto decoded = QByteArray::fromBase64Encoding(
        QByteArray::fromStdString(text), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        throw DecodingError(QStringLiteral("Données Base64 invalides."));
    return decoded.decoded;
}

QList<QUuid> asUuids(const Json& value)
{
    QList<QUuid> out;
    for (const Json& element : asArray(value))
        out.append(asUuid(element));
    return out;
}

QStringList asStrings(const Json& value)
{
    QStringList out;
    for (const Json& element : asArray(value))
        out.append(asString(element));
    return out;
}

const Json& asArray(const Json& value)
{
    if (!value.is_array())
        typeMismatch("tableau attendu", value);
    return value;
}

const Json& asObject(const Json& value)
{
    if (!value.is_object())
        typeMismatch("objet attendu", value);
    return value;
}

const Json& require(const Json& object, const char* key)
{
    if (!object.is_object())
        typeMismatch("objet attendu", object);
    auto it = object.find(key);
    if (it == object.end() || it->is_null())
        throw DecodingError(QStringLiteral("Clé manquante : %1").arg(QString::fromUtf8(key)));
    return *it;
}

const Json* find(const Json& object, const char* key)
{
    if (!object.is_object())
        typeMismatch("objet attendu", object);
    auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return nullptr;
    return &*it;
}

std::optional<QString> readOptionalString(const Json& o, const char* key)
{
    if (const Json* v = find(o, key))
        return asString(*v);
    return std::nullopt;
}

std::optional<qint64> readOptionalInt64(const Json& o, const char* key)
{
    if (const Json* v = find(o, key))
        return asInt64(*v);
    return std::nullopt;
}

std::optional<bool> readOptionalBool(const Json& o, const char* key)
{
    if (const Json* v = find(o, key))
        return asBool(*v);
    return std::nullopt;
}

std::optional<QDateTime> readOptionalDate(const Json& o, const char* key)
{
    if (const Json* v = find(o, key))
        return asDate(*v);
    return std::nullopt;
}

std::optional<QUuid> readOptionalUuid(const Json& o, const char* key)
{
    if (const Json* v = find(o, key))
        return asUuid(*v);
    return std::nullopt;
}

std::optional<QByteArray> readOptionalData(const Json& o, const char* key)
{
    if (const Json* v = find(o, key))
        return asData(*v);
    return std::nullopt;
}

PlainIso8601Dates::PlainIso8601Dates()
    : m_previous(t_plainDates)
{
    t_plainDates = true;
}

PlainIso8601Dates::~PlainIso8601Dates()
{
    t_plainDates = m_previous;
}

} // namespace quavel::QuavelJSON
