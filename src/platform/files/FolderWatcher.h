#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

class QSocketNotifier;

namespace quavel {

// Watches folders over inotify and names what changed in them. Folders are watched, never single
// files: one descriptor per photo runs out on large orders, and a photo replaced by a rename would
// leave a file watch on the dead inode. A file is watched by name through its folder, so a photo
// replaced by rename keeps being seen.
//
// What changed() reports:
// - an entry event (create, delete, move in or out, modify, close after write, attributes) naming a
//   watched file reports that file's path, whatever the event (a rename onto its name included);
// - other entry events report the folder, except names starting with "." (hidden siblings, such as
//   the ones photos are written through, and ".quavel-originals") and the "#<inode>" name of a file
//   written unnamed (O_TMPFILE), which report nothing;
// - the folder's own deletion or move reports the folder, and its watch ends (rearm() sets it again
//   once the path holds a folder);
// - a queue overflow, after which nothing can be known of what was lost, reports every folder.
// A folder watched only because a watched file lies in it reports only its watched files (its own
// deletion or move reports those files).
//
// A new watch list keeps the watches of the folders it still holds: nothing that happens in them
// between two lists goes unreported, and a list that changes a few files costs no system call.
//
// GUI thread (or the thread it lives on); reports come from its event loop.
class FolderWatcher : public QObject
{
    Q_OBJECT

public:
    // One folder to watch, with the files watched through it.
    struct Folder
    {
        // Absolute and clean (no ".", ".." or doubled slash, no trailing slash).
        QString path;
        // Entry events of names that are not watched files report the folder.
        bool reportsEntries = true;
        // Absolute, clean paths of files in that very folder.
        QStringList files;
    };

    explicit FolderWatcher(QObject* parent = nullptr);
    ~FolderWatcher() override;

    // Replaces everything watched. A folder that cannot be watched (missing, not a folder, no
    // permission, out of watches) is skipped without a word. A folder given twice watches the files of
    // both entries, and reports entries when either does.
    void watch(const QList<Folder>& folders);
    // The same from folders and files (cleaned here): a file adds itself to its folder's entry, or
    // makes one that reports only its files.
    void watch(const QStringList& folders, const QStringList& files);
    // Sets the watch again of every folder whose watch ended or could not be set, when it can now.
    void rearm();
    void stop();

    // The folders whose watch is live.
    QStringList watchedFolders() const;
    // Whether the kernel holds events not read yet (nothing is reported of them so far). Every event of
    // a change made on this machine is queued by the time the call that made it returns.
    bool hasUnreadEvents() const;

    // For tests: events are read that long after the kernel signals them, as on a loaded machine, so that
    // a test that assumes a report within a fixed time shows it. What is watched when they are read
    // decides what they report. 0 (the default) reads them at once.
    static void setReportDelayForTesting(int ms);

signals:
    void changed(const QString& path);

private:
    struct Watch
    {
        // Entry events of other names report the folder (false: the folder is only a file's parent).
        bool reportsEntries = false;
        QStringList files;
        // The files by canonically composed name, made at the first event that names a file here.
        QHash<QString, QString> byName;
        bool indexed = false;

        const QString* file(const QString& composedName);
    };

    bool ensureInstance();
    void add(const QString& folder);
    void unwatch(const QString& folder);
    void onReadable();
    void readEvents();
    void report(const QString& folder, QStringList& out) const;

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    // A read put off by the report delay for tests.
    bool m_readDelayed = false;
    // Every folder asked for, with what it watches, live or not, for rearm().
    QHash<QString, Watch> m_wanted;
    // Each kernel watch with the folders it watches (two paths of one folder share one), and each
    // folder whose watch is live with its kernel watch.
    QHash<int, QStringList> m_kernelWatches;
    QHash<QString, int> m_live;
};

} // namespace quavel
