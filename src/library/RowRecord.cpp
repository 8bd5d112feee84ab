#include "library/RowRecord.h"

#include "library/JsonWriter.h"
#include "library/QuavelJSON.h"
#include "platform/text/Text.h"

#include <QHash>

namespace quavel {

namespace {

bool blankText(const QString& s)
{
    for (QChar c : s) {
        // Surrogates are never white space, so code units suffice here.
        if (!text::isWhitespaceOrNewline(c.unicode()))
            return false;
    }
    return true;
}

} // namespace

RowRecord RowRecord::blank()
{
    return RowRecord { QUuid::createUuid(), QString(), QString() };
}

bool RowRecord::isBlank() const
{
    return blankText(photoNumber) && blankText(assignedNumber);
}

nlohmann::json RowRecord::toJson() const
{
    using namespace QuavelJSON;
    return Json { { "id", fromUuid(id) }, { "photoNumber", fromString(photoNumber) },
        { "assignedNumber", fromString(assignedNumber) } };
}

void RowRecord::writeJson(JsonWriter& w) const
{
    w.beginObject();
    w.key("assignedNumber");
    w.string(assignedNumber);
    w.key("id");
    w.uuid(id);
    w.key("photoNumber");
    w.string(photoNumber);
    w.endObject();
}

RowRecord RowRecord::fromJson(const nlohmann::json& json)
{
    using namespace QuavelJSON;
    RowRecord row;
    row.id = readUuid(json, "id");
    row.photoNumber = readString(json, "photoNumber");
    row.assignedNumber = readString(json, "assignedNumber");
    return row;
}

size_t qHash(const RowRecord& row, size_t seed) noexcept
{
    return qHashMulti(seed, row.id, row.photoNumber, row.assignedNumber);
}

} // namespace quavel
