#pragma once

#include "programme/ProgrammeDocument.h"

#include <QList>
#include <QStringList>

#include <utility>

namespace quavel::test {

// A programme as the picture tests show it: a Saturday with an empty class and a Grand Prix of 42
// riders (bibs 101 to 142, accents in the names), and a Sunday without classes.
inline ProgrammeDocument sampleProgramme()
{
    const QStringList last { "Dupont", "Martin", "Bernard", "Petit", "Durand", "Leroy", "Moreau", "Simon",
        "Laurent", "Lefèvre", "Michel", "Garcia", "David", "Bertrand", "Roux", "Vincent", "Fournier", "Morel",
        "Girard", "André", "Mercier", "Blanc", "Guérin", "Boyer", "Garnier", "Chevalier", "François",
        "Legrand", "Gauthier", "Perrin", "Robin", "Clément", "Morin", "Nicolas", "Henry", "Roussel",
        "Mathieu", "Gautier", "Masson", "Marchand", "Duval", "Denis" };
    const QStringList first { "Jeanne", "Lucas", "Chloé", "Hugo", "Léa", "Louis", "Manon", "Gabriel",
        "Camille", "Arthur", "Inès", "Jules", "Zoé", "Adam", "Lina", "Raphaël", "Ambre", "Léo", "Rose",
        "Nathan" };
    QList<ImportedPerson> riders;
    for (int i = 0; i < last.size(); ++i)
        riders.append(ImportedPerson { QString::number(101 + i), first[i % first.size()], last[i], i + 2 });
    const QString saturday = QStringLiteral("Samedi 12 septembre 2026");
    return ProgrammeDocument { QStringLiteral("Programme CSO Fontainebleau.pdf"),
        { ProgrammeDay { saturday,
              { ProgrammeEvent { saturday + QStringLiteral("|4|Amateur 1"),
                    QStringLiteral("Épreuve 4 — Amateur 1 1,15 m"), {} },
                  ProgrammeEvent { saturday + QStringLiteral("|5|Grand Prix"),
                      QStringLiteral("Épreuve 5 — Grand Prix 1,40 m"), riders } } },
            ProgrammeDay { QStringLiteral("Dimanche 13 septembre 2026"), {} } } };
}

// Forty (photo number, bib) rows of twelve photos each from 3413 for that programme: bib 412 is not in
// the start list, 108 is typed twice (once as "108 HC"), and 501 is left for a hand-typed rider.
inline QList<std::pair<QString, QString>> sampleRows()
{
    QList<std::pair<QString, QString>> rows;
    for (int i = 0; i < 40; ++i) {
        QString bib = QString::number(101 + i);
        if (i == 6)
            bib = QStringLiteral("412");
        if (i == 11)
            bib = QStringLiteral("108 HC");
        if (i == 15)
            bib = QStringLiteral("501");
        rows.append({ QString::number(3413 + i * 12), bib });
    }
    return rows;
}

} // namespace quavel::test
