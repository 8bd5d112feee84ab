#include "workspace/PreviewRows.h"

#include "library/AssignedNumber.h"
#include "library/PhotoNumber.h"
#include "platform/text/Text.h"

#include <QHash>

namespace quavel::PreviewRows {

namespace {

template <typename KeyOf> QSet<QString> repeatedKeys(const QList<RowRecord>& rows, KeyOf keyOf)
{
    QHash<QString, int> counts;
    counts.reserve(rows.size());
    QSet<QString> repeated;
    for (const RowRecord& row : rows)
        if (const std::optional<QString> key = keyOf(row))
            if (++counts[*key] == 2)
                repeated.insert(*key);
    return repeated;
}

QString plural(bool when)
{
    return when ? QStringLiteral("s") : QString();
}

bool isDuplicate(const PreviewRow& line)
{
    return line.duplicateAssigned || line.duplicatePhoto;
}

} // namespace

std::optional<QString> photoKey(const QString& photoNumber)
{
    const QString trimmed = text::trimWhitespaceAndNewlines(photoNumber);
    if (trimmed.isEmpty())
        return std::nullopt;
    if (const auto number = PhotoNumber::parse(trimmed))
        return text::lower(number->prefix) + u'|' + QString::number(number->value);
    return text::lower(trimmed);
}

QSet<QString> duplicateAssigned(const QList<RowRecord>& rows)
{
    return repeatedKeys(
        rows, [](const RowRecord& row) { return AssignedNumber::canonical(row.assignedNumber); });
}

QSet<QString> duplicatePhotos(const QList<RowRecord>& rows)
{
    return repeatedKeys(rows, [](const RowRecord& row) { return photoKey(row.photoNumber); });
}

bool canDelete(const QList<RowRecord>& rows, const PreviewRow& line)
{
    if (rows.size() < 2)
        return false;
    if (!line.isBlank)
        return true;
    return line.id != rows.last().id;
}

LineStatus lineStatus(const PreviewRow& line)
{
    if (line.isBlank)
        return LineStatus::clear;
    if (isDuplicate(line))
        return LineStatus::duplicate;
    if (line.hasName)
        return LineStatus::clear;
    return LineStatus::unmatched;
}

bool showsNoMatchMark(const PreviewRow& line)
{
    return !line.isBlank && !line.hasName;
}

bool showsDuplicateMark(const PreviewRow& line)
{
    return isDuplicate(line);
}

QString duplicateHelp(const PreviewRow& line)
{
    if (line.duplicateAssigned && line.duplicatePhoto)
        return QStringLiteral("N° attribué et n° photo en doublon");
    if (line.duplicateAssigned)
        return QStringLiteral("N° attribué en doublon");
    if (line.duplicatePhoto)
        return QStringLiteral("N° photo en doublon");
    return QString();
}

bool showsTransferCheck(const PreviewRow& line)
{
    return !line.isBlank && line.hasName && !isDuplicate(line) && line.filesTransferred;
}

int issueCount(const QList<PreviewRow>& rows)
{
    int count = 0;
    for (const PreviewRow& line : rows)
        if (!line.isBlank && (!line.hasName || isDuplicate(line)))
            ++count;
    return count;
}

QString issueHelp(const QList<PreviewRow>& rows)
{
    int nameless = 0;
    int duplicates = 0;
    for (const PreviewRow& line : rows) {
        if (!line.isBlank && !line.hasName)
            ++nameless;
        if (isDuplicate(line))
            ++duplicates;
    }
    QStringList pieces;
    if (nameless > 0)
        pieces.append(QString::number(nameless) + QStringLiteral(" sans correspondance"));
    if (duplicates > 0)
        pieces.append(QString::number(duplicates) + QStringLiteral(" numéro") + plural(duplicates != 1)
            + QStringLiteral(" en doublon"));
    const int count = issueCount(rows);
    QString help = QString::number(count) + QStringLiteral(" erreur") + plural(count >= 2);
    if (!pieces.isEmpty())
        help += QStringLiteral(" : ") + pieces.join(QStringLiteral(", "));
    return help;
}

QString summaryLine(bool programmeLoaded, bool eventChosen, int riderCount, const QList<PreviewRow>& rows)
{
    if (!programmeLoaded)
        return QStringLiteral("Importez le programme (fichier ou page internet), puis choisissez le jour et "
                              "l’épreuve.");
    if (!eventChosen)
        return QStringLiteral("Choisissez le jour, puis l’épreuve pour afficher les cavaliers.");
    int matched = 0;
    int nameless = 0;
    int duplicates = 0;
    for (const PreviewRow& line : rows) {
        if (!line.isBlank && line.hasName)
            ++matched;
        if (!line.isBlank && !line.hasName)
            ++nameless;
        if (isDuplicate(line))
            ++duplicates;
    }
    QString summary = QString::number(riderCount) + QStringLiteral(" cavalier") + plural(riderCount > 1)
        + QStringLiteral(" dans l’épreuve · ") + QString::number(matched) + QStringLiteral(" correspondance")
        + plural(matched > 1);
    if (nameless > 0)
        summary += QStringLiteral(" · ") + QString::number(nameless) + QStringLiteral(" sans nom");
    if (duplicates > 0)
        summary += QStringLiteral(" · ") + QString::number(duplicates) + QStringLiteral(" doublon")
            + plural(duplicates != 1);
    return summary;
}

} // namespace quavel::PreviewRows
