// PhotoOrganizer::createEmptyRiderFolders: one empty folder per named rider.
#include "workspace/PhotoOrganizer.h"

#include "platform/files/NativeName.h"
#include "programme/FileNameSanitizer.h"
#include "workspace/FolderNameKey.h"
#include "workspace/OrganizerFiles.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace quavel::PhotoOrganizer {

using namespace OrganizerFiles;

namespace {

// Keys of the destination's visible entries; an unreadable folder counts as empty.
QSet<QString> existingKeys(const QString& destination)
{
    QSet<QString> keys;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(
        ::opendir(NativeName::encode(destination).constData()), &::closedir);
    if (!dir)
        return keys;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (entry->d_name[0] == '.')
            continue;
        keys.insert(FolderNameKey::key(NativeName::decode(entry->d_name)));
    }
    return keys;
}

QString unlessOne(int n, const char* suffix)
{
    return n == 1 ? QString() : QString::fromUtf8(suffix);
}

} // namespace

OrganizerReport createEmptyRiderFolders(const QList<ImportedPerson>& people, const QString& destination)
{
    if (const int e = makePath(destination))
        throwCreateFailure(destination, e);

    QSet<QString> existing = existingKeys(destination);
    int created = 0;
    int alreadyPresent = 0;
    int withoutName = 0;
    int failed = 0;
    QSet<QString> seen;
    OrganizerReport report;

    for (const ImportedPerson& person : people) {
        const QString formatted = person.formattedName();
        if (formatted.isEmpty()) {
            ++withoutName;
            continue;
        }
        const QString sanitized = FileNameSanitizer::sanitize(formatted);
        if (sanitized.isEmpty())
            continue;
        // The one safe folder name: never "", "." or "..", never a control character.
        const QString name = FileNameSanitizer::riderFolderName(sanitized, person.canonicalNumber);
        const QString key = FolderNameKey::key(name);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        if (existing.contains(key)) {
            ++alreadyPresent;
            continue;
        }
        const QString folder = destination + u'/' + name;
        if (exists(folder)) {
            ++alreadyPresent;
            continue;
        }
        if (::mkdir(NativeName::encode(folder).constData(), 0777) == 0) {
            ++created;
            existing.insert(key);
        } else if (exists(folder)) {
            ++alreadyPresent;
        } else {
            ++failed;
            report.messages.append(QStringLiteral("Impossible de créer « ") + name + QStringLiteral(" »"));
        }
    }

    if (created > 0)
        report.messages.append(QString::number(created) + QStringLiteral(" dossier") + unlessOne(created, "s")
            + QStringLiteral(" NOM PRENOM créé") + unlessOne(created, "s"));
    if (alreadyPresent > 0)
        report.messages.append(QString::number(alreadyPresent) + QStringLiteral(" déjà présent")
            + unlessOne(alreadyPresent, "s") + QStringLiteral(" — ignoré") + unlessOne(alreadyPresent, "s")
            + QStringLiteral(", contenu conservé"));
    if (withoutName > 0)
        report.messages.append(QString::number(withoutName) + QStringLiteral(" cavalier")
            + unlessOne(withoutName, "s") + QStringLiteral(" sans nom ignoré") + unlessOne(withoutName, "s"));
    if (created == 0 && alreadyPresent == 0 && withoutName == 0 && failed == 0)
        report.messages.append(QStringLiteral("Aucun cavalier exploitable dans ce programme."));

    if (created >= 1)
        report.headline = QString::number(created) + QStringLiteral(" dossier") + unlessOne(created, "s")
            + QStringLiteral(" vide") + unlessOne(created, "s") + QStringLiteral(" créé")
            + unlessOne(created, "s");
    else if (alreadyPresent >= 1)
        report.headline = QStringLiteral("Tous les dossiers étaient déjà présents (%1)").arg(alreadyPresent);
    else
        report.headline = QStringLiteral("Aucun dossier créé");

    report.copied = 0;
    report.folders = created;
    report.skipped = withoutName + alreadyPresent + failed;
    return report;
}

} // namespace quavel::PhotoOrganizer
