#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThreadPool>

#include <chrono>
#include <optional>

namespace quavel {

// Removes the application's own leftovers from the photo folders of the shown order: the temporary
// files of writes killed on file systems without unnamed files or links (exFAT, FAT, NTFS through
// FUSE), which stay hidden there until the next write in that folder and show on Windows.
//
// A folder's listing (OrderListing) notes the candidates by name; the sweep removes those that are
// plain files whose lock no writer holds and that were last modified more than kMinimumAge ago (locks
// are local to one machine on network and FUSE shares, while a writer elsewhere keeps its file's time
// recent), and does the same in the folder's ".quavel-originals" (never through a link), which it reads
// itself. Nothing else is ever removed.
//
// Requests come from the GUI thread and return at once; the removals run on a thread of the sweep's own.
// A request made while one waits replaces it (the newer listing is the one that counts).
class OrderLeftoverSweep
{
public:
    static constexpr std::chrono::minutes kMinimumAge { 10 };

    struct Folder
    {
        QString path;
        // Entries of the folder that its listing found with a temporary name.
        QList<QByteArray> leftovers;
        // Whether its listing found ".quavel-originals".
        bool hasOriginals = false;
    };

    OrderLeftoverSweep();
    // Waits for the sweep under way, if any; one still waiting is dropped.
    ~OrderLeftoverSweep();
    OrderLeftoverSweep(const OrderLeftoverSweep&) = delete;
    OrderLeftoverSweep& operator=(const OrderLeftoverSweep&) = delete;

    // Folders with neither candidates nor originals are not looked at again.
    void sweep(const QList<Folder>& folders);

    // The work of one request, on the calling thread; returns how many files went.
    static int sweepNow(const QList<Folder>& folders, std::chrono::seconds minimumAge = kMinimumAge);

private:
    void runWaiting();

    QMutex m_mutex;
    std::optional<QList<Folder>> m_waiting;
    bool m_running = false;
    QThreadPool m_pool;
};

} // namespace quavel
