#include "photo/print/PrintInfoMemory.h"

#include "platform/Error.h"
#include "platform/UserDefaults.h"

namespace quavel::PrintInfoMemory {

namespace {

struct State
{
    bool didRestore = false;
    std::optional<PrintSettings> shared;
};

State& state()
{
    static State s;
    return s;
}

} // namespace

const std::optional<PrintSettings>& shared()
{
    return state().shared;
}

bool didRestore()
{
    return state().didRestore;
}

void restoreSharedIfNeeded(
    UserDefaults& defaults, const std::function<PrintSettings()>& current, const PrinterExists& exists)
{
    if (state().didRestore)
        return;
    state().didRestore = true;

    std::optional<PrintSettings> settings;
    if (defaults.contains(QLatin1String(kPrintInfoKey))) {
        if (const std::optional<QByteArray> data = defaults.data(QLatin1String(kPrintInfoKey)))
            settings = PrintSettings::fromJson(*data);
        if (!settings)
            defaults.remove(QLatin1String(kPrintInfoKey));
    }
    if (!settings)
        settings = state().shared ? *state().shared : current();

    const QString printer = defaults.string(QLatin1String(kPrinterNameKey)).value_or(QString());
    if (!printer.isEmpty() && printer != settings->printerName && exists && exists(printer))
        settings->printerName = printer;
    state().shared = settings;
}

void remember(UserDefaults& defaults, const PrintSettings& settings)
{
    state().shared = settings;
    state().didRestore = true;
    try {
        defaults.setData(QLatin1String(kPrintInfoKey), settings.toJson());
    } catch (const Error&) {
        // Settings with no stored form (a non-finite length) are simply not kept.
    }
    if (settings.printerName.isEmpty())
        defaults.remove(QLatin1String(kPrinterNameKey));
    else
        defaults.setString(QLatin1String(kPrinterNameKey), settings.printerName);
}

void resetForTesting()
{
    state() = State();
}

} // namespace quavel::PrintInfoMemory
