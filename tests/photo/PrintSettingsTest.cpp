// The remembered print settings: their JSON, checked on read, and the memory in the user defaults
// (restored once per launch; an unreadable value removed; the stored printer only when it still exists).
#include "photo/print/PrintSettings.h"
#include "common/TestSupport.h"
#include "library/QuavelJSON.h"
#include "photo/print/PrintInfoMemory.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

using namespace quavel;

namespace {

PrintSettings sample()
{
    PrintSettings s;
    s.printerName = QStringLiteral("Atelier_Epson");
    s.paperName = QStringLiteral("10 × 15 cm");
    s.paperSize = QSizeF(283.46456692913387, 425.19685039370080);
    s.orientation = PrintSettings::Orientation::landscape;
    s.margins = QMarginsF(0, 0, 0, 0);
    s.copies = 2;
    s.duplex = PrintSettings::Duplex::shortSide;
    s.color = false;
    return s;
}

QByteArray withValue(const char* path, const QuavelJSON::Json& value)
{
    QuavelJSON::Json o = QuavelJSON::parse(sample().toJson());
    o[QuavelJSON::Json::json_pointer(path)] = value;
    return QuavelJSON::encode(o);
}

QByteArray without(const char* key)
{
    QuavelJSON::Json o = QuavelJSON::parse(sample().toJson());
    o.erase(key);
    return QuavelJSON::encode(o);
}

TEST(PrintSettings, RoundTripsAndRefusesWhatDoesNotRead)
{
    EXPECT_EQ(PrintSettings::fromJson(sample().toJson()), sample());
    PrintSettings plain;
    plain.paperSize = QSizeF(595.2755905511812, 841.8897637795276);
    plain.margins = QMarginsF(18, 18, 18, 18);
    EXPECT_EQ(PrintSettings::fromJson(plain.toJson()), plain);

    const struct
    {
        const char* what;
        QByteArray bytes;
    } refused[] = {
        { "not JSON", "bplist00\x01\x02" },
        { "an array", "[]" },
        { "empty", "" },
        { "another version", withValue("/version", 2) },
        { "no printer", without("printerName") },
        { "no paper", without("paper") },
        { "no copies", without("copies") },
        { "copies as text", withValue("/copies", "2") },
        { "fractional copies", withValue("/copies", 1.5) },
        { "no copies at all", withValue("/copies", 0) },
        { "a thousand copies", withValue("/copies", 1000) },
        { "paper of no width", withValue("/paper/width", 0) },
        { "paper over 200 inches", withValue("/paper/height", 14401) },
        { "paper width as text", withValue("/paper/width", "595") },
        { "negative margin", withValue("/margins/left", -1) },
        { "margins wider than the turned sheet", withValue("/margins/left", 430) },
        { "unknown orientation", withValue("/orientation", "upsideDown") },
        { "unknown duplex", withValue("/duplex", "both") },
        { "colour as a number", withValue("/color", 1) },
        { "null printer", withValue("/printerName", nullptr) },
    };
    for (const auto& r : refused)
        EXPECT_EQ(PrintSettings::fromJson(r.bytes), std::nullopt) << r.what;
}

struct MemoryFixture
{
    test::TempFolder folder;
    UserDefaults defaults { folder.file("defaults.json") };
    int currentCalls = 0;
    QStringList printers { "Atelier_Epson", "Bureau" };

    MemoryFixture() { PrintInfoMemory::resetForTesting(); }
    ~MemoryFixture() { PrintInfoMemory::resetForTesting(); }

    PrintSettings current()
    {
        ++currentCalls;
        PrintSettings s;
        s.printerName = QStringLiteral("Bureau");
        s.paperName = QStringLiteral("A4");
        s.paperSize = QSizeF(595.2755905511812, 841.8897637795276);
        return s;
    }

