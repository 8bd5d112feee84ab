#include "workspace/OrganizerFiles.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/NativeName.h"

#include <QFile>

#include <filesystem>
#include <sys/stat.h>

namespace quavel::OrganizerFiles {

bool exists(const QString& path)
{
    struct stat st
    {
    };
    return ::lstat(NativeName::encode(path).constData(), &st) == 0;
}

int makePath(const QString& path)
{
    std::error_code error;
    const std::filesystem::path p(NativeName::encode(path).toStdString());
    std::filesystem::create_directories(p, error);
    if (error)
        return error.value() ? error.value() : EIO;
    // create_directories accepts an existing folder only; anything else at the path is a failure.
    struct stat st
    {
    };
    if (::stat(p.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

void throwCreateFailure(const QString& path, int errnoValue)
{
    throw FileError(errnoValue,
        QStringLiteral("Impossible de créer le dossier « %1 » : %2")
            .arg(lastComponent(path), frenchDescription(errnoValue)));
}

QString lastComponent(const QString& path)
{
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == u'/')
        --end;
    const qsizetype slash = path.lastIndexOf(u'/', end - 1);
    return path.mid(slash + 1, end - slash - 1);
}

} // namespace quavel::OrganizerFiles
