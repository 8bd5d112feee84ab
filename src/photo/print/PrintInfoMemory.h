#pragma once

#include "photo/print/PrintSettings.h"

#include <functional>
#include <optional>

namespace quavel {

class UserDefaults;

// The print settings every run starts from, and their memory between launches in the user defaults:
// "quavel.lastPrintInfo" holds the last successful run's settings (our JSON, as data) and
// "quavel.lastPrinterName" its printer. GUI thread only.
namespace PrintInfoMemory {

inline constexpr const char* kPrintInfoKey = "quavel.lastPrintInfo";
inline constexpr const char* kPrinterNameKey = "quavel.lastPrinterName";

// Whether a print queue of that name exists now.
using PrinterExists = std::function<bool(const QString& name)>;

// The shared settings; none until the first restore or remembered run.
const std::optional<PrintSettings>& shared();
bool didRestore();

// Once per launch: the stored settings, else `current()` (the platform's settings of the moment); a
// stored value that does not read as settings is removed. A stored printer name that is set, differs
// and still exists becomes the printer. The result is the shared settings.
void restoreSharedIfNeeded(
    UserDefaults& defaults, const std::function<PrintSettings()>& current, const PrinterExists& exists);

// After a successful run: its settings become the shared ones (a later restore keeps them) and are
// stored, with the printer's name (removed when empty).
void remember(UserDefaults& defaults, const PrintSettings& settings);

// Back to the state of a new launch (tests).
void resetForTesting();

} // namespace PrintInfoMemory

} // namespace quavel