    void restore()
    {
        PrintInfoMemory::restoreSharedIfNeeded(
            defaults, [this] { return current(); },
            [this](const QString& n) { return printers.contains(n); });
    }
};

TEST(PrintInfoMemory, RestoresOncePerLaunch)
{
    MemoryFixture f;
    EXPECT_FALSE(PrintInfoMemory::shared());
    f.restore();
    ASSERT_TRUE(PrintInfoMemory::shared());
    EXPECT_EQ(PrintInfoMemory::shared()->printerName, "Bureau");
    f.defaults.setData(PrintInfoMemory::kPrintInfoKey, sample().toJson());
    f.restore();
    EXPECT_EQ(f.currentCalls, 1);
    EXPECT_EQ(PrintInfoMemory::shared()->paperName, "A4");
}

TEST(PrintInfoMemory, TakesTheStoredSettingsAndAStoredPrinterThatStillExists)
{
    const struct
    {
        const char* what;
        std::optional<QString> storedPrinter;
        const char* expected;
    } cases[] = {
        { "no stored printer", std::nullopt, "Atelier_Epson" },
        { "empty stored printer", QString(), "Atelier_Epson" },
        { "stored printer exists", QStringLiteral("Bureau"), "Bureau" },
        { "stored printer is gone", QStringLiteral("Ancienne"), "Atelier_Epson" },
    };
    for (const auto& c : cases) {
        MemoryFixture f;
        f.defaults.setData(PrintInfoMemory::kPrintInfoKey, sample().toJson());
        if (c.storedPrinter)
            f.defaults.setString(PrintInfoMemory::kPrinterNameKey, *c.storedPrinter);
        f.restore();
        ASSERT_TRUE(PrintInfoMemory::shared()) << c.what;
        EXPECT_EQ(PrintInfoMemory::shared()->printerName, QLatin1String(c.expected)) << c.what;
        EXPECT_EQ(PrintInfoMemory::shared()->paperName, sample().paperName) << c.what;
        EXPECT_EQ(f.currentCalls, 0) << c.what;
    }
}

TEST(PrintInfoMemory, RemovesAStoredValueThatDoesNotRead)
{
    const struct
    {
        const char* what;
        std::function<void(UserDefaults&)> store;
    } cases[] = {
        { "foreign bytes",
            [](UserDefaults& d) { d.setData(PrintInfoMemory::kPrintInfoKey, "bplist00garbage"); } },
        { "a text", [](UserDefaults& d) { d.setString(PrintInfoMemory::kPrintInfoKey, "A4"); } },
        { "bad copies",
            [](UserDefaults& d) { d.setData(PrintInfoMemory::kPrintInfoKey, withValue("/copies", 0)); } },
    };
    for (const auto& c : cases) {
        MemoryFixture f;
        c.store(f.defaults);
        f.restore();
        EXPECT_FALSE(f.defaults.contains(PrintInfoMemory::kPrintInfoKey)) << c.what;
        EXPECT_EQ(f.currentCalls, 1) << c.what;
        EXPECT_EQ(PrintInfoMemory::shared()->printerName, "Bureau") << c.what;
    }
}

TEST(PrintInfoMemory, RemembersASuccessfulRunForTheNextLaunch)
{
    MemoryFixture f;
    PrintInfoMemory::remember(f.defaults, sample());
    EXPECT_TRUE(PrintInfoMemory::didRestore());
    EXPECT_EQ(PrintInfoMemory::shared(), sample());
    f.restore(); // does not override the remembered run
    EXPECT_EQ(f.currentCalls, 0);
    EXPECT_EQ(PrintInfoMemory::shared(), sample());

    // The next launch reads them back from the file.
    PrintInfoMemory::resetForTesting();
    UserDefaults reread(f.folder.file("defaults.json"));
    EXPECT_EQ(reread.string(PrintInfoMemory::kPrinterNameKey), "Atelier_Epson");
    PrintInfoMemory::restoreSharedIfNeeded(
        reread, [] { return PrintSettings(); }, [](const QString&) { return true; });
    EXPECT_EQ(PrintInfoMemory::shared(), sample());

    PrintSettings unnamed = sample();
    unnamed.printerName.clear();
    PrintInfoMemory::remember(reread, unnamed);
    EXPECT_FALSE(reread.contains(PrintInfoMemory::kPrinterNameKey));
}

} // namespace
