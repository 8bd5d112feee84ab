#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <sys/stat.h>

#include <chrono>
#include <functional>

// The application's own temporary files: the lock that tells a living writer's file from one left by a
// killed process, and the table of (folder, name test) the start-up sweep walks.
//
// Every writer of a temporary name takes an exclusive flock(2) on it right after creating it and keeps
// the descriptor open until the file has its final name or is removed (the kernel drops the lock when
// the process dies, however it dies). A sweep removes only entries of a registered name test that are
// plain files and whose lock it can take at once, so it never touches a file being written, nor anything
// that is not the application's own.
//
// To register a kind of temporary file: call add() with the folder and a test of the exact name
// pattern, from the subsystem's registration function listed in the shell's start-up sweep, before
// sweep() runs. Thread-safe.
namespace quavel::TemporarySweep {

// True for the names of one temporary pattern (the last path component only).
using NameTest = std::function<bool(QStringView name)>;

struct Rule
{
    // Absolute path; only its direct entries are examined.
    QString folder;
    NameTest isTemporary;
    // False for a folder of the application's own that a link must never stand for: a link there is not
    // walked (a sweep would otherwise remove files of the folder it points to).
    bool throughLink = true;
    // True for a folder of folders (the organiser's destinations): its direct sub-folders are walked
    // instead (never through a link), and only their hidden entries are looked at, so that a folder of
    // photos costs one listing and no look at any photo. The placeholders a killed writer left there
    // go by their records (PlaceholderRecord).
    bool inSubfolders = false;
};

void add(Rule rule);
QList<Rule> rules();
// Forgets every rule (tests).
void clearForTesting();

// Walks every registered rule once; returns how many files went. Every sweep also removes the abandoned
// placeholders of the folder it walks: those their records name (PlaceholderRecord), with the records,
// and, unless it looks at hidden entries only, the marked ones (isPlaceholder). A sweep given a minimum
// age touches neither placeholders nor records.
int sweep();
// Removes the abandoned temporary files of one pattern in one folder now; returns how many went. With a
// minimum age, only files last modified longer ago than that go: on network and FUSE shares a lock
// taken on another machine is not seen here, while its writer keeps the file's time recent.
int sweepFolder(const QString& folder, const NameTest& isTemporary, bool throughLink = true,
    std::chrono::seconds minimumAge = {});
// The same in a folder already open (a descriptor of it, kept open by the caller).
int sweepFolderAt(int folderFd, const NameTest& isTemporary);
// The same for entries a listing of the folder (a descriptor the caller opened and keeps) has found and
// tested, by their names' bytes: nothing but these names is looked at.
int removeAbandoned(int folder, const QList<QByteArray>& names, std::chrono::seconds minimumAge);

// The writer's side: locks a temporary file it has just created (blocking only while a sweep holds it).
// False when a sweep removed the name meanwhile: close it and create another.
bool lockCreated(int fd);

// The hidden name of a file being written beside the one it will become: ".quavel-tmp-" and twelve
// random lower-case letters or digits. It has the same length whatever the final name, so a final name
// the file system takes always leaves room for its temporary one. Writers create it exclusively (O_EXCL)
// and lock it (lockCreated); a name found taken means: make another.
QByteArray temporaryName();
// True for exactly the names temporaryName() makes.
bool isTemporaryName(QStringView name);

// The empty file a writer without links or RENAME_NOREPLACE (FAT, exFAT) creates exclusively under a
// final name to hold it, before the complete file is renamed over it. Its writer locks it (lockCreated)
// and then marks it: a modification time no camera or user gives an empty file, kept by every file
// system (FAT keeps times from 1980 on, in steps of two seconds, in local time). A marked empty regular
// file whose lock is free is a placeholder its writer left when killed: the sweeps remove it and a copy
// to its name takes the name over; a user's empty file is never one. One killed before the mark is known
// by its record (PlaceholderRecord), which the sweeps read.
// 0, or the errno value of the marking (the placeholder is then an ordinary empty file).
int markPlaceholder(int fd);
// Whether a file's status is that of a marked placeholder (empty, regular, marked), whatever time
// zone the file system converted its time with.
bool isPlaceholder(const struct stat& st);
// Locks the placeholder standing at `name` in `folder` when its writer is gone and it is still a
// placeholder under that name: the descriptor holding the lock (close it once the name has been
// replaced or removed), or -1.
int lockAbandonedPlaceholder(int folder, const char* name);

// The name tests of the platform's own writers.
// AtomicFile's siblings as earlier versions named them: "<name>.tmp-" and six letters or digits. No
// writer makes them any more; the sweeps still remove those that killed writers left.
bool isAtomicFileTemporary(QStringView name);

} // namespace quavel::TemporarySweep
