#pragma once

#include <QString>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// One photo retouch: sharpening with noise reduction, contrast, brightness, saturation, vibrance, gamma,
// shadow and highlight recovery, exposure and automatic contrast. A plain value: the retoucher renders it,
// edit journals and the orders settings file store it, the crop editor edits it. The type never clamps;
// the retoucher clamps where it needs to.
struct PhotoRetouchSettings
{
    bool optimizedSharpness = false;
    double sharpnessAmount = 100; // percent
    double sharpnessRadius = 1.0; // pixels at a long side of 3000 pixels, scaled with the image
    double sharpnessNoiseReduction = 10; // percent
    bool removeLensBlur = false; // sharpen against a disc blur instead of a gaussian
    double contrast = 0; // percent
    double brightness = 0; // percent
    double saturation = 0; // percent
    double vibrance = 0; // percent
    double gamma = 1.0; // exponent
    double shadows = 0; // percent
    double shadowTonalWidth = 50; // percent of the tonal range
    double shadowRadius = 30; // scaled pixels
    double highlights = 0; // percent
    double highlightTonalWidth = 50; // percent of the tonal range
    double highlightRadius = 30; // scaled pixels
    double exposure = 0; // EV
    bool autoContrast = false;

    // True when rendering would change nothing. The amount, radius, noise reduction, lens-blur switch,
    // tonal widths and radii only act through a switched-on adjustment, so they are not looked at.
    bool isNeutral() const;

    // The active adjustments in French, joined by " · "; "Aucun réglage" when neutral.
    QString summary() const;

    // All eighteen keys, always; the legacy "sharpness" never.
    nlohmann::json toJson() const;
    // Every key optional (missing or null takes the default; the legacy "sharpness" stands in for the
    // sharpening switch and amount). A present key of the wrong type, or a value that is no object,
    // throws QuavelJSON::DecodingError: the document holding the settings is then unreadable.
    static PhotoRetouchSettings fromJson(const nlohmann::json& json);

    bool operator==(const PhotoRetouchSettings&) const = default;
};

} // namespace quavel
