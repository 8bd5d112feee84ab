#include "LibraryTestSupport.h"

#include "library/JsonWriter.h"
#include "library/PersistedUIState.h"
#include "library/QuavelJSON.h"
#include "library/SyncEnvelope.h"
#include "platform/files/NativeName.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

using namespace quavel;
using namespace quavel::test;
using QuavelJSON::Json;

namespace {

QString decodingMessage(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const QuavelJSON::DecodingError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

// The top-level keys of an encoded text, in the order written.
QStringList writtenKeys(const QByteArray& text)
{
    QStringList keys;
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith("  \""))
            keys.append(QString::fromUtf8(line.mid(3, line.indexOf('"', 3) - 3)));
    return keys;
}

} // namespace

TEST(QuavelJSON, datesAreOneUtcStringWithMilliseconds)
{
    EXPECT_EQ(QuavelJSON::fromDate(at("2025-06-14T11:30:12.345+02:00")), Json("2025-06-14T09:30:12.345Z"));
    EXPECT_EQ(QuavelJSON::asDate(Json("2025-06-14T09:30:12Z")), at("2025-06-14T09:30:12.000Z"));
    EXPECT_EQ(QuavelJSON::asDate(Json("2025-06-14T11:30:12+02:00")), at("2025-06-14T09:30:12Z"));
    EXPECT_THROW(QuavelJSON::fromDate(QDateTime()), QuavelJSON::EncodingError);
}

TEST(QuavelJSON, anUnreadableDateNamesTheTextExactly)
{
    EXPECT_EQ(decodingMessage([] { QuavelJSON::asDate(Json("2025-06-14")); }), "Date invalide : 2025-06-14");
    EXPECT_EQ(
        decodingMessage([] { QuavelJSON::asDate(Json(" 14/06/2025 ")); }), "Date invalide :  14/06/2025 ");
    // A number is a type mismatch, not an unreadable date.
    const QString mismatch = decodingMessage([] { QuavelJSON::asDate(Json(1749893412)); });
    EXPECT_FALSE(mismatch.startsWith("Date invalide")) << mismatch.toStdString();
    EXPECT_NE(mismatch, "(no error)");
}

