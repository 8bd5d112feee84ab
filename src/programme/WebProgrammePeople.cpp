// Start-list pages: riders from span-marked rows or from plain table cells.
#include "programme/PersonName.h"
#include "programme/WebProgrammeParser.h"
#include "programme/WebProgrammeScan.h"

#include "library/AssignedNumber.h"

#include <QSet>

namespace quavel::WebProgrammeParser {

using WebProgrammeScan::PageBudget;

namespace {

const Regex& riderRow()
{
    static const Regex re(
        QStringLiteral(R"re(<tr class="text-center">([\s\S]*?)</tr>)re"), Regex::CaseInsensitive);
    return re;
}

const Regex& bibSpan()
{
    static const Regex re(
        QStringLiteral(R"re(<span class="id-value[^"]*">\s*([^<]+?)\s*</span>)re"), Regex::CaseInsensitive);
    return re;
}

const Regex& nameSpan()
{
    static const Regex re(
        QStringLiteral(R"re(<span class="title no_mobile">([\s\S]*?)</span>)re"), Regex::CaseInsensitive);
    return re;
}

const Regex& tableBody()
{
    static const Regex re(QStringLiteral(R"re(<tbody[^>]*>([\s\S]*?)</tbody>)re"), Regex::CaseInsensitive);
    return re;
}

const Regex& tableCell()
{
    static const Regex re(QStringLiteral(R"re(<td[^>]*>([\s\S]*?)</td>)re"), Regex::CaseInsensitive);
    return re;
}

// Riders numbered from 1 in reading order; a repeated bib keeps its first rider, and the numbers of
// those that remain are not renumbered.
class RiderList
{
public:
    void add(const QString& bibText, const QString& name)
    {
        const std::optional<QString> bib = AssignedNumber::canonical(bibText);
        if (!bib)
            return;
        const PersonName::Split split = PersonName::splitWebsiteRider(name);
        if (split.first.isEmpty() && split.last.isEmpty())
            return;
        ++m_counter;
        if (m_seen.contains(*bib))
            return;
        m_seen.insert(*bib);
        m_people.append(ImportedPerson { *bib, split.first, split.last, m_counter });
    }

    QList<ImportedPerson> people() const { return m_people; }

private:
    QList<ImportedPerson> m_people;
    QSet<QString> m_seen;
    qint64 m_counter = 0;
};

} // namespace

QList<ImportedPerson> peopleFromSpanLayout(const QString& html)
{
    PageBudget budget;
    RiderList riders;
    for (const QStringList& row : WebProgrammeScan::groups(riderRow(), html)) {
        if (PageBudget::spent())
            break;
        const std::optional<QStringList> bib = WebProgrammeScan::firstGroups(bibSpan(), row[1]);
        if (!bib)
            continue;
        QString name;
        for (const QStringList& span : WebProgrammeScan::groups(nameSpan(), row[1])) {
            const QString text = plainText(span[1]);
            if (!text.isEmpty())
                name = text;
        }
        // The bib goes to the canonical form as written, without the clean-up.
        riders.add((*bib)[1], name);
    }
    return riders.people();
}

std::optional<QString> tbody(const QString& html)
{
    PageBudget budget;
    if (const std::optional<QStringList> body = WebProgrammeScan::firstGroups(tableBody(), html))
        return (*body)[1];
    return std::nullopt;
}

QList<ImportedPerson> peopleFromTableLayout(const QString& html)
{
    PageBudget budget;
    const QString table = tbody(html).value_or(html);
    QStringList cells;
    for (const QStringList& cell : WebProgrammeScan::groups(tableCell(), table)) {
        if (PageBudget::spent())
            break;
        cells.append(plainText(cell[1]));
    }
    // Four cells per rider, across row boundaries; a trailing group of fewer than four is ignored.
    RiderList riders;
    for (qsizetype i = 0; i + 3 < cells.size(); i += 4)
        riders.add(cells[i + 1], cells[i + 3]);
    return riders.people();
}

} // namespace quavel::WebProgrammeParser
