#pragma once

#include "photo/print/PrintSettings.h"

class QPrinter;

// Remembered print settings onto a job's printer and back.
namespace quavel::PrinterSettings {

// The printer (only a queue that exists now), paper, orientation, margins, copies, two-sided and colour
// printing of the settings.
void apply(const PrintSettings& settings, QPrinter& printer);
// The settings of a printer; the printer's name is empty for a job written to a file.
PrintSettings capture(const QPrinter& printer);

} // namespace quavel::PrinterSettings
