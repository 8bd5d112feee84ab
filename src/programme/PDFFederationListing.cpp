#include "programme/PDFProgrammeParser.h"

#include "programme/PersonName.h"

#include "platform/pdf/PdfDocument.h"
#include "platform/text/Regex.h"
#include "platform/text/Text.h"

#include <algorithm>

// The federation's start-list layout: one class header per page, names in the right-hand column.
namespace quavel::PDFProgrammeParser {

namespace {

const Regex& entryRow()
{
    static const Regex r(QStringLiteral("^[AP]\\s+[A-Z]{1,2}\\d?\\s+\\d{2}\\s+\\d{7}[A-Z]\\b"));
    return r;
}

// The names column: from 54 % of the page width to its right edge, over the whole height.
constexpr double namesColumnStart = 0.54;

struct Reading
{
    QList<ProgrammeDay> days;
    QString dayName = QStringLiteral("Programme");
    std::optional<QString> currentTitle;
    QList<ImportedPerson> pending;

    // Unlike the generic grammar, a class is only made with riders, and the title carries on.
    void flush()
    {
        if (!currentTitle || pending.isEmpty())
            return;
        ProgrammeEvent event { eventIdentifier(days, dayName, *currentTitle), *currentTitle,
            uniquePeople(pending) };
        auto day = std::find_if(
            days.begin(), days.end(), [&](const ProgrammeDay& d) { return d.name == dayName; });
        if (day == days.end())
            days.append({ dayName, { event } });
        else
            day->events.append(event);
        pending.clear();
    }
};

} // namespace

bool looksLikeFFEStartList(const QString& text)
{
    const QString f = text::folded(text);
    return f.contains(u"nom du cavalier")
        && (f.contains(u"liste de depart") || f.contains(u"numero sire") || f.contains(u"epreuve"));
}

std::optional<QString> competitionName(const QString& text)
{
    static const Regex name(
        QStringLiteral("^(.+?)\\s*-\\s*N[°o]\\s*\\d+"), Regex::CaseInsensitive | Regex::Multiline);
    const auto m = name.match(text);
    if (!m)
        return std::nullopt;
    const QString candidate = text::trimWhitespace(singleBlanks(m->captured(1)));
    if (text::folded(candidate).contains(u"liste de depart") || text::graphemeCount(candidate) <= 2)
        return std::nullopt;
    return candidate;
}

std::optional<QString> ffeEventTitle(const QString& pageText)
{
    static const Regex header(
        QStringLiteral("Epreuve\\s+(\\d+)\\s*[-–]\\s*(.+?)\\s*-\\s*\\d+\\s+engag"), Regex::CaseInsensitive);
    const auto m = header.match(pageText);
    if (!m)
        return std::nullopt;
    const QString name = text::trimWhitespace(singleBlanks(m->captured(2)));
    if (name.isEmpty())
        return std::nullopt;
    return QStringLiteral("Épreuve ") + m->captured(1) + QStringLiteral(" - ") + name;
}

QStringList ffeRiders(const QString& columnText)
{
    QStringList names;
    const QStringList lines = normalizedLines(columnText);
    bool inNames = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        const QString f = text::folded(line);
        if (f.contains(u"nom du cavalier")) {
            inNames = true;
        } else if (f.startsWith(u"page")) {
            continue;
        } else if (f.startsWith(u"ordre") || f.contains(u"epreuve")) {
            inNames = false;
        } else if (inNames) {
            if (entryRow().contains(line) || f.startsWith(u"cat") || f.startsWith(u"equipe"))
                continue;
            if (looksLikeListingName(line))
                names.append(line);
        } else if (looksLikeListingName(line) && i + 1 < lines.size() && entryRow().contains(lines[i + 1])) {
            names.append(line);
        } else {
            inNames = false;
        }
    }
    return names;
}

QStringList ffeRiders(const PdfDocument& document, int pageIndex)
{
    QString column;
    if (const auto box = document.mediaBox(pageIndex)) {
        const QRectF names(box->x() + namesColumnStart * box->width(), box->y(),
            (1 - namesColumnStart) * box->width(), box->height());
        column = document.text(pageIndex, names).value_or(QString());
    }
    const QStringList found = ffeRiders(column);
    if (!found.isEmpty())
        return found;
    return ffeRiders(document.pageText(pageIndex).value_or(QString()));
}

std::optional<ProgrammeDocument> parseFFEListing(const PdfDocument& document, const QString& sourceName)
{
    QString opening;
    // One page's last line and the next page's first stay apart.
    for (int i = 0; i < std::min(3, document.pageCount()); ++i)
        opening += document.pageText(i).value_or(QString()) + u'\n';
    if (!looksLikeFFEStartList(opening))
        return std::nullopt;

    Reading r;
    r.dayName = competitionName(opening).value_or(QStringLiteral("Programme"));
    for (int p = 0; p < document.pageCount(); ++p) {
        const std::optional<QString> text = document.pageText(p);
        if (!text)
            continue;
        if (r.dayName == u"Programme")
            if (const auto name = competitionName(*text))
                r.dayName = *name;
        if (const auto title = ffeEventTitle(*text)) {
            r.flush();
            r.currentTitle = *title;
        } else if (!r.currentTitle) {
            r.currentTitle = QStringLiteral("Inscriptions");
        }
        const QStringList names = ffeRiders(document, p);
        const qsizetype already = r.pending.size();
        for (qsizetype j = 0; j < names.size(); ++j) {
            const PersonName::Split split = PersonName::splitListingRider(names[j]);
            r.pending.append({ QString::number(already + j + 1), split.first, split.last, p + 1 });
        }
    }
    r.flush();
    r.days.removeIf([](const ProgrammeDay& d) { return d.events.isEmpty(); });
    if (r.days.isEmpty())
        return std::nullopt;
    return ProgrammeDocument { sourceName, r.days };
}

} // namespace quavel::PDFProgrammeParser
