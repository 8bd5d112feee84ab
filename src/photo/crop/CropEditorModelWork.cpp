// The asynchronous half of the crop editor model: loading (the reads are the session's), writes,
// validation, undo and the restore of the original. Work leaves the GUI thread with value copies only;
// every result comes back through a continuation bound to the model, so it runs on the GUI thread.
#include "photo/crop/CropEditorModel.h"

#include "photo/PhotoWriteQueue.h"
#include "photo/PhotoWriter.h"
#include "photo/crop/CropEditorWork.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/files/PathKey.h"
#include "platform/imaging/JobPool.h"

#include <QPointer>
#include <QTimer>

namespace quavel {

namespace {

// Whether the photo shown (or being restored) is this one, whatever the spelling of either path.
bool isPhoto(const std::optional<QString>& shown, const QString& photo)
{
    return shown && PathKey::same(*shown, photo);
}

QFuture<bool> ready(bool value)
{
    return QtFuture::makeReadyFuture(value);
}

} // namespace

// ---- loading ----

QFuture<void> CropEditorModel::load(const QString& photo)
{
    cancelPendingRetouchWrite();
    const CropEditorSession::Load started = m_session.beginLoad();
    const std::optional<QString> watermark = m_watermarkURL;

    return JobPool::interactive()
        .run([photo, watermark] { return CropEditorWork::load(photo, watermark); })
        .then(continuations(),
            [this, alive = QPointer(this), photo, started](const CropEditorWork::Loaded& loaded) {
                if (!alive)
                    return QtFuture::makeReadyFuture();
                if (!finishLoad(photo, started, loaded) || loaded.image.isNull())
                    return QtFuture::makeReadyFuture();
                return renderPreview(m_retouchSettings);
            })
        .unwrap();
}

bool CropEditorModel::finishLoad(
    const QString& photo, const CropEditorSession::Load& load, const CropEditorWork::Loaded& loaded)
{
    if (!isPhoto(m_fileURL, photo) || !m_session.finishLoad(photo, load, loaded))
        return false;
    m_writes.beginLoad();
    setActiveHandle(std::nullopt);
    setHasOriginalBackup(PhotoOriginals::hasBackup(photo));
    restoreOpenedState(photo);
    if (!loaded.errorMessage.isEmpty())
        setErrorMessage(loaded.errorMessage);
    else if (loaded.image.isNull())
        setErrorMessage(QStringLiteral("Impossible de lire cette photo."));
    else
        setErrorMessage(std::nullopt);
    return true;
}

QFuture<void> CropEditorModel::renderPreview(const PhotoRetouchSettings& settings)
{
    return m_session.renderPreview(settings);
}

QFuture<void> CropEditorModel::reloadWatermark()
{
    return m_session.reloadWatermark(m_watermarkURL)
        .then(continuations(), [this, alive = QPointer(this)](bool unreadable) {
            // A watermark that cannot be read is not put on the photo.
            if (alive && unreadable && m_includeWatermark)
                setIncludeWatermarkField(false);
        });
}

// ---- writing ----

void CropEditorModel::cancelPendingRetouchWrite()
{
    m_persistTimer->stop();
}

void CropEditorModel::scheduleRetouchPersist()
{
    m_scheduledGeneration = ++m_persistGeneration;
    m_persistTimer->start();
}

void CropEditorModel::persistCurrent()
{
    cancelPendingRetouchWrite();
    ++m_persistGeneration;
    if (!loadedURL() || !sessionBaseURL())
        return;
    commitHistory();
    // A photo the user did not change keeps nothing: no original, no journal, no write.
    if (m_writes.untouched(diskJournal()))
        return;
    // Already asked for: the journal and the queued or finished write hold this look, and this request
    // joins that write (its failure is reported as this request's).
    if (m_writes.asked(lookNow())) {
        m_writes.join(*loadedURL(), m_persistGeneration);
        submitJournal();
        return;
    }
    // Captured now, not in a later turn: close() and open() clear the photo right after this call.
    persistLookToDisk();
}

CropEditorAskedWrites::Look CropEditorModel::lookNow() const
{
    const CropEditState state = diskJournal().current;
    return CropEditorAskedWrites::Look { loadedURL().value_or(QString()), state, m_bakedState,
        state.includeWatermark ? m_watermarkURL : std::nullopt };
}

std::optional<PhotoWriter::Request> CropEditorModel::captureWrite() const
{
    if (!loadedURL() || !sessionBaseURL())
        return std::nullopt;
    // The old look of a photo whose original is being put back must not be written over it.
    if (m_writes.isRestoring(*loadedURL()))
        return std::nullopt;
    // The journal's current state: the current retouch and watermark flag, on the validated crop when
    // there is one (a moved crop is not written until validated).
    PhotoWriter::Request request;
    request.photo = *loadedURL();
    request.source = *sessionBaseURL();
    request.journal = diskJournal();
    request.look = request.journal->current;
    if (request.look->includeWatermark)
        request.watermark.image = watermarkFull().isNull() ? watermarkImage() : watermarkFull();
    request.hadOriginal = PhotoOriginals::hasBackup(*loadedURL());
    return request;
}

QFuture<bool> CropEditorModel::persistLookToDisk()
{
    commitHistory();
    const std::optional<PhotoWriter::Request> request = captureWrite();
    if (!request)
        return ready(false);
    // The journal is saved in the write's turn, once the look has rendered and before the photo is
    // replaced: a photo whose journal cannot be kept is not written.
    m_writes.askLook(lookNow(), *request->journal);
    return submitWrite(*request);
}

void CropEditorModel::submitJournal()
{
    if (!loadedURL() || m_writes.isRestoring(*loadedURL()))
        return;
    PhotoEditJournal journal = diskJournal();
    const int id = m_writes.askJournal(journal);
    if (id == 0)
        return;
    const QString photo = *loadedURL();
    PhotoWriter::submitJournal(
        photo, std::move(journal), PhotoOriginals::hasBackup(photo), JobPool::interactive())
        .then(continuations(),
            [this, alive = QPointer(this), photo, id](const PhotoWriteQueue::Result& result) {
                if (!alive || result.status != PhotoWriteQueue::Status::failed
                    || !isPhoto(loadedURL(), photo))
                    return;
                // The state stays in memory, and the next commit or write asks again. Shown unless a newer
                // journal was asked for since, which has its own outcome.
                if (m_writes.journalFailed(id))
                    setErrorMessage(result.errorMessage);
            });
}

QFuture<bool> CropEditorModel::submitWrite(const PhotoWriter::Request& request)
{
    const int generation = m_persistGeneration;
    const QString photo = request.photo;
    const int id = m_writes.askWrite(photo, generation);
    // Supersedable: when a newer write of this photo is queued behind this one, that one carries the
    // newer look and this one is skipped. Nothing else stops a captured write.
    QFuture<PhotoWriteQueue::Result> outcome = PhotoWriter::submit(request, JobPool::interactive(), true);
    return outcome.then(continuations(),
        [this, alive = QPointer(this), generation, id, photo](const PhotoWriteQueue::Result& result) {
            if (!alive)
                return false;
            // The last write asked for of this photo stands for every request that joined it since.
            const CropEditorAskedWrites::Outcome outcome = m_writes.finished(photo, id, generation);
            switch (result.status) {
            case PhotoWriteQueue::Status::written:
                if (isPhoto(loadedURL(), photo))
                    setHasOriginalBackup(PhotoOriginals::hasBackup(photo));
                if (m_onFileWritten)
                    m_onFileWritten(photo);
                return generation == m_persistGeneration;
            case PhotoWriteQueue::Status::failed:
                reportFailedWrite(photo, outcome.last, outcome.standsFor, result.errorMessage);
                return false;
            case PhotoWriteQueue::Status::skipped:
                break;
            }
            return false;
        });
}

void CropEditorModel::reportFailedWrite(
    const QString& photo, bool last, int generation, const QString& message)
{
    // A newer write of the photo was asked for: it carries the look, and its own outcome tells.
    if (!last)
        return;
    if (isPhoto(loadedURL(), photo)) {
        // The journal has the look and the photo does not: the next request (a close included) writes
        // it again. Shown unless something newer was asked for since, which has its own outcome.
        m_writes.forgetAsked();
        if (generation == m_persistGeneration)
            setErrorMessage(message);
    } else if (m_onWriteFailed) {
        // Asked for as the editor closed or moved on: nobody sees the editor's message any more.
        m_onWriteFailed(photo, message);
    }
}

QFuture<bool> CropEditorModel::save()
{
    cancelPendingRetouchWrite();
    ++m_persistGeneration;
    if (!loadedURL() || !sessionBaseURL())
        return ready(false);
    commitHistory();
    CropEditState validated = currentState();
    validated.cropValidated = true;
    apply(validated);
    setBakedState(currentState());
    // Validation is an undo step of its own.
    commitHistory();
    return persistLookToDisk().then(continuations(), [this, alive = QPointer(this)](bool written) {
        if (!alive)
            return false;
        if (written)
            setErrorMessage(std::nullopt);
        return written;
    });
}

QFuture<bool> CropEditorModel::undoLast()
{
    cancelPendingRetouchWrite();
    ++m_persistGeneration;
    // An uncommitted change becomes the step that is undone.
    commitHistory();
    if (m_history.steps().isEmpty())
        return restoreOriginalFromBackup();
    const CropEditorHistory::Step previous = m_history.takeLast();
    emit historyChanged();
    apply(previous.state);
    setCommitted(previous.state, previous.baked);
    setBakedState(previous.baked);
    // A step of the session alone (a moved crop not validated) changes nothing on disk: nothing is
    // written.
    if (m_writes.asked(diskJournal()))
        return renderPreview(m_retouchSettings).then([] { return false; });
    return persistLookToDisk()
        .then(continuations(),
            [this, alive = QPointer(this)](bool written) {
                if (!alive)
                    return ready(false);
                return renderPreview(m_retouchSettings).then([written] { return written; });
            })
        .unwrap();
}

QFuture<bool> CropEditorModel::restoreOriginalFromBackup()
{
    cancelPendingRetouchWrite();
    ++m_persistGeneration;
    const std::optional<QString> target = loadedURL() ? loadedURL() : m_fileURL;
    if (!target || !PhotoOriginals::hasBackup(*target))
        return ready(false);
    const QString photo = *target;
    m_writes.startRestore(photo);
    // Behind every write of this photo asked for before: none of them can re-edit the restored photo
    // or make an original of an edited one.
    QFuture<PhotoWriteQueue::Result> outcome = PhotoWriter::submitRestore(photo, JobPool::interactive());
    return outcome
        .then(continuations(),
            [this, alive = QPointer(this), photo](const PhotoWriteQueue::Result& result) {
                if (!alive)
                    return ready(false);
                m_writes.endRestore(photo);
                if (result.status != PhotoWriteQueue::Status::written) {
                    setErrorMessage(result.errorMessage);
                    return ready(false);
                }
                setRetouchSettings(PhotoRetouchSettings {});
                return load(photo).then([] { return true; });
            })
        .unwrap();
}

} // namespace quavel
