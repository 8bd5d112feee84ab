#pragma once

#include "common/TestSupport.h"
#include "programme/ImportedPerson.h"
#include "programme/ProgrammeDay.h"

#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure messages for the Qt and programme values the tests compare.
namespace quavel {

inline void PrintTo(const ImportedPerson& p, std::ostream* os)
{
    *os << p.canonicalNumber.toStdString() << " (" << p.firstName.toStdString() << ", "
        << p.lastName.toStdString() << ") @" << p.sourceLine;
}

// The canonical numbers of the people, and the titles of a day's events, in their order.
inline QStringList numbers(const QList<ImportedPerson>& people)
{
    QStringList out;
    for (const auto& p : people)
        out.append(p.canonicalNumber);
    return out;
}
inline QStringList titles(const ProgrammeDay& day)
{
    QStringList out;
    for (const ProgrammeEvent& e : day.events)
        out.append(e.title);
    return out;
}

} // namespace quavel
