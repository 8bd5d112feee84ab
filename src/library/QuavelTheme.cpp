#include "library/QuavelTheme.h"

#include "platform/text/Text.h"

#include <QLocale>

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

namespace quavel::QuavelTheme {

QString defaultDayName(const QDateTime& date)
{
    // The host zone is read at each call, so a change of the user's settings is followed.
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateInstance(icu::DateFormat::kFull, icu::Locale("fr", "FR")));
    QString text;
    if (format) {
        if (zone)
            format->setTimeZone(*zone);
        icu::UnicodeString out;
        format->format(UDate(date.toMSecsSinceEpoch()), out);
        text = QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
    } else {
        const QLocale french(QLocale::French, QLocale::France);
        text = french.toString(date.toLocalTime(), QStringLiteral("dddd d MMMM yyyy"));
    }
    const QStringList chars = text::graphemes(text);
    if (chars.isEmpty())
        return text;
    return text::upperFrench(chars.first()) + text.mid(chars.first().size());
}

} // namespace quavel::QuavelTheme
