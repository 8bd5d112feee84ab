#include "library/AppSupport.h"

#include "platform/UserDefaults.h"
#include "platform/files/NativeName.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

namespace quavel::AppSupport {

namespace {

QString dataHome()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base);
}

QString ensure(const QString& path)
{
    QDir().mkpath(path);
    return path;
}

// A plain existence test that follows links: a folder counts, a dangling link does not.
bool exists(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(NativeName::encode(path).constData(), &st) == 0;
}

std::optional<QString> existingIn(const QString& dir)
{
    for (const QString& name : programmeFileNames()) {
        const QString candidate = dir + u'/' + name;
        if (exists(candidate))
            return candidate;
    }
    return std::nullopt;
}

void removeIn(const QString& dir)
{
    for (const QString& name : programmeFileNames()) {
        const QString candidate = dir + u'/' + name;
        if (!exists(candidate))
            continue;
        const QByteArray path = NativeName::encode(candidate);
        // A folder of that name is removed too (best effort, failures ignored).
        if (::unlink(path.constData()) != 0)
            QDir(candidate).removeRecursively();
    }
}

} // namespace

const QStringList& programmeFileNames()
{
    static const QStringList names { QStringLiteral("programme.pdf"), QStringLiteral("programme.xlsx"),
        QStringLiteral("programme.xlsm") };
    return names;
}

QString folder()
{
    return ensure(dataHome() + QStringLiteral("/QUAVEL"));
}

QString riderFoldersFolder()
{
    return ensure(folder() + QStringLiteral("/RiderFolders"));
}

QString ordersFolder()
{
    return ensure(folder() + QStringLiteral("/Orders"));
}

std::optional<QString> existingProgrammeFile()
{
    return existingIn(folder());
}

void removeProgrammeFiles()
{
    removeIn(folder());
}

std::optional<QString> existingRiderProgrammeFile()
{
    return existingIn(riderFoldersFolder());
}

void removeRiderProgrammeFiles()
{
    removeIn(riderFoldersFolder());
}

void registerTemporaryFiles()
{
    for (const QString& own : { folder(), riderFoldersFolder(), ordersFolder() }) {
        TemporarySweep::add({ own, &UnnamedFile::isTemporaryName });
        TemporarySweep::add({ own, &TemporarySweep::isAtomicFileTemporary });
    }
    const QString config = QFileInfo(UserDefaults::standardPath()).absolutePath();
    TemporarySweep::add({ config, &TemporarySweep::isTemporaryName });
    TemporarySweep::add({ config, &TemporarySweep::isAtomicFileTemporary });
}

} // namespace quavel::AppSupport
