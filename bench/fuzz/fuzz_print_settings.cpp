// Any bytes as the value stored under "quavel.lastPrintInfo". The settings either read (and then are
// written and read back equal, and written again to the same bytes) or do not; at the first print of a
// launch, settings that read become the shared ones (the stored printer taking over when it still
// exists), anything else is removed from the user defaults and the platform's settings apply; and what a
// successful run remembers always reads back at the next launch.
#include "FuzzChecks.h"
#include "photo/print/PrintInfoMemory.h"
#include "photo/print/PrintSettings.h"
#include "platform/UserDefaults.h"

#include <QFile>

#include <cstdint>
#include <cstring>

using namespace quavel;
using fuzz::check;

namespace {

const QString kStoredPrinter = QStringLiteral("Atelier_Epson");

// Exact on every field: QSizeF and QMarginsF compare fuzzily.
bool same(const PrintSettings& a, const PrintSettings& b)
{
    auto bits = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    return a.printerName == b.printerName && a.paperName == b.paperName
        && bits(a.paperSize.width(), b.paperSize.width()) && bits(a.paperSize.height(), b.paperSize.height())
        && a.orientation == b.orientation && bits(a.margins.left(), b.margins.left())
        && bits(a.margins.top(), b.margins.top()) && bits(a.margins.right(), b.margins.right())
        && bits(a.margins.bottom(), b.margins.bottom()) && a.copies == b.copies && a.duplex == b.duplex
        && a.color == b.color;
}

PrintSettings platformSettings()
{
    PrintSettings s;
    s.printerName = QStringLiteral("Bureau");
    s.paperName = QStringLiteral("A4");
    s.paperSize = QSizeF(595.2755905511812, 841.8897637795276);
    s.margins = QMarginsF(18, 18, 18, 18);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<PrintSettings> settings = PrintSettings::fromJson(bytes);
    if (settings) {
        const QByteArray text = settings->toJson();
        const std::optional<PrintSettings> again = PrintSettings::fromJson(text);
        check(again && same(*again, *settings), "written settings read back equal");
        check(again->toJson() == text, "settings read back are written to the same bytes");
    }

    // A new launch whose user defaults hold the bytes, and a printer name that still exists.
    static const QString path = fuzz::scratchFolder("print") + QStringLiteral("/defaults.json");
    QFile::remove(path);
    UserDefaults defaults(path);
    defaults.setData(QLatin1String(PrintInfoMemory::kPrintInfoKey), bytes);
    defaults.setString(QLatin1String(PrintInfoMemory::kPrinterNameKey), kStoredPrinter);
    PrintInfoMemory::resetForTesting();
    PrintInfoMemory::restoreSharedIfNeeded(
        defaults, platformSettings, [](const QString& name) { return name == kStoredPrinter; });
    PrintSettings expected = settings.value_or(platformSettings());
    expected.printerName = kStoredPrinter;
    check(PrintInfoMemory::shared() && same(*PrintInfoMemory::shared(), expected),
        "the first print starts from the stored settings, else the platform's");
    check(settings.has_value() == defaults.contains(QLatin1String(PrintInfoMemory::kPrintInfoKey)),
        "stored settings that do not read are removed, others kept");

    // The run succeeds: what it remembers is what the next launch reads.
    PrintInfoMemory::remember(defaults, *PrintInfoMemory::shared());
    const std::optional<QByteArray> stored = defaults.data(QLatin1String(PrintInfoMemory::kPrintInfoKey));
    const std::optional<PrintSettings> next = stored ? PrintSettings::fromJson(*stored) : std::nullopt;
    check(next && same(*next, expected), "remembered settings read at the next launch");
    return 0;
}
