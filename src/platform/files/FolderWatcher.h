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
//   the ones photos are written through, and ".quavel-originals"), which report nothing;
// - the folder's own deletion or move reports the folder, and its watch ends (rearm() sets it again
//   once the path holds a folder);
// - a queue overflow, after which nothing can be known of what was lost, reports every folder.
// A folder watched only because a watched file lies in it reports only its watched files (its own
// deletion or move reports those files).
//
// GUI thread (or the thread it lives on); reports come from its event loop.
class FolderWatcher : public QObject
{
    Q_OBJECT

public:
    explicit FolderWatcher(QObject* parent = nullptr);
    ~FolderWatcher() override;

    // Replaces everything watched. Paths are absolute; a path that cannot be watched (missing, not a
    // folder, no permission, out of watches) is skipped without a word.
    void watch(const QStringList& folders, const QStringList& files);
    // Sets the watch again of every folder whose watch ended or could not be set, when it can now.
    void rearm();
    void stop();

    // The folders whose watch is live.
    QStringList watchedFolders() const;

signals:
    void changed(const QString& path);

private:
    struct Watch
    {
        QString folder;
        // Entry events of other names report the folder (false: the folder is only a file's parent).
        bool reportsEntries = false;
        // Watched files of this folder, by the canonically composed name.
        QHash<QString, QString> files;
    };

    bool ensureInstance();
    void add(const Watch& watch);
    void onReadable();
    void report(const Watch& watch, QStringList& out) const;

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QHash<int, Watch> m_watches;
    // Every folder asked for, with what it watches, live or not, for rearm().
    QList<Watch> m_wanted;
};

} // namespace quavel
