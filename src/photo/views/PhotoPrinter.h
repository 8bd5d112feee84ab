#pragma once

#include "photo/print/PrintPaperFormat.h"

#include <QImage>
#include <QSize>
#include <QStringList>

#include <functional>
#include <optional>

namespace quavel {

class PrintSession;

// Printing photos at full resolution, one photo per page, each fitted to the printable area without
// cropping. Videos among the files are left out. GUI thread only.
namespace PhotoPrinter {

using PrintedHandler = std::function<void(const QStringList& printed)>;

// Called after every successful run with the photos drawn into its job, in page order; the orders
// screen marks them delivered. Unset by default.
PrintedHandler& onPrintSucceeded();

// Called after every successful run, before onPrintSucceeded, with the photos drawn into its job and
// those of the pages it printed blank (a photo that could not be read), each in page order; the orders
// screen tells the blank ones. Unset by default.
using FinishedHandler = std::function<void(const QStringList& printed, const QStringList& blank)>;
FinishedHandler& onPrintFinished();

// Prints the photos among the files through the print panel: on the given paper with no margins, or
// without one on the paper and margins of the last settings. With a window on screen the panel is a
// sheet of it and this returns at once; otherwise it returns after the run.
void print(const QStringList& files, std::optional<PrintPaperFormat> paper);

// The pixel size of a photo as displayed (its orientation applied); none when it cannot be read.
std::optional<QSize> pixelSize(const QString& file);

// The photo upright, in sRGB, its long side at most maxPixel (never enlarged), camera RAW files
// developed; a null image when it cannot be read, is damaged (truncated, a decoding error) or would
// decode more pixels than the pixel budget allows. Safe on any thread.
QImage loadPhoto(const QString& file, int maxPixel);

// The end of a run: on success the settings are remembered, the printed and blank photos handed to
// onPrintFinished and the printed ones to onPrintSucceeded (in a later turn of the event loop when
// `later`).
void finishRun(PrintSession& session, bool success, bool later);

} // namespace PhotoPrinter

} // namespace quavel
