#pragma once

#include <QString>

namespace quavel {

// The rule that keeps a user's file the application could not read: a library, settings, favourites or
// journal file that exists but cannot be read or decoded is moved aside as
// "<name>.unreadable-<UTC time>" (AtomicFile::setAside, never replacing anything) before the first write
// that would replace it, and is never written over while it cannot be moved. A keeper of a file holds
// one of these for it: it marks the file when a read of it fails, and asks before each write; a write
// refused now is allowed again once the file could be moved, so the keeper simply tries again at its
// next write.
//
// One object belongs to one thread at a time (or to its keeper's lock).
class SetAside
{
public:
    // The file at `path`.
    explicit SetAside(QString path);
    // The entry `name` of a folder already open (the descriptor stays the caller's and must stay open
    // while this object is used): the entry itself, never what a link there points to.
    SetAside(int folderFd, QString name);

    // A read of the file failed (it could not be read or did not decode): whatever stands at its name now
    // goes aside before the next write. Nothing is marked when nothing stands there.
    void markUnreadable();

    // Before each write: moves a marked file aside. True when the write may go on; false while a marked
    // file still stands there (it stays marked): nothing may be written over it.
    bool mayWrite();

    bool isMarked() const { return m_marked; }

private:
    bool present() const;

    QString m_path;
    int m_folderFd = -1;
    QString m_name;
    bool m_marked = false;
};

} // namespace quavel
