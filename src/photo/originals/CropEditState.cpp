#include "photo/originals/CropEditState.h"

#include "library/QuavelJSON.h"

#include <cmath>

namespace quavel {

namespace {

// Integral values as JSON integers, as the retouch settings inside a state are written.
QuavelJSON::Json number(double value)
{
    if (std::trunc(value) == value && std::abs(value) < 9007199254740992.0)
        return qint64(value);
    return value;
}

} // namespace

nlohmann::json CropEditState::toJson() const
{
    using QuavelJSON::Json;
    return Json { { "format", QuavelJSON::fromString(PrintFormats::rawValue(format)) },
        { "includeWatermark", includeWatermark }, { "zoom", number(zoom) },
        { "offset", Json::array({ number(offset.width()), number(offset.height()) }) },
        { "angle", number(angle) }, { "retouch", retouch.toJson() }, { "cropValidated", cropValidated } };
}

CropEditState CropEditState::fromJson(const nlohmann::json& json)
{
    using namespace QuavelJSON;
    asObject(json);
    CropEditState state;
    const QString raw = readString(json, "format");
    const std::optional<PrintFormat> format = PrintFormats::fromRawValue(raw);
    if (!format)
        throw DecodingError(QStringLiteral("Format d’impression inconnu : %1").arg(raw));
    state.format = *format;
    state.includeWatermark = readBool(json, "includeWatermark");
    state.zoom = asDouble(require(json, "zoom"));
    const Json& offset = readArray(json, "offset");
    if (offset.size() < 2)
        throw DecodingError(QStringLiteral("Décalage incomplet."));
    state.offset = QSizeF(asDouble(offset[0]), asDouble(offset[1]));
    state.angle = asDouble(require(json, "angle"));
    state.retouch = PhotoRetouchSettings::fromJson(require(json, "retouch"));
    state.cropValidated = readBool(json, "cropValidated");
    return state;
}

bool CropEditState::operator==(const CropEditState& other) const
{
    return format == other.format && includeWatermark == other.includeWatermark && zoom == other.zoom
        && offset.width() == other.offset.width() && offset.height() == other.offset.height()
        && angle == other.angle && retouch == other.retouch && cropValidated == other.cropValidated;
}

} // namespace quavel
