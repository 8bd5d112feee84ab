// Feeds arbitrary bytes, as a results page, to every reader of WebProgrammeParser: nothing may crash,
// and nothing may run past the readers' scan budget, whatever the markup.
#include "programme/WebProgrammeParser.h"

#include <QString>
#include <QUrl>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Pages up to 1 MiB; the first byte picks the address the page claims to come from.
    if (size == 0 || size > (size_t(1) << 20))
        return 0;
    static const QUrl addresses[] = {
        QUrl(QStringLiteral("https://s.test/concours/123/epreuves")),
        QUrl(QStringLiteral("https://s.test/concours/123/startlist/7")),
        QUrl(QStringLiteral("https://s.test/events/55/startlist/3?x=1#f")),
        QUrl(QStringLiteral("https://s.test/")),
        QUrl(QStringLiteral("file:///tmp/page.html")),
        QUrl(),
    };
    const QUrl& pageURL = addresses[data[0] % std::size(addresses)];
    const QString html = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));

    const quavel::WebProgrammeSnapshot page = quavel::WebProgrammeParser::snapshot(html, pageURL);
    page.statusLine();
    for (const quavel::WebProgrammeEventLink& event : page.events) {
        quavel::WebProgrammeParser::displayTitle(event.eventNumber, event.title);
        quavel::WebProgrammeParser::comparisonKey(event.startlistURL);
    }
    quavel::WebProgrammeParser::strippedBrandingTitle(html.left(4096));
    quavel::WebProgrammeParser::decodingHTMLEntities(html.left(4096));
    return 0;
}
