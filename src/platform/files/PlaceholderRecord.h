#pragma once

#include <QByteArray>
#include <QStringView>

// The note a writer without links or RENAME_NOREPLACE (FAT, exFAT) leaves in a folder before it creates
// the empty placeholder that holds a final name (UnnamedFile's last way), and removes once its complete
// file has that name or the placeholder has gone. Between its creation and its mark
// (TemporarySweep::markPlaceholder) a placeholder is an ordinary empty file, for up to a millisecond or
// more on a FUSE file system: the record is what tells the one a writer killed in that gap from a user's
// empty file, so that no unknown empty file is left under a final name.
//
// A record is the hidden file ".quavel-placeholder-" and twelve random lower-case letters or digits (the
// listings and the folder watcher pass over hidden names; no sweep's name test takes it for a plain
// temporary), holding "quavel-placeholder 1\n" and the final name's bytes. Its writer creates it
// exclusively, locks it as every temporary file is locked (TemporarySweep::lockCreated) and writes it
// whole before the placeholder is created, so that after a kill the record is there whenever the
// placeholder is (the kernel keeps what a killed process wrote).
//
// One object belongs to one thread at a time.
namespace quavel {

class PlaceholderRecord
{
public:
    PlaceholderRecord() = default;
    // Removes the record.
    ~PlaceholderRecord();
    PlaceholderRecord(const PlaceholderRecord&) = delete;
    PlaceholderRecord& operator=(const PlaceholderRecord&) = delete;

    // Records `name` in the folder open as folderFd (any descriptor of it, a path-only one included; it
    // must stay open until remove). 0, or the errno value of the failure (nothing is left then).
    int write(int folderFd, const QByteArray& name);
    // Removes the record, then drops its lock: its writer is done with the name.
    void remove();

    // True for exactly the names of records.
    static bool isRecordName(QStringView name);

    // The sweeps' side, for the record `recordName` in the folder open as folderFd: when its writer is gone
    // (its lock is free), removes the file it names if that is still an empty regular file its writer left
    // (marked, or last modified within seconds of the record: never a file put there later, never a
    // photo), then the record. Returns how many files went.
    static int removeAbandoned(int folderFd, const char* recordName);

private:
    int m_folder = -1; // not owned
    int m_fd = -1;
    QByteArray m_name;
};

} // namespace quavel
