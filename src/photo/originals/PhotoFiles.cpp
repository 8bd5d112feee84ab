#include "photo/originals/PhotoFiles.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/NativeName.h"
#include "platform/files/SafeCopy.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::PhotoFiles {

namespace {

[[noreturn]] void fail(int e)
{
    throw FileError(e, frenchDescription(e));
}

void check(int e)
{
    if (e != 0)
        fail(e);
}

// The new file in target's folder, written by content, given the mode to keep (none for a copy that
// carries its own), flushed, then moved over target in one rename.
void replaceWith(const QString& target, const Content& content, const struct stat* keepMode,
    const std::function<void()>& beforeRename = {})
{
    const QFileInfo info(NativeName::absolute(target));
    const QString folder = info.absolutePath();
    removeLeftovers(folder);
    UnnamedFile file;
    check(file.open(folder, 0666));
    content(file.fd(), file.path());
    if (keepMode)
        check(SafeCopy::copyMode(file.fd(), keepMode->st_mode));
    if (beforeRename)
        beforeRename();
    check(file.replace(info.fileName(), UnnamedFile::Sync::now));
}

// The mode of the photo being replaced (a link is followed: the photo it stands for).
std::optional<struct stat> photoStatus(const QString& target)
{
    struct stat st
    {
    };
    if (::stat(NativeName::encode(target).constData(), &st) == 0 && S_ISREG(st.st_mode))
        return st;
    return std::nullopt;
}

// ".<UUID>.<ext>": "." + an upper-case UUID + "." + lower-case letters and digits.
bool isUuidSibling(QStringView name)
{
    if (name.size() < 39 || name[0] != u'.' || name[37] != u'.')
        return false;
    for (qsizetype i = 0; i < 36; ++i) {
        const char16_t c = name[1 + i].unicode();
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != u'-')
                return false;
        } else if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) {
            return false;
        }
    }
    for (qsizetype i = 38; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

} // namespace

void replace(const QString& target, const Content& content, const std::function<void()>& beforeRename)
{
    const std::optional<struct stat> existing = photoStatus(target);
    replaceWith(target, content, existing ? &*existing : nullptr, beforeRename);
}

void replaceWithBytes(const QString& target, const QByteArray& bytes)
{
    replace(target, [&](int fd, const QString&) {
        check(SafeCopy::writeAll(fd, bytes.constData(), size_t(bytes.size())));
    });
}

void replaceWithCopy(const QString& target, const QString& source)
{
    const SafeCopy::Source in(source);
    check(in.error());
    replaceWithCopy(target, in.fd(), in.status());
}

void replaceWithCopy(const QString& target, int sourceFd, const struct stat& sourceStatus)
{
    replaceWith(
        target,
        [&](int out, const QString&) {
            check(SafeCopy::copyContent(sourceFd, out));
            check(SafeCopy::copyAttributes(out, sourceStatus));
        },
        nullptr);
}

void copyNoReplace(const QString& source, const QString& target)
{
    const QFileInfo info(NativeName::absolute(target));
    const int folder
        = ::open(NativeName::encode(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        fail(errno);
    try {
        copyNoReplace(source, folder, info.fileName());
    } catch (...) {
        ::close(folder);
        throw;
    }
    ::close(folder);
}

void copyNoReplace(const QString& source, int folderFd, const QString& name)
{
    TemporarySweep::sweepFolderAt(folderFd, &UnnamedFile::isTemporaryName);
    const SafeCopy::Source in(source);
    check(in.error());
    // Complete and flushed before it has its name, which it takes without ever replacing one: an
    // original is either whole or absent.
    UnnamedFile file;
    check(file.openAt(folderFd, 0600));
    check(SafeCopy::copyContent(in.fd(), file.fd()));
    check(SafeCopy::copyAttributes(file.fd(), in.status()));
    check(file.publish(name, UnnamedFile::Sync::now));
}

bool isTemporaryName(QStringView name)
{
    return TemporarySweep::isTemporaryName(name) || isUuidSibling(name);
}

int removeLeftovers(const QString& folder)
{
    return TemporarySweep::sweepFolder(folder, &isTemporaryName);
}

bool isPhotoFolderTemporary(QStringView name)
{
    return isTemporaryName(name) || UnnamedFile::isTemporaryName(name);
}

void addSweepRules(const QString& photoFolder)
{
    const QString folder = NativeName::absolute(photoFolder);
    TemporarySweep::add({ folder, &isPhotoFolderTemporary });
    TemporarySweep::add({ folder + QStringLiteral("/.quavel-originals"), &isOriginalsTemporary, false });
}

bool isOriginalsTemporary(QStringView name)
{
    // Earlier versions wrote journals through "<journal>.tmp-XXXXXX"; only a journal's name is taken
    // for one of those, never an original whose photo happens to be named that way.
    const bool oldJournalTemporary = TemporarySweep::isAtomicFileTemporary(name)
        && name.first(name.size() - 11).endsWith(QLatin1String(".edits.json"));
    return UnnamedFile::isTemporaryName(name) || isUuidSibling(name) || oldJournalTemporary;
}

} // namespace quavel::PhotoFiles
