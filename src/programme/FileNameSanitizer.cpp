#include "programme/FileNameSanitizer.h"

#include "programme/ImportedPerson.h"

#include "platform/text/Regex.h"
#include "platform/text/Text.h"

namespace quavel::FileNameSanitizer {

namespace {

// The longest file name ext4 and most Linux file systems accept, in bytes.
constexpr qsizetype maximumNameBytes = 255;

QString withoutControls(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            out.append(c);
    return out;
}

bool isUsable(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (QChar c : name)
        if (c != u'.')
            return true;
    return false;
}

// Cut at a grapheme boundary so that no character (nor an accent from its letter) is split.
QString cutToMaximumBytes(const QString& name)
{
    if (name.toUtf8().size() <= maximumNameBytes)
        return name;
    QString out;
    qsizetype bytes = 0;
    for (const QString& g : text::graphemes(name)) {
        const qsizetype size = g.toUtf8().size();
        if (bytes + size > maximumNameBytes)
            break;
        out += g;
        bytes += size;
    }
    return text::trimWhitespaceAndNewlines(out);
}

// Sanitised first, so that tabs and line ends become blanks as sanitize makes them; the controls left
// are removed and the blanks around them collapsed again (sanitize is idempotent on ordinary names).
QString safeComponent(QStringView text)
{
    return sanitize(withoutControls(sanitize(text)));
}

} // namespace

QString sanitize(QStringView text)
{
    static const QString forbidden = QStringLiteral("/:\\?%*|\"<>");
    QString replaced = text.toString();
    for (QChar& c : replaced)
        if (forbidden.contains(c))
            c = u' ';
    static const Regex runs(QStringLiteral("\\s+"));
    return text::trimWhitespaceAndNewlines(runs.replaceAll(replaced, QStringLiteral(" ")));
}

QString riderFolderName(QStringView name, QStringView canonicalNumber)
{
    QString result = safeComponent(name);
    if (!isUsable(result))
        result = safeComponent(canonicalNumber);
    if (!isUsable(result))
        result = QStringLiteral("Sans nom");
    result = cutToMaximumBytes(result);
    // A long run of dots before the first other character can leave only dots after the cut.
    return isUsable(result) ? result : QStringLiteral("Sans nom");
}

QString riderFolderName(const ImportedPerson& person)
{
    return riderFolderName(person.folderName(), person.canonicalNumber);
}

} // namespace quavel::FileNameSanitizer
