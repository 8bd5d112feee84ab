#include "programme/WebProgrammeParser.h"

#include "ProgrammeTestSupport.h"

#include <gtest/gtest.h>

using namespace quavel;

namespace {

ImportedPerson rider(const char* bib, const char* first, const char* last, qint64 line)
{
    return ImportedPerson { u8(bib), u8(first), u8(last), line };
}

QString cells(std::initializer_list<const char*> texts)
{
    QString html;
    for (const char* t : texts)
        html += u8("<td class=\"c\">") + u8(t) + u8("</td>");
    return html;
}

} // namespace

TEST(WebRiders, spanLayout)
{
    const char* html = R"(<table><tbody>
<tr class="text-center"><td><span class="id-value">12 HC</span></td>
  <td><span class="title">ignorée</span><span class="title no_mobile">Jean DUPONT</span></td></tr>
<tr class="text-center"><td><span class="id-value">  </span></td><td><span class="title no_mobile">Bib VIDE</span></td></tr>
<tr class="text-center"><td><span class="id-value"></span></td><td><span class="title no_mobile">Sans BIB</span></td></tr>
<tr class="text-center"><td><span class="id-value big">7</span></td>
  <td><span class="title no_mobile">Marie Anne DE LA TOUR</span><span class="title no_mobile"> <b></b> </span></td></tr>
<tr class="text-center"><td><span class="id-value">012</span></td><td><span class="title no_mobile">Paul MARTIN</span></td></tr>
<tr class="text-center"><td><span class="id-value">9</span></td><td><span class="title no_mobile">L&#233;a<br>BERNARD</span></td></tr>
<tr class="text-center"><td><span class="id-value">10</span></td><td>sans nom</td></tr>
<tr class="other"><td><span class="id-value">11</span></td><td><span class="title no_mobile">Hors LIGNE</span></td></tr>
</tbody></table>)";
    // The second 12 is dropped after taking line 3, so the lines that remain have a gap.
    EXPECT_EQ(WebProgrammeParser::peopleFromSpanLayout(u8(html)),
        (QList<ImportedPerson> {
            rider("12", "Jean", "DUPONT", 1),
            rider("7", "Marie Anne", "DE LA TOUR", 2),
            rider("9", "Léa", "BERNARD", 4),
        }));
}

TEST(WebRiders, tableLayoutReadsFourCellsAtATime)
{
    const struct
    {
        QString html;
        QList<ImportedPerson> expected;
    } cases[] = {
        // Seven cells: one rider, the trailing three ignored.
        { cells({ "1", "21", "FR", "Jean DUPONT", "2", "22", "FR" }), { rider("21", "Jean", "DUPONT", 1) } },
        { cells({ "1", "21", "FR" }), {} },
        // A group without a bib or a name is skipped without a line; a repeated bib uses one.
        { cells({ "1", " ", "FR", "Nobody HERE", "2", "22", "FR", "&nbsp;", "3", "23", "FR", "Léa BERNARD",
              "4", "023", "FR", "Autre NOM", "5", "24", "FR", "<b>Paul</b>  MARTIN" }),
            { rider("23", "Léa", "BERNARD", 1), rider("24", "Paul", "MARTIN", 3) } },
        // The rows of the table body only, when there is one.
        { u8("<table><thead><tr>") + cells({ "N", "99", "X", "Tête LISTE" }) + u8("</tr></thead><tbody><tr>")
                + cells({ "1", "31", "FR", "Ana SILVA" }) + u8("</tr></tbody></table>"),
            { rider("31", "Ana", "SILVA", 1) } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebProgrammeParser::peopleFromTableLayout(c.html), c.expected) << c.html.toStdString();
    EXPECT_FALSE(WebProgrammeParser::tbody(cells({ "1" })));
}

TEST(WebRiders, snapshotFallsBackToTheTableLayout)
{
    const QString html
        = u8("<table><tbody><tr>") + cells({ "1", "5", "FR", "Jean DUPONT" }) + u8("</tr></tbody></table>");
    EXPECT_EQ(WebProgrammeParser::snapshot(html, QUrl(u8("https://s.test/x"))).people,
        (QList<ImportedPerson> { rider("5", "Jean", "DUPONT", 1) }));
}
