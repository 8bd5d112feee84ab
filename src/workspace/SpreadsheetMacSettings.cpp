#include "workspace/SpreadsheetMacSettings.h"

#include "workspace/UuidTable.h"

namespace quavel {

using namespace QuavelJSON;

Json ManualRiderName::toJson() const
{
    return Json { { "lastName", fromString(lastName) }, { "firstName", fromString(firstName) } };
}

ManualRiderName ManualRiderName::fromJson(const Json& json)
{
    asObject(json);
    return ManualRiderName { readString(json, "lastName"), readString(json, "firstName") };
}

QString RememberedPhotoTransfer::photosLabel() const
{
    if (fileNames.isEmpty())
        return QStringLiteral("—");
    const qsizetype count = fileNames.size();
    return QString::number(count) + QStringLiteral(" fichier")
        + (count == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" · ") + rangeLabel;
}

Json RememberedPhotoTransfer::toJson() const
{
    return Json { { "fileNames", fromStrings(fileNames) }, { "rangeLabel", fromString(rangeLabel) } };
}

RememberedPhotoTransfer RememberedPhotoTransfer::fromJson(const Json& json)
{
    asObject(json);
    return RememberedPhotoTransfer { asStrings(require(json, "fileNames")), readString(json, "rangeLabel") };
}

namespace {

void putData(Json& o, const char* key, const std::optional<QByteArray>& value)
{
    if (value)
        o[key] = fromData(*value);
}

void putString(Json& o, const char* key, const std::optional<QString>& value)
{
    if (value)
        o[key] = fromString(*value);
}

} // namespace

Json SpreadsheetMacSettings::toJson() const
{
    Json o = Json::object();
    putData(o, "importBookmark", importBookmark);
    putString(o, "importName", importName);
    putString(o, "importCopyName", importCopyName);
    putData(o, "sourceBookmark", sourceBookmark);
    putString(o, "sourceName", sourceName);
    putData(o, "destinationBookmark", destinationBookmark);
    putString(o, "destinationName", destinationName);
    putString(o, "selectedDayName", selectedDayName);
    putString(o, "selectedEventID", selectedEventID);
    putString(o, "customEventName", customEventName);
    Json riders = Json::object();
    for (auto it = manualRiders.cbegin(); it != manualRiders.cend(); ++it)
        riders[it.key().toStdString()] = it.value().toJson();
    o["manualRiders"] = riders;
    o["isCompleted"] = isCompleted;
    o["rememberedTransfers"] = UuidTable::write(rememberedTransfers);
    return o;
}

SpreadsheetMacSettings SpreadsheetMacSettings::fromJson(const Json& json)
{
    asObject(json);
    SpreadsheetMacSettings s;
    s.importBookmark = readOptionalData(json, "importBookmark");
    s.importName = readOptionalString(json, "importName");
    s.importCopyName = readOptionalString(json, "importCopyName");
    s.sourceBookmark = readOptionalData(json, "sourceBookmark");
    s.sourceName = readOptionalString(json, "sourceName");
    s.destinationBookmark = readOptionalData(json, "destinationBookmark");
    s.destinationName = readOptionalString(json, "destinationName");
    s.selectedDayName = readOptionalString(json, "selectedDayName");
    s.selectedEventID = readOptionalString(json, "selectedEventID");
    s.customEventName = readOptionalString(json, "customEventName");
    if (const Json* riders = find(json, "manualRiders")) {
        for (auto it = asObject(*riders).begin(); it != riders->end(); ++it)
            s.manualRiders.insert(QString::fromStdString(it.key()), ManualRiderName::fromJson(it.value()));
    }
    s.isCompleted = readOptionalBool(json, "isCompleted").value_or(false);
    if (const Json* transfers = find(json, "rememberedTransfers"))
        s.rememberedTransfers = UuidTable::read<RememberedPhotoTransfer>(*transfers);
    return s;
}

} // namespace quavel
