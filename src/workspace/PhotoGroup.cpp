#include "workspace/PhotoGroup.h"

#include "library/AssignedNumber.h"
#include "platform/text/Text.h"
#include "programme/FileNameSanitizer.h"

namespace quavel {

QString PhotoGroup::folderName() const
{
    if (person)
        return FileNameSanitizer::riderFolderName(*person);
    const QString bib = AssignedNumber::canonical(row.assignedNumber)
                            .value_or(text::trimWhitespaceAndNewlines(row.assignedNumber));
    return FileNameSanitizer::riderFolderName(FileNameSanitizer::sanitize(bib), bib);
}

QString PhotoGroup::rangeLabel() const
{
    if (endExclusive)
        return start.formatted() + QStringLiteral(" → avant ") + endExclusive->formatted();
    return start.formatted() + QStringLiteral(" → fin du dossier");
}

QString PhotoGroup::label() const
{
    if (person)
        return person->displayName();
    return folderName() + QStringLiteral(" (sans nom dans le programme)");
}

} // namespace quavel
