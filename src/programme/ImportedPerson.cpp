#include "programme/ImportedPerson.h"

#include "programme/FileNameSanitizer.h"

#include "platform/text/Text.h"

#include <QStringList>

namespace quavel {

QString ImportedPerson::formattedName() const
{
    QStringList parts;
    for (const QString& part : { lastName, firstName }) {
        const QString t = text::upperFrench(text::trimWhitespaceAndNewlines(part));
        if (!t.isEmpty())
            parts.append(t);
    }
    return parts.join(u' ');
}

QString ImportedPerson::displayName() const
{
    const QString name = formattedName();
    return name.isEmpty() ? QStringLiteral("N° ") + canonicalNumber : name;
}

QString ImportedPerson::folderName() const
{
    const QString name = formattedName();
    return name.isEmpty() ? canonicalNumber : FileNameSanitizer::sanitize(name);
}

} // namespace quavel
