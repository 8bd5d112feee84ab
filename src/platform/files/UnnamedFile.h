#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>

#include <sys/types.h>

// The one way the application makes a file safely (copies, original backups, photo rewrites, saves): a
// new file written in a folder where no name shows it until it is complete. Where the file system has
// unnamed files (O_TMPFILE: ext4, xfs, btrfs, tmpfs…) it has no name at all while written; elsewhere
// (FAT, exFAT, NTFS and most network or FUSE file systems) it is written under the hidden temporary name
// of TemporarySweep::temporaryName() (the same short name whatever the final one), locked as
// TemporarySweep describes so that a sweep of the folder removes it once its writer is gone.
//
// publish() gives it its final name without ever replacing anything, by the best means the file system
// has: linkat(2) of the unnamed file; renameat2(2) with RENAME_NOREPLACE; link(2) then unlink(2) of the
// hidden name; last, the exclusive creation of the final name (O_EXCL) and one rename(2) of the
// complete file over that empty placeholder. The placeholder is recorded before it is created
// (PlaceholderRecord), locked, then marked (TemporarySweep::isPlaceholder): the one a killed writer
// leaves is removed by the sweeps of its folder (removeLeftovers) whenever the kill fell, and once
// marked it is also taken over by the next file given that name. replace() gives it its name by one
// rename(2) over whatever has it (a link there is replaced, never written through). Either way the name
// is taken in the folder the file was opened in, through a descriptor of it, whatever links stand on
// the way to that folder by then. An object that never got its name removes its file when destroyed.
//
// One object belongs to one thread at a time; different objects may be used from any threads.
namespace quavel {

class UnnamedFile
{
public:
    // How the file got (or is to get) its name, from the most to the least capable.
    enum class Method {
        unnamedLink, // O_TMPFILE + linkat
        noReplaceRename, // hidden name + renameat2(RENAME_NOREPLACE)
        linkThenUnlink, // hidden name + link + unlink
        placeholderRename, // hidden name + O_EXCL placeholder + rename
    };

    // Whether naming the file makes it last: with `now`, the content is flushed (fsync) before the file
    // has its name and the folder after, so that a power cut leaves either no file or the whole one
    // under its name; with `later` the caller flushes (one syncfs after a run of copies).
    enum class Sync { later, now };

    UnnamedFile() = default;
    ~UnnamedFile();
    UnnamedFile(UnnamedFile&& other) noexcept;
    UnnamedFile& operator=(UnnamedFile&& other) noexcept;
    UnnamedFile(const UnnamedFile&) = delete;
    UnnamedFile& operator=(const UnnamedFile&) = delete;

    // Opens a new file for reading and writing in `folder`, with permission bits `mode` (less the
    // umask). 0, or the errno value of the failure (ENOENT for a missing folder, EACCES, ENOSPC…).
    int open(const QString& folder, mode_t mode = 0600);
    // The same in a folder already open (the descriptor is duplicated; the caller keeps its own).
    int openAt(int folderFd, mode_t mode = 0600);

    bool isOpen() const { return m_fd >= 0; }
    // The descriptor to write through; -1 when not open. Closed by publish, replace and discard.
    int fd() const { return m_fd; }
    // A path that opens this very file, for writers that only take a file name: its entry in
    // /proc/self/fd, or (without /proc, for a file opened by its folder's path) its hidden name's path.
    QString path() const;
    // The hidden name while there is one (empty for an unnamed file).
    const QString& temporaryName() const { return m_temporaryName; }
    Method method() const { return m_method; }

    // Gives the file `name` (a name in its folder, no slash) unless something already has that name:
    // 0, EEXIST when the name is taken (the file stays open and may be given another name), or the
    // errno value of another failure (the file is then removed). On success the file is closed; a
    // failure to close, or with Sync::now to flush the folder, removes the new name again and is reported.
    int publish(const QString& name, Sync sync = Sync::later);
    // Gives the file `name`, replacing what has it by one rename(2). 0 or the errno value (the file is
    // removed on failure, and what had the name is left as it was; but a failed flush of the folder
    // after the rename is reported with the file under its name); closed either way once renamed.
    int replace(const QString& name, Sync sync = Sync::later);
    // Removes the file and closes it; nothing happens when it is not open.
    void discard();

    // Gives the entry `from` of a folder already open the name `to` there, never replacing anything, by
    // the means publish() would use for a hidden file (the entry itself moves, never what a link there
    // points to). 0, EEXIST when `to` is taken, or the errno value of another failure (`from` is then
    // left as it was).
    static int renameNoReplace(int folderFd, const QByteArray& from, const QByteArray& to);

    // The hidden names this writer's files have had (the last path component only): today's
    // (TemporarySweep::isTemporaryName) and the ".quavel-partial-" ones of earlier versions.
    static bool isTemporaryName(QStringView name);
    // Removes the hidden files of dead writers in `folder`; returns how many went.
    static int removeLeftovers(const QString& folder);

    // Tests: the methods before `first` are treated as missing on every file system, so that the
    // fallbacks run on a file system that has it all. Process-wide; reset with Method::unnamedLink.
    static void startFromForTesting(Method first);
    // The moments of the last way at which a test may kill the process: the placeholder holds the final
    // name, created and locked but not marked yet; then marked, before the file is renamed over it.
    enum class PlaceholderStep { created, marked };
    // Tests: called at each step while a placeholder holds the final name. Process-wide; an empty
    // function removes it.
    static void setPlaceholderHookForTesting(std::function<void(PlaceholderStep)> hook);

private:
    int openIn(mode_t mode);
    int openHidden(mode_t mode);
    int nameHidden();
    int flush(Sync sync);
    // What a failed flush or close does to a file that has just taken `name`.
    enum class Failure {
        removesName, // the name was free: it is freed again
        keepsName, // the file replaced what had the name: it stays
    };
    // The tail of publish() and replace(), once the file has `name`: the hidden name is forgotten, the
    // folder flushed with Sync::now, the file and the folder closed. 0, or the errno value of the
    // first failure.
    int finish(const QByteArray& name, Sync sync, Failure failure);
    int close();

    int m_dir = -1;
    int m_fd = -1;
    QString m_folder;
    QString m_temporaryName;
    QByteArray m_temporary;
    Method m_method = Method::unnamedLink;
};

} // namespace quavel
