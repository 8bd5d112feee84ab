// Any bytes as retouch settings, the object that the orders settings file and every journal state hold.
// The decoder either refuses them with a DecodingError or gives settings that are written as exactly the
// eighteen keys (never the legacy "sharpness"), read back equal and written again to the same bytes; the
// summary of any such settings says "Aucun réglage" exactly when they are neutral.
#include "FuzzChecks.h"
#include "library/QuavelJSON.h"
#include "photo/retouch/PhotoRetouchSettings.h"

#include <cstdint>

using namespace quavel;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    PhotoRetouchSettings settings;
    try {
        settings = PhotoRetouchSettings::fromJson(QuavelJSON::parse(bytes));
    } catch (const QuavelJSON::DecodingError& e) {
        check(!e.message().isEmpty(), "a refusal says why");
        return 0;
    }

    // What was read is written and read again without any refusal escaping.
    const QuavelJSON::Json written = settings.toJson();
    check(written.is_object() && written.size() == 18 && !written.contains("sharpness"),
        "settings are written as their eighteen keys");
    const QByteArray text = QuavelJSON::encode(written);
    const PhotoRetouchSettings again = PhotoRetouchSettings::fromJson(QuavelJSON::parse(text));
    check(again == settings, "written settings read back equal");
    check(QuavelJSON::encode(again.toJson()) == text, "settings read back are written to the same bytes");

    const QString summary = settings.summary();
    check((summary == QStringLiteral("Aucun réglage")) == settings.isNeutral(),
        "the summary says no adjustment exactly when the settings are neutral");
    return 0;
}
