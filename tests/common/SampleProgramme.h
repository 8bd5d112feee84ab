#pragma once

#include "programme/ProgrammeDocument.h"

#include <QStringList>

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

} // namespace quavel::test
