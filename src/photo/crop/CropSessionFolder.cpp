#include "photo/crop/CropSessionFolder.h"

#include "platform/UuidText.h"
#include "platform/files/NativeName.h"
#include "platform/files/SafeCopy.h"
#include "platform/files/TemporarySweep.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::CropSessionFolder {

namespace {

QString cacheHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    // A relative value is invalid by the base-directory rules and is ignored.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.cache");
}

} // namespace

QString path()
{
    return QDir::cleanPath(cacheHome() + QStringLiteral("/QUAVEL/quavel-crop-session"));
}

std::optional<QString> ensure()
{
    const QString folder = path();
    const QByteArray native = NativeName::encode(folder);
    if (!QDir().mkpath(QFileInfo(folder).absolutePath()))
        return std::nullopt;
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    // Opened without following a link: the copies go into this very folder or nowhere.
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st
    {
    };
    bool ok = ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid();
    if (ok && (st.st_mode & 07777) != 0700)
        ok = ::fchmod(fd, 0700) == 0;
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return folder;
}

std::optional<QString> makeCopy(const QString& source)
{
    return makeCopy(source, source);
}

std::optional<QString> makeCopy(const QString& source, const QString& named)
{
    const auto folder = ensure();
    if (!folder)
        return std::nullopt;
    const QString name = uuidText(QUuid::createUuid()) + QLatin1Char('.') + QFileInfo(named).suffix();
    const QString target = *folder + QLatin1Char('/') + name;
    if (SafeCopy::tryCopyFile(source, target) != 0)
        return std::nullopt;
    return target;
}

bool isSessionCopyName(QStringView name)
{
    constexpr qsizetype uuidLength = 36;
    if (name.size() <= uuidLength || name[uuidLength] != u'.' || name.contains(u'/'))
        return false;
    const QStringView id = name.first(uuidLength);
    const auto uuid = parseUuid(id);
    return uuid && uuidText(*uuid) == id;
}

void registerTemporaryFiles()
{
    TemporarySweep::add({ path(), &isSessionCopyName });
}

} // namespace quavel::CropSessionFolder
