// The batch edits of order photos, and the note that a file changed.
#include "orders/OrdersStore.h"

#include "library/MediaFile.h"
#include "orders/OrdersOutcome.h"
#include "photo/DecodedAhead.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoEdits.h"
#include "photo/PhotoWork.h"
#include "photo/ThumbnailCache.h"
#include "photo/originals/PhotoEditError.h"
#include "platform/Error.h"
#include "platform/files/NativeName.h"
#include "platform/files/PathKey.h"
#include "platform/imaging/JobPool.h"
#include "platform/imaging/PixelBudget.h"

#include <QFutureWatcher>
#include <QPointer>

#include <functional>
#include <memory>

#include <cerrno>

#include <sys/stat.h>

namespace quavel {

namespace {

const QString noWatermark = QStringLiteral("Choisissez d’abord un fichier filigrane.");
const QString neutralRetouch = QStringLiteral("Réglez d’abord la retouche dans le panneau de gauche.");

// The files handed to the photo services: everything but the videos, in the order given. A file of
// another extension still counts as a photo, and the photo services say why they cannot edit it.
QStringList photosOf(const QStringList& files)
{
    QStringList photos;
    for (const QString& f : files)
        if (!MediaFile::isVideo(f))
            photos.append(f);
    return photos;
}

QString describe(const std::exception& e)
{
    if (const auto* error = dynamic_cast<const Error*>(&e))
        return error->message();
    return QStringLiteral("La modification de la photo a échoué.");
}

// Whether the folder can no longer be reached: moved away, removed, or its disk gone (a dead mount
// answers ENOTCONN or EIO, a lazily unmounted one shows the empty folder under it, without the order).
bool isGone(const QString& folder)
{
    struct stat st
    {
    };
    return ::stat(NativeName::encode(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode);
}

struct BatchOutcome
{
    QList<OrdersOutcome::Failure> failures;
    QStringList edited;
    // The order folder, when it could no longer be reached after a photo failed.
    std::optional<QString> goneFolder;
};

// One photo of a batch, given its source decoded ahead of its turn when there is one.
using EditPhoto = std::function<void(const QString& photo, std::shared_ptr<DecodedAhead> decoded)>;

// Tells the GUI thread of each photo a batch is done with. It lives on the GUI thread and goes there
// (deleteLater) whichever thread lets go of it last; what it calls is only ever called there.
class ProgressRelay : public QObject
{
public:
    explicit ProgressRelay(std::function<void()> tick)
        : m_tick(std::move(tick))
    { }

    static std::shared_ptr<ProgressRelay> make(std::function<void()> tick)
    {
        return std::shared_ptr<ProgressRelay>(
            new ProgressRelay(std::move(tick)), [](ProgressRelay* relay) { relay->deleteLater(); });
    }

    // From any thread: one photo done, told on the GUI thread in the order told.
    static void photoDone(const std::shared_ptr<ProgressRelay>& relay)
    {
        QMetaObject::invokeMethod(
            relay.get(), [relay] { relay->m_tick(); }, Qt::QueuedConnection);
    }

private:
    std::function<void()> m_tick;
};

// The photos in the caller's order, on the calling worker of the batch pool, each written through its
// write queue; the retouch itself uses every core. While a photo renders and is written, the next one's
// source is decoded on another worker of the pool (one photo ahead), when its write reads the whole
// source (readsWhole) and both photos fit the pixel budget together. A failure goes to the outcome with
// its photo and the batch goes on; each photo, done or failed, is told to the relay; nothing crosses the
// task's edge. `order`: the folder the photos were listed in, whose loss the outcome tells.
BatchOutcome runPhotos(const QStringList& photos, const std::optional<QString>& order,
    const std::function<bool(const QString&)>& readsWhole, const EditPhoto& edit,
    const std::function<OrdersOutcome::Failure(const QString& photo, const std::exception& e)>& failure,
    const std::shared_ptr<ProgressRelay>& progress)
{
    BatchOutcome outcome;
    DecodedAhead::Pending next;
    std::optional<qint64> pixels;
    if (!photos.isEmpty())
        pixels = DecodedAhead::sourcePixels(photos.first());
    for (qsizetype i = 0; i < photos.size(); ++i) {
        // The application is quitting: the photos done so far stay done, the rest untouched.
        if (PhotoWork::stopping())
            break;
        // Waited for outside the photo's turn: the queue holds no other writer of it meanwhile.
        std::shared_ptr<DecodedAhead> decoded = next.wait();
        std::optional<qint64> nextPixels;
        if (i + 1 < photos.size()) {
            const QString& following = photos[i + 1];
            nextPixels = DecodedAhead::sourcePixels(following);
            if (pixels && nextPixels && PixelBudget::allows(*pixels + *nextPixels) && readsWhole(following))
                next = DecodedAhead::Pending::start(following, JobPool::batch());
        }
        bool failed = true;
        try {
            edit(photos[i], std::move(decoded));
            outcome.edited.append(photos[i]);
            failed = false;
        } catch (const std::exception& e) {
            outcome.failures.append(failure(photos[i], e));
        } catch (...) {
            outcome.failures.append(failure(photos[i], std::exception()));
        }
        if (failed && order && !outcome.goneFolder && isGone(*order))
            outcome.goneFolder = order;
        pixels = nextPixels;
        ProgressRelay::photoDone(progress);
    }
    // Stopped with a decode in flight: its result is let go of when it ends.
    return outcome;
}

// A photo that failed because it is no longer there (deleted or moved away during the batch) says so,
// rather than that it cannot be read.
OrdersOutcome::Failure photoFailure(const QString& photo, const std::exception& e)
{
    struct stat st
    {
    };
    if (::lstat(NativeName::encode(photo).constData(), &st) != 0 && errno == ENOENT)
        return { photo,
            QStringLiteral("Cette photo n’est plus dans son dossier : elle a été supprimée ou déplacée."),
            true };
    return { photo, describe(e), true };
}

} // namespace

void OrdersStore::applyWatermark(const QStringList& files)
{
    const QStringList photos = photosOf(files);
    if (photos.isEmpty())
        return;
    const std::optional<QString> watermark = resolveWatermark();
    const std::optional<QString> watermarkID = chosenWatermarkID();
    if (!watermark) {
        // A watermark listed whose file is no longer where it was: named, and its row says so.
        if (watermarkID) {
            const QString name = watermarkName(*watermarkID);
            setWatermarkProblem(*watermarkID, OrdersOutcome::watermarkMissing());
            setErrorMessage(PhotoEditError::description(PhotoEditError::Kind::unreadableWatermark, name));
        } else {
            setErrorMessage(noWatermark);
        }
        return;
    }
    // A watermark file that cannot even be opened would fail every photo: said once, naming it.
    if (const std::optional<QString> problem = watermarkFileProblem(*watermark)) {
        if (watermarkID)
            setWatermarkProblem(*watermarkID, *problem);
        setErrorMessage(PhotoEditError::description(
            PhotoEditError::Kind::unreadableWatermark, shownFileName(*watermark)));
        return;
    }
    // Off the GUI thread, as the retouch: the message line keeps what it showed until the batch ends.
    setWatermarkBatches(m_watermarkBatches + 1);
    startProgress(m_watermarkProgress, photos.size());
    auto* watcher = new QFutureWatcher<BatchOutcome>(this);
    connect(watcher, &QFutureWatcher<BatchOutcome>::finished, this, [this, watcher, watermarkID] {
        const BatchOutcome outcome = watcher->result();
        watcher->deleteLater();
        // Only the photos that took the watermark.
        for (const QString& photo : outcome.edited)
            noteEdited(photo);
        if (watermarkID) {
            const auto unreadable = std::find_if(outcome.failures.cbegin(), outcome.failures.cend(),
                [](const OrdersOutcome::Failure& f) { return !f.aboutPhoto; });
            if (unreadable != outcome.failures.cend())
                setWatermarkProblem(*watermarkID, OrdersOutcome::watermarkUnreadable());
            else if (!outcome.edited.isEmpty())
                setWatermarkProblem(*watermarkID, std::nullopt);
        }
        const OrdersOutcome::Text told
            = OrdersOutcome::describe(outcome.failures, OrdersOutcome::Work::edit, outcome.goneFolder);
        setWatermarkBatches(m_watermarkBatches - 1);
        if (!isWatermarking())
            endProgress(m_watermarkProgress);
        setErrorMessage(told.message, told.details);
    });
    const QString file = *watermark;
    const QString fileName = shownFileName(file);
    auto progress = ProgressRelay::make([store = QPointer<OrdersStore>(this)] {
        if (store)
            store->advanceProgress(store->m_watermarkProgress);
    });
    watcher->setFuture(JobPool::batch().run([photos, file, fileName, order = shownOrderFolder(), progress] {
        return runPhotos(
            photos, order, &PhotoEdits::watermarkReadsWholeSource,
            [&file](const QString& photo, std::shared_ptr<DecodedAhead> decoded) {
                PhotoEdits::applyWatermark(photo, file, std::move(decoded));
            },
            [&fileName](const QString& photo, const std::exception& e) {
                // The watermark's own failures name its file and are not the photo's.
                if (const auto* error = dynamic_cast<const PhotoEditError*>(&e)) {
                    if (error->kind() == PhotoEditError::Kind::unreadableWatermark)
                        return OrdersOutcome::Failure { photo,
                            PhotoEditError::description(PhotoEditError::Kind::unreadableWatermark, fileName),
                            false };
                    if (error->kind() == PhotoEditError::Kind::watermarkTooLarge)
                        return OrdersOutcome::Failure { photo, error->message(), false };
                }
                return photoFailure(photo, e);
            },
            progress);
    }));
}

void OrdersStore::applyRetouch(const QStringList& files)
{
    const QStringList photos = photosOf(files);
    if (photos.isEmpty())
        return;
    // The batch keeps these settings whatever the screen changes afterwards.
    const PhotoRetouchSettings settings = m_retouch;
    const std::optional<QString> watermark = resolveWatermark();
    if (settings.isNeutral()) {
        setErrorMessage(neutralRetouch);
        return;
    }
    setRetouching(true);
    startProgress(m_retouchProgress, photos.size());
    setErrorMessage(std::nullopt);

    // The worker holds only copies and hands back each failure with its photo.
    auto* watcher = new QFutureWatcher<BatchOutcome>(this);
    connect(watcher, &QFutureWatcher<BatchOutcome>::finished, this, [this, watcher, photos] {
        const BatchOutcome outcome = watcher->result();
        watcher->deleteLater();
        setRetouching(false);
        endProgress(m_retouchProgress);
        for (const QString& photo : photos)
            noteEdited(photo);
        const OrdersOutcome::Text told
            = OrdersOutcome::describe(outcome.failures, OrdersOutcome::Work::edit, outcome.goneFolder);
        setErrorMessage(told.message, told.details);
    });
    auto progress = ProgressRelay::make([store = QPointer<OrdersStore>(this)] {
        if (store)
            store->advanceProgress(store->m_retouchProgress);
    });
    watcher->setFuture(
        JobPool::batch().run([photos, settings, watermark, order = shownOrderFolder(), progress] {
            // Settings that change something: every photo is retouched from its whole source.
            return runPhotos(
                photos, order, [](const QString&) { return true; },
                [&](const QString& photo, std::shared_ptr<DecodedAhead> decoded) {
                    PhotoEdits::applyRetouch(photo, settings, watermark, std::move(decoded));
                },
                &photoFailure, progress);
        }));
}

std::optional<QString> OrdersStore::shownOrderFolder() const
{
    if (m_watching)
        return NativeName::absolute(m_watchedOrder);
    return std::nullopt;
}

void OrdersStore::startProgress(BatchProgress& progress, qsizetype photos)
{
    progress.total += int(photos);
    emit batchProgressChanged();
}

void OrdersStore::advanceProgress(BatchProgress& progress)
{
    // A photo told after its batch ended (the relay's last calls) counts no more.
    if (progress.done >= progress.total)
        return;
    ++progress.done;
    emit batchProgressChanged();
}

void OrdersStore::endProgress(BatchProgress& progress)
{
    progress = {};
    emit batchProgressChanged();
}

void OrdersStore::noteEdited(const QString& path)
{
    // Every cached thumbnail of the file goes: the one under its current key, and older ones whose key
    // holds an earlier time and size.
    MediaThumbnailer::cache().remove(MediaThumbnailer::cacheKey(path));
    MediaThumbnailer::cache().removePath(path);
    const QString key = PathKey::of(path);
    m_fileRevisions[key] += 1;
    emit fileRevisionsChanged();
}

void OrdersStore::setWatermarkBatches(int running)
{
    const bool was = isWatermarking();
    m_watermarkBatches = running;
    if (was != isWatermarking())
        emit isWatermarkingChanged();
}

void OrdersStore::setRetouching(bool retouching)
{
    if (m_isRetouching == retouching)
        return;
    m_isRetouching = retouching;
    emit isRetouchingChanged();
}

} // namespace quavel
