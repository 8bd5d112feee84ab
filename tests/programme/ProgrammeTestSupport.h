#pragma once

#include "common/TestSupport.h"
#include "programme/ImportedPerson.h"

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

} // namespace quavel
