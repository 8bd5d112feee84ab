#include "programme/ProgrammeLimits.h"

#include "programme/ImportError.h"
#include "programme/ProgrammeDocument.h"

namespace quavel::ProgrammeLimits {

qsizetype riderCount(const ProgrammeDocument& document)
{
    qsizetype count = 0;
    for (const ProgrammeDay& day : document.days)
        for (const ProgrammeEvent& event : day.events)
            count += event.people.size();
    return count;
}

void checkRiderCount(qsizetype count)
{
    if (count > maximumRiders)
        throw ImportError::unreadable();
}

} // namespace quavel::ProgrammeLimits