TEST(QuavelJSON, mismatchMessagesAreFrenchTextReadAsUtf8)
{
    // The expected kinds and the missing key come from UTF-8 literals: read as Latin-1 they would show
    // "boolÃ©en".
    struct Case
    {
        std::function<void()> read;
        const char16_t* message;
    };
    const Case cases[] = {
        { [] { QuavelJSON::asBool(Json("oui")); }, u"Type inattendu : booléen attendu, texte trouvé." },
        { [] { QuavelJSON::asData(Json(12)); }, u"Type inattendu : données attendues, nombre trouvé." },
        { [] { QuavelJSON::asString(Json(true)); }, u"Type inattendu : texte attendu, booléen trouvé." },
        { [] { QuavelJSON::asDouble(Json::array()); }, u"Type inattendu : nombre attendu, tableau trouvé." },
        { [] { QuavelJSON::asArray(Json::object()); }, u"Type inattendu : tableau attendu, objet trouvé." },
        { [] { QuavelJSON::asDate(Json(1.5)); }, u"Type inattendu : date attendue, nombre trouvé." },
        { [] { QuavelJSON::asObject(Json(nullptr)); }, u"Type inattendu : objet attendu, nul trouvé." },
        { [] { QuavelJSON::asInt64(Json("4")); }, u"Type inattendu : entier attendu, texte trouvé." },
        { [] { QuavelJSON::require(Json::object(), "clé"); }, u"Clé manquante : clé" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodingMessage(c.read).toStdString(), QString::fromUtf16(c.message).toStdString());
}

TEST(QuavelJSON, unreadableTextIsToldInFrenchWithItsPlace)
{
    // nlohmann's own text would read "syntax error while parsing object key - unexpected number literal;
    // expected string literal".
    const QString message = decodingMessage([] { QuavelJSON::parse("{\"a\": 1, 2: 3}"); });
    EXPECT_EQ(message.toStdString(), "Données JSON illisibles : erreur de syntaxe à l’octet 10.");
    EXPECT_EQ(decodingMessage([] { QuavelJSON::parse(""); }).toStdString(),
        "Données JSON illisibles : erreur de syntaxe à l’octet 1.");
}

TEST(QuavelJSON, integersMustHaveNoFractionalPart)
{
    EXPECT_EQ(
        QuavelJSON::asInt64(QuavelJSON::parse("9223372036854775807")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(
        QuavelJSON::asInt64(QuavelJSON::parse("-9223372036854775808")), std::numeric_limits<qint64>::min());
    EXPECT_EQ(QuavelJSON::asInt64(QuavelJSON::parse("2.0")), 2);
    EXPECT_EQ(QuavelJSON::asInt64(QuavelJSON::parse("-3e2")), -300);
    for (const char* bad : { "1.5", "9223372036854775808", "1e19", "-1e19", "\"1\"", "true", "[1]" })
        EXPECT_THROW(QuavelJSON::asInt64(QuavelJSON::parse(bad)), QuavelJSON::DecodingError) << bad;
}

TEST(QuavelJSON, keysAreSortedAndTheLayoutIsIndented)
{
    LibrarySnapshot s;
    s.updatedAt = at("2026-06-01T08:00:00Z");
    const QByteArray text = s.encoded();
    EXPECT_EQ(writtenKeys(text), (QStringList { "days", "spreadsheets", "updatedAt", "version" }));
    EXPECT_EQ(text,
        "{\n  \"days\": [],\n  \"spreadsheets\": [],\n  \"updatedAt\": \"2026-06-01T08:00:00.000Z\",\n"
        "  \"version\": 1\n}");
    EXPECT_EQ(QuavelJSON::encode(Json { { "b", 1 }, { "a", Json::object() }, { "C", Json::array() } }),
        "{\n  \"C\": [],\n  \"a\": {},\n  \"b\": 1\n}");
}

TEST(QuavelJSON, textThatIsNotValidUtf8IsReplacedNotFatal)
{
    // A raw file-name byte sequence that is not UTF-8, and a QString with an unpaired surrogate.
    const Json raw = Json { { "name",
        std::string("DSC_\xff\xfe"
                    "42.jpg") } };
    QByteArray encoded;
    ASSERT_NO_THROW(encoded = QuavelJSON::encode(raw));
    EXPECT_EQ(QuavelJSON::asString(QuavelJSON::parse(encoded)["name"]), u"DSC_\uFFFD\uFFFD42.jpg");

    const QString lone = QStringLiteral("Tableur ") + QChar(0xD83D);
    SpreadsheetRecord s = sheet("1", "2", lone, "2026-06-01T08:00:00Z", { row("3", QString(QChar(0xDC00))) });
    JsonWriter w;
    s.writeJson(w);
    const QByteArray streamed = w.take();
    EXPECT_EQ(streamed, QuavelJSON::encode(s.toJson()));
    const SpreadsheetRecord back = SpreadsheetRecord::fromJson(QuavelJSON::parse(streamed));
    EXPECT_EQ(back.title, u"Tableur \uFFFD");
    EXPECT_EQ(back.rows[0].photoNumber, u"\uFFFD");
}

// A file name that is not UTF-8 reaches the stores with its bytes escaped (NativeName): every way of
// writing it, as a value, in a list, as an object key or streamed, stores its displayed form.
TEST(QuavelJSON, anEscapedFileNameIsStoredInItsDisplayedForm)
{
    for (const QByteArray& bytes : { QByteArray("/photos/IMG_\xE9t\xE9.jpg"),
             QByteArray("\xE2\x82x/\xFF.jpg"), QByteArray("/photos/\xF0\x9F\x98\xF0\x9F\x98\x80.jpg") }) {
        const QString path = NativeName::decode(bytes);
        ASSERT_TRUE(NativeName::hasEscapes(path));
        const QString shown = NativeName::displayed(path);
        Json object = Json::object();
        object[QuavelJSON::fromString(path).get<std::string>()] = QuavelJSON::fromStrings({ path });
        const QByteArray document
            = QuavelJSON::encode(Json { { "map", object }, { "path", QuavelJSON::fromString(path) } });
        JsonWriter w;
        w.string(path);
        const QByteArray streamed = w.take();
        for (const QByteArray& text : { document, streamed }) {
            EXPECT_FALSE(NativeName::hasEscapes(NativeName::decode(text)))
                << "valid UTF-8: " << text.toStdString();
            EXPECT_TRUE(text.contains(shown.toUtf8())) << text.toStdString();
        }
        const Json back = QuavelJSON::parse(document);
        EXPECT_EQ(QuavelJSON::asString(back["path"]), shown);
        EXPECT_EQ(QuavelJSON::asStrings(back["map"][shown.toStdString()]), QStringList { shown });
    }
}

TEST(QuavelJSON, nonFiniteNumbersAreAnEncodingError)
{
    EXPECT_THROW(QuavelJSON::encode(Json { { "x", NAN } }), QuavelJSON::EncodingError);
    EXPECT_THROW(
        QuavelJSON::encode(Json::array({ 1, Json::array({ INFINITY }) })), QuavelJSON::EncodingError);
    EXPECT_NO_THROW(QuavelJSON::encode(Json { { "x", 1.5 } }));
}

TEST(QuavelJSON, bytesAreBase64)
{
    const QByteArray bytes("\0\x01\xfe\xff", 4);
    EXPECT_EQ(QuavelJSON::fromData(bytes), Json("AAH+/w=="));
    EXPECT_EQ(QuavelJSON::asData(Json("AAH+/w==")), bytes);
    EXPECT_THROW(QuavelJSON::asData(Json("AAH+/w=")), QuavelJSON::DecodingError);
    EXPECT_THROW(QuavelJSON::asData(Json("not base64!")), QuavelJSON::DecodingError);
}

TEST(QuavelJSON, malformedTextIsADecodingError)
{
    for (const char* bad : { "", "{", "{\"a\": }", "[1,]", "{\"a\": \"\xff\"}" })
        EXPECT_THROW(QuavelJSON::parse(bad), QuavelJSON::DecodingError) << bad;
}

namespace {

// `levels` arrays, or objects {"a": …} when `objects`, around a 0.
QByteArray nested(int levels, bool objects = false)
{
    QByteArray text;
    for (int i = 0; i < levels; ++i)
        text += objects && i % 2 ? "{\"a\": " : "[";
    text += "0";
    for (int i = levels - 1; i >= 0; --i)
        text += objects && i % 2 ? "}" : "]";
    return text;
}

struct DepthCase
{
    const char* name;
    QByteArray text;
    bool readable;
};

} // namespace

// Every reader decodes through parse: the limit is refused as a decoding error, before any parsing,
// whatever the depth; brackets inside strings do not count.
TEST(QuavelJSON, nestingDeeperThanTheLimitIsUnreadable)
{
    const QByteArray brackets(5000, '[');
    const DepthCase cases[] = {
        { "64 arrays", nested(64), true },
        { "65 arrays", nested(65), false },
        { "64 objects and arrays", nested(64, true), true },
        { "65 objects and arrays", nested(65, true), false },
        { "a million arrays", nested(1000000), false },
        { "an opener run without closers", brackets, false },
        { "brackets in a string", "[\"" + brackets + "\"]", true },
        { "after an escaped quote", "[\"\\\"" + brackets + "\", 1]", true },
        { "after an escaped backslash", "[\"\\\\\", " + nested(64) + "]", false },
        { "stray closers first", "]]]]" + nested(64), false },
    };
    for (const DepthCase& c : cases) {
        if (c.readable) {
            EXPECT_NO_THROW(QuavelJSON::parse(c.text)) << c.name;
        } else {
            EXPECT_THROW(QuavelJSON::parse(c.text), QuavelJSON::DecodingError) << c.name;
        }
    }
    // The refusal says why.
    EXPECT_TRUE(decodingMessage([] { QuavelJSON::parse(nested(65)); }).contains("imbriqu"));
}

// The streamed file form is byte for byte the document encoder's, for any content.
TEST(QuavelJSON, streamedLibraryEqualsTheDocumentEncoding)
{
    std::mt19937 random(11);
    const QString alphabet = QStringLiteral("aZ09 _-.\"\\/\n\t\r\b\f\u0001\u001f\u007f é€😀\u2028«»·’");
    auto text = [&](int max) {
        QString s;
        const int n = int(random() % unsigned(max + 1));
        for (int i = 0; i < n; ++i) {
            const QChar c = alphabet[int(random() % unsigned(alphabet.size()))];
            if (c.isHighSurrogate()) // keep pairs whole, the lone-surrogate case is tested above
                s += QStringLiteral("😀");
            else if (!c.isLowSurrogate())
                s += c;
        }
        return s;
    };
    LibrarySnapshot s;
    s.version = -7;
    s.updatedAt = QDateTime::fromMSecsSinceEpoch(-62'135'596'800'000, Qt::UTC); // 0001-01-01
    for (int d = 0; d < 5; ++d)
        s.days.append(
            DayRecord { QUuid::createUuid(), text(8), QDateTime::fromMSecsSinceEpoch(qint64(random()) * 997),
                d % 2 ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max() - d });
    for (int k = 0; k < 6; ++k) {
        SpreadsheetRecord sh { QUuid::createUuid(), QUuid::createUuid(), text(12),
            at("2026-06-01T08:00:00.001Z"), QDateTime::fromMSecsSinceEpoch(253'402'300'799'999), k % 2 == 0,
            {} };
        for (int r = 0; r < k * 3; ++r)
            sh.rows.append(RowRecord { QUuid::createUuid(), text(6), text(4) });
        s.spreadsheets.append(sh);
    }
    EXPECT_EQ(s.encoded(), QuavelJSON::encode(s.toJson()));
    EXPECT_EQ(LibrarySnapshot::fromJson(QuavelJSON::parse(s.encoded())), s);
}
