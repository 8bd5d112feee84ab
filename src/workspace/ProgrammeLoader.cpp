#include "workspace/ProgrammeLoader.h"

#include "platform/Error.h"
#include "programme/ImportError.h"

#include <QMetaObject>

namespace quavel {

ProgrammeLoader::ProgrammeLoader(const QString& folder, ProgrammeParser parser, QObject* parent)
    : QObject(parent)
    , m_storage(folder, std::move(parser))
{
    // One job at a time, in order: the reading at start comes before any import asked meanwhile.
    m_pool.setMaxThreadCount(1);
}

ProgrammeLoader::~ProgrammeLoader()
{
    m_pool.clear();
    m_pool.waitForDone();
}

template <typename Result>
void ProgrammeLoader::run(
    quint64 token, std::function<Result()> job, std::function<void(Result, bool)> deliver)
{
    ++m_jobs;
    // The job works on value copies (the storage shares only its lock); its result comes back as a
    // queued call, dropped by Qt if the loader is gone by then.
    m_pool.start(
        [this, storage = m_storage, token, job = std::move(job), deliver = std::move(deliver)]() mutable {
            Result result = job();
            QMetaObject::invokeMethod(
                this,
                [this, storage, token, deliver = std::move(deliver), result = std::move(result)]() mutable {
                    deliver(std::move(result), storage.generation() == token);
                },
                Qt::QueuedConnection);
        });
}

void ProgrammeLoader::finishJob(bool import)
{
    --m_jobs;
    if (import)
        --m_imports;
    emit stateChanged();
}

void ProgrammeLoader::load(Loaded loaded, std::function<void()> finished)
{
    const quint64 token = m_storage.generation();
    const bool wasBusy = isBusy();
    run<std::optional<ProgrammeDocument>>(
        token, [storage = m_storage] { return storage.readIndex(); },
        [this, loaded](std::optional<ProgrammeDocument> document, bool current) {
            if (document && current)
                loaded(*document);
            finishJob(false);
        });
    run<std::optional<ProgrammeDocument>>(
        token, [storage = m_storage, token] { return storage.reparse(token); },
        [this, loaded, finished](std::optional<ProgrammeDocument> document, bool current) {
            if (document && current)
                loaded(*document);
            finishJob(false);
            if (finished)
                finished();
        });
    if (!wasBusy)
        emit stateChanged();
}

void ProgrammeLoader::import(const QString& picked, ImportDone done)
{
    // Jobs run in the order asked: what was asked before this import (the reading at start) comes
    // first and stays valid; only a change of the GUI thread made meanwhile voids it.
    const quint64 token = m_storage.generation();
    ++m_imports;
    run<ImportResult>(
        token,
        [storage = m_storage, picked, token] {
            // Runs on the worker: nothing thrown leaves it.
            ImportResult result;
            try {
                result.document = storage.importFile(picked, token);
                result.superseded = !result.document;
            } catch (const Error& error) {
                result.error = error.message();
            } catch (const std::exception&) {
                result.error = ImportError::unreadable().message();
            }
            return result;
        },
        [this, done](ImportResult result, bool current) {
            if (!current && result.document) {
                // Written, then replaced by a web page's programme before this thread saw it.
                result.document.reset();
                result.superseded = true;
            }
            finishJob(true);
            if (done)
                done(result);
        });
    emit stateChanged();
}

} // namespace quavel
