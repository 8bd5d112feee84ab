#pragma once

#include "workspace/ManualRiderName.h"
#include "workspace/RememberedPhotoTransfer.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QUuid>

#include <nlohmann/json_fwd.hpp>

#include <optional>

namespace quavel {

// The settings of one spreadsheet that belong to this computer, not to the shared library: its
// folders, the programme day and class chosen, hand-typed rider names, the done mark and what was
// last copied per row. The default value is what a spreadsheet without stored settings gets.
struct SpreadsheetMacSettings
{
    // Kept and written back unchanged; nothing else uses them.
    std::optional<QByteArray> importBookmark;
    std::optional<QString> importName;
    std::optional<QString> importCopyName;
    // Bookmark of the folder holding the photos to sort, and its name for display.
    std::optional<QByteArray> sourceBookmark;
    std::optional<QString> sourceName;
    // Bookmark of the folder receiving the rider folders, and its name.
    std::optional<QByteArray> destinationBookmark;
    std::optional<QString> destinationName;
    // `name` of the chosen programme day and `id` of the chosen class.
    std::optional<QString> selectedDayName;
    std::optional<QString> selectedEventID;
    // Kept and written back unchanged.
    std::optional<QString> customEventName;
    // Keyed by the canonical bib.
    QMap<QString, ManualRiderName> manualRiders;
    bool isCompleted = false;
    // Keyed by the row's identifier.
    QMap<QUuid, RememberedPhotoTransfer> rememberedTransfers;

    // Optional fields only when present; the two tables and the done mark always. The transfers table
    // is an object keyed by the upper-case row identifier.
    nlohmann::json toJson() const;
    // Every key may be missing; a present key of the wrong type throws QuavelJSON::DecodingError, and
    // so does a hand-typed name or a transfer lacking one of its keys. The transfers table is read as
    // an object keyed by identifier or as an array alternating identifier and value.
    static SpreadsheetMacSettings fromJson(const nlohmann::json& json);

    bool operator==(const SpreadsheetMacSettings&) const = default;
};

} // namespace quavel
