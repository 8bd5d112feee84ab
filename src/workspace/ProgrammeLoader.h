#pragma once

#include "programme/ProgrammeDocument.h"
#include "workspace/ProgrammeStorage.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <optional>

namespace quavel {

// Reads, re-reads and imports one store's programme on a worker thread of its own, one job after the
// other in the order asked, and hands each result to the GUI thread, so that a programme of thousands
// of pages never stops the window. A result arrives only while no change of the GUI thread (a web
// page's programme, see ProgrammeStorage) was made after it was asked for; such a change voids it.
// Lives on the GUI thread; destroying it waits for the job that is running (the others are dropped).
class ProgrammeLoader : public QObject
{
    Q_OBJECT

public:
    struct ImportResult
    {
        // The new programme, now in "programme.json" and the stored copy.
        std::optional<ProgrammeDocument> document;
        // The French message of a failed import (nothing changed).
        QString error;
        // A web page's programme stored meanwhile won: nothing of this import was kept.
        bool superseded = false;
    };
    using Loaded = std::function<void(const ProgrammeDocument& document)>;
    using ImportDone = std::function<void(const ImportResult& result)>;

    ProgrammeLoader(const QString& folder, ProgrammeParser parser, QObject* parent = nullptr);
    ~ProgrammeLoader() override;

    const ProgrammeStorage& storage() const { return m_storage; }

    // Queues the reading at start: "programme.json" first, then the stored copy parsed again (and
    // written back); `loaded` gets each document that arrives. `finished` runs after the last step.
    void load(Loaded loaded, std::function<void()> finished);
    // Queues an import of a picked file; `done` runs on this thread with its result.
    void import(const QString& picked, ImportDone done);

    // Jobs queued or running; imports among them.
    bool isBusy() const { return m_jobs > 0; }
    bool isImporting() const { return m_imports > 0; }

signals:
    // isBusy() or isImporting() changed.
    void stateChanged();

private:
    template <typename Result>
    void run(quint64 token, std::function<Result()> job, std::function<void(Result, bool current)> deliver);
    void finishJob(bool import);

    ProgrammeStorage m_storage;
    QThreadPool m_pool;
    int m_jobs = 0;
    int m_imports = 0;
};

} // namespace quavel
