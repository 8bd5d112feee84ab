#pragma once

#include "photo/originals/PhotoEditError.h"
#include "platform/files/RegularFile.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include <sys/stat.h>

namespace quavel {

// ".quavel-originals" beside a photo and the two files it keeps for it: the original under the photo's
// name, the journal under that name with ".edits.json" appended. Nothing there is ever reached through a
// link: the folder is opened below the photo's folder with O_NOFOLLOW, its files through the folder's
// descriptor as RegularFiles that refuse links (never blocking, checked to be regular files before a
// byte is read), and every write goes through the folder's descriptor. Anything else standing at one of
// these names (a link, a FIFO, a device, a socket, a file in place of the folder) is foreign: the edits
// of the photo are refused with a message naming it, and it is left exactly as it is. The photo itself
// may be a link in its own folder (it is then read through it and replaced when edited, as any photo).
//
// Each object holds its descriptors and closes them when it goes; callable from any thread.
class OriginalsFolder
{
public:
    // What stands at a name of the folder.
    enum class Entry {
        none,
        emptyFile, // a regular file of 0 bytes: no original (what a copy killed midway may leave)
        file, // a regular file
        foreign, // anything else, a link included
    };

    // The journal's name is the photo's with ".edits.json" (11 bytes) appended; a file name has at most
    // 255 bytes.
    static constexpr qsizetype maxPhotoNameBytes = 244;

    ~OriginalsFolder();
    OriginalsFolder(OriginalsFolder&& other) noexcept;
    OriginalsFolder& operator=(OriginalsFolder&& other) = delete;
    OriginalsFolder(const OriginalsFolder&) = delete;
    OriginalsFolder& operator=(const OriginalsFolder&) = delete;

    // The photo's folder, to read from: isOpen() is false when it has none. Throws PhotoEditError
    // (foreignOriginalsFolder) when something else than a folder stands at its name, FileError when it
    // cannot be opened.
    static OriginalsFolder open(const QString& photoPath);

    // The same for an edit, which writes there: a photo whose journal name would pass 255 bytes is
    // refused (PhotoEditError nameTooLong) before anything is looked at, and with create the folder is
    // made when missing, and flushed into the photo's folder (FileError when it cannot be).
    static OriginalsFolder openForEdit(const QString& photoPath, bool create);

    // Removes the photo's ".quavel-originals" when it is an empty folder (a failed write that made it
    // leaves nothing behind); anything else there stays.
    static void removeIfEmpty(const QString& photoPath);

    // Tests: called by openFile() between its look at the entry and its open, with the folder's
    // descriptor and the entry's name. Process-wide; an empty function removes it.
    static void setBeforeOpenHookForTesting(std::function<void(int folderFd, const QByteArray& name)> hook);

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // The photo's file name, as messages show it.
    const QString& photoName() const { return m_photoName; }
    // The names of its two files in the folder.
    const QByteArray& originalName() const { return m_original; }
    QByteArray journalName() const { return m_original + ".edits.json"; }

    // Nothing when the folder is missing.
    Entry entry(const QByteArray& name) const;

    // Throws PhotoEditError (foreignOriginal, foreignJournal) when either of the photo's two names holds
    // something foreign.
    void refuseForeign() const;

    // The regular file standing at name, opened for reading; absent when nothing (or no folder) is
    // there. Throws PhotoEditError `foreign` (naming the photo) when something else stands there, and
    // FileError when it cannot be opened.
    std::optional<RegularFile> openFile(const QByteArray& name, PhotoEditError::Kind foreign) const;

private:
    OriginalsFolder(const QString& photoPath);

    int m_fd = -1;
    QString m_photoName;
    QByteArray m_original;
};

} // namespace quavel
