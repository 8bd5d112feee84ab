#pragma once

#include <QByteArray>
#include <QMarginsF>
#include <QSizeF>
#include <QString>

#include <optional>

namespace quavel {

// The print settings of the last successful run, kept between launches: printer, paper, orientation,
// margins, copies, two-sided and colour printing. The page range is never kept: every run starts on all
// of its pages. Lengths in points.
struct PrintSettings
{
    enum class Orientation { portrait, landscape };
    enum class Duplex { none, longSide, shortSide };

    QString printerName; // the print queue; empty for the system's default
    QString paperName; // the paper's name as the printer gives it ("A4", "10 × 15 cm")
    QSizeF paperSize; // in portrait
    Orientation orientation = Orientation::portrait;
    QMarginsF margins; // on the sheet as printed (its orientation applied)
    int copies = 1;
    Duplex duplex = Duplex::none;
    bool color = true;

    bool operator==(const PrintSettings&) const = default;

    // The stored form: one JSON object, written through the shared JSON coding.
    QByteArray toJson() const;
    // The settings, when the bytes are that object with every key of the right type and sensible values
    // (a paper of positive size up to 200 inches, margins that leave some of it, 1 to 999 copies);
    // absent otherwise.
    static std::optional<PrintSettings> fromJson(const QByteArray& bytes);
};

} // namespace quavel
