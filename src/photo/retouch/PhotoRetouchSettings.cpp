#include "photo/retouch/PhotoRetouchSettings.h"

#include "library/QuavelJSON.h"

#include <QStringList>

#include <charconv>
#include <cmath>

namespace quavel {

namespace {

const QChar kNoBreakSpace(0x00A0);
const QChar kMinusSign(0x2212);

// printf's "%.Nf" (exact value, ties to even), locale-free, with "," as the decimal mark.
QString fixed(double value, int decimals)
{
    char buffer[400];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

QString sign(double value)
{
    if (value > 0)
        return QStringLiteral("+");
    if (value < 0)
        return QString(kMinusSign);
    return QString();
}

QString signedPercent(const QString& label, double value)
{
    return label + sign(value) + fixed(std::abs(value), 0) + kNoBreakSpace + QLatin1Char('%');
}

// Integral values are written as JSON integers, as the other writers of these files do; anything else as
// the shortest text that reads back to the same double.
QuavelJSON::Json number(double value)
{
    if (std::trunc(value) == value && std::abs(value) < 9007199254740992.0)
        return qint64(value);
    return value;
}

double readDouble(const QuavelJSON::Json& json, const char* key, double fallback)
{
    if (const QuavelJSON::Json* v = QuavelJSON::find(json, key))
        return QuavelJSON::asDouble(*v);
    return fallback;
}

bool readFlag(const QuavelJSON::Json& json, const char* key, bool fallback)
{
    return QuavelJSON::readOptionalBool(json, key).value_or(fallback);
}

} // namespace

bool PhotoRetouchSettings::isNeutral() const
{
    return !optimizedSharpness && contrast == 0 && brightness == 0 && saturation == 0 && vibrance == 0
        && shadows == 0 && highlights == 0 && exposure == 0 && std::abs(gamma - 1) < 0.001 && !autoContrast;
}

QString PhotoRetouchSettings::summary() const
{
    if (isNeutral())
        return QStringLiteral("Aucun réglage");
    QStringList items;
    if (optimizedSharpness)
        items << QStringLiteral("Netteté ") + fixed(sharpnessAmount, 0) + kNoBreakSpace + QLatin1Char('%');
    if (contrast != 0)
        items << signedPercent(QStringLiteral("Contraste "), contrast);
    if (autoContrast)
        items << QStringLiteral("Contraste auto");
    if (brightness != 0)
        items << signedPercent(QStringLiteral("Luminosité "), brightness);
    if (vibrance != 0)
        items << signedPercent(QStringLiteral("Vibrance "), vibrance);
    if (saturation != 0)
        items << signedPercent(QStringLiteral("Saturation "), saturation);
    if (std::abs(gamma - 1) >= 0.001)
        items << QStringLiteral("Gamma ") + fixed(gamma, 2);
    if (shadows != 0)
        items << signedPercent(QStringLiteral("Tons foncés "), shadows);
    if (highlights != 0)
        items << signedPercent(QStringLiteral("Tons clairs "), highlights);
    if (exposure != 0)
        items << QStringLiteral("Exp. ") + sign(exposure) + fixed(std::abs(exposure), 2)
                + QStringLiteral(" IL");
    return items.join(QStringLiteral(" · "));
}

nlohmann::json PhotoRetouchSettings::toJson() const
{
    using QuavelJSON::Json;
    return Json { { "optimizedSharpness", optimizedSharpness },
        { "sharpnessAmount", number(sharpnessAmount) }, { "sharpnessRadius", number(sharpnessRadius) },
        { "sharpnessNoiseReduction", number(sharpnessNoiseReduction) }, { "removeLensBlur", removeLensBlur },
        { "contrast", number(contrast) }, { "brightness", number(brightness) },
        { "saturation", number(saturation) }, { "vibrance", number(vibrance) }, { "gamma", number(gamma) },
        { "shadows", number(shadows) }, { "shadowTonalWidth", number(shadowTonalWidth) },
        { "shadowRadius", number(shadowRadius) }, { "highlights", number(highlights) },
        { "highlightTonalWidth", number(highlightTonalWidth) },
        { "highlightRadius", number(highlightRadius) }, { "exposure", number(exposure) },
        { "autoContrast", autoContrast } };
}

PhotoRetouchSettings PhotoRetouchSettings::fromJson(const nlohmann::json& json)
{
    QuavelJSON::asObject(json);
    const PhotoRetouchSettings defaults;
    PhotoRetouchSettings s;
    // Older files had one "sharpness" number: above 0 it meant sharpening on at that amount.
    const QuavelJSON::Json* legacyValue = QuavelJSON::find(json, "sharpness");
    const std::optional<double> legacy
        = legacyValue ? std::optional<double>(QuavelJSON::asDouble(*legacyValue)) : std::nullopt;
    const bool legacyOn = legacy && *legacy > 0;
    s.optimizedSharpness = readFlag(json, "optimizedSharpness", legacyOn);
    s.sharpnessAmount = readDouble(json, "sharpnessAmount", legacyOn ? *legacy : defaults.sharpnessAmount);
    s.sharpnessRadius = readDouble(json, "sharpnessRadius", defaults.sharpnessRadius);
    s.sharpnessNoiseReduction = readDouble(json, "sharpnessNoiseReduction", defaults.sharpnessNoiseReduction);
    s.removeLensBlur = readFlag(json, "removeLensBlur", defaults.removeLensBlur);
    s.contrast = readDouble(json, "contrast", defaults.contrast);
    s.brightness = readDouble(json, "brightness", defaults.brightness);
    s.saturation = readDouble(json, "saturation", defaults.saturation);
    s.vibrance = readDouble(json, "vibrance", defaults.vibrance);
    s.gamma = readDouble(json, "gamma", defaults.gamma);
    s.shadows = readDouble(json, "shadows", defaults.shadows);
    s.shadowTonalWidth = readDouble(json, "shadowTonalWidth", defaults.shadowTonalWidth);
    s.shadowRadius = readDouble(json, "shadowRadius", defaults.shadowRadius);
    s.highlights = readDouble(json, "highlights", defaults.highlights);
    s.highlightTonalWidth = readDouble(json, "highlightTonalWidth", defaults.highlightTonalWidth);
    s.highlightRadius = readDouble(json, "highlightRadius", defaults.highlightRadius);
    s.exposure = readDouble(json, "exposure", defaults.exposure);
    s.autoContrast = readFlag(json, "autoContrast", defaults.autoContrast);
    return s;
}

} // namespace quavel
