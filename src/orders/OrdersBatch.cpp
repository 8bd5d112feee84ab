#include "orders/OrdersBatch.h"

#include "library/MediaFile.h"
#include "photo/DecodedAhead.h"
#include "photo/PhotoEdits.h"
#include "photo/PhotoWork.h"
#include "photo/originals/PhotoEditError.h"
#include "platform/Error.h"
#include "platform/files/NativeName.h"
#include "platform/imaging/JobPool.h"
#include "platform/imaging/PixelBudget.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QPointer>

#include <functional>
#include <memory>

#include <cerrno>

#include <sys/stat.h>

namespace quavel {

namespace {

QString describe(const std::exception& e)
{
    if (const auto* error = dynamic_cast<const Error*>(&e))
        return error->message();
    return QStringLiteral("La modification de la photo a échoué.");
}

// The folder of the order that can no longer be reached: the root when it is no longer the folder
// listed, else the order folder when it is not. Moved away, removed, its disk gone (a dead mount answers
// ENOTCONN or EIO), or another folder at its path (a lazily unmounted disk leaves the empty folder it
// was mounted on; a folder made again under its name): none of the photos' paths leads into the folder
// listed any more.
std::optional<QString> goneFolder(const OrdersBatch::Listed& listed)
{
    if (listed.root && !listed.root->isStillThere())
        return listed.root->path;
    if (!listed.order.isStillThere())
        return listed.order.path;
    return std::nullopt;
}

using BatchOutcome = OrdersBatch::Outcome;

// One photo of a batch, given its source decoded ahead of its turn when there is one.
using EditPhoto = std::function<void(const QString& photo, std::shared_ptr<DecodedAhead> decoded)>;

// Tells the GUI thread of each photo a batch is done with, in the order told. Not an object of its own:
// its calls are queued to the application object, and the last holder of the relay may be one of those
// calls, still queued when the application ends and destroyed with it while Qt holds its lock on the
// posted events; letting go of the relay must then post nothing (a deleteLater there never returns).
class ProgressRelay
{
public:
    explicit ProgressRelay(std::function<void()> tick)
        : m_tick(std::move(tick))
    { }

    static std::shared_ptr<ProgressRelay> make(std::function<void()> tick)
    {
        return std::make_shared<ProgressRelay>(std::move(tick));
    }

    // From any thread: one photo done, told on the GUI thread.
    static void photoDone(const std::shared_ptr<ProgressRelay>& relay)
    {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [relay] { relay->m_tick(); }, Qt::QueuedConnection);
    }

private:
    // Called on the GUI thread only.
    std::function<void()> m_tick;
};

// The photos in the caller's order, on the calling worker of the batch pool, each written through its
// write queue; the retouch itself uses every core. While a photo renders and is written, the next one's
// source is decoded on another worker of the pool (one photo ahead), when its write reads the whole
// source (readsWhole) and both photos' writes fit one write's memory together. A failure goes to the
// outcome with its photo and the batch goes on; each photo, done or failed, is told to the relay; nothing
// crosses the task's edge. `order`: the folders the photos were listed in. A photo that fails once one of
// them is no longer the folder listed ends the batch: that photo and the ones after it are left undone,
// and the outcome names the folder once.
BatchOutcome runPhotos(const QStringList& photos, const std::optional<OrdersBatch::Listed>& order,
    const std::function<bool(const QString&)>& readsWhole, const EditPhoto& edit,
    const std::function<OrdersOutcome::Failure(const QString& photo, const std::exception& e)>& failure,
    const std::shared_ptr<ProgressRelay>& progress)
{
    BatchOutcome outcome;
    DecodedAhead::Pending next;
    std::optional<qint64> bytes;
    if (!photos.isEmpty())
        bytes = DecodedAhead::sourceBytes(photos.first());
    for (qsizetype i = 0; i < photos.size(); ++i) {
        // The application is quitting: the photos done so far stay done, the rest untouched.
        if (PhotoWork::stopping())
            break;
        // Waited for outside the photo's turn: the queue holds no other writer of it meanwhile.
        std::shared_ptr<DecodedAhead> decoded = next.wait();
        std::optional<qint64> nextBytes;
        if (i + 1 < photos.size()) {
            const QString& following = photos[i + 1];
            nextBytes = DecodedAhead::sourceBytes(following);
            if (bytes && nextBytes && *bytes + *nextBytes <= PixelBudget::kWriteMemory
                && readsWhole(following))
                next = DecodedAhead::Pending::start(following, JobPool::batch());
        }
        std::optional<OrdersOutcome::Failure> failed;
        try {
            edit(photos[i], std::move(decoded));
            outcome.edited.append(photos[i]);
        } catch (const std::exception& e) {
            failed = failure(photos[i], e);
        } catch (...) {
            failed = failure(photos[i], std::exception());
        }
        if (failed) {
            if (const std::optional<QString> gone = order ? goneFolder(*order) : std::nullopt) {
                // Told once, and nothing more is tried at paths that now lead elsewhere or nowhere.
                outcome.gone = OrdersOutcome::GoneFolder { *gone, photos.sliced(i) };
                for (qsizetype left = i; left < photos.size(); ++left)
                    ProgressRelay::photoDone(progress);
                break;
            }
            outcome.failures.append(*failed);
        }
        bytes = nextBytes;
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

OrdersBatch::OrdersBatch(QObject* parent)
    : QObject(parent)
{ }

QStringList OrdersBatch::photosOf(const QStringList& files)
{
    QStringList photos;
    for (const QString& f : files)
        if (!MediaFile::isVideo(f))
            photos.append(f);
    return photos;
}

void OrdersBatch::applyWatermark(const QStringList& photos, const QString& file, const QString& fileName,
    const std::optional<Listed>& order, Noted noted)
{
    setWatermarkBatches(m_watermarkBatches + 1);
    startProgress(m_watermarkProgress, photos.size());
    auto* watcher = new QFutureWatcher<BatchOutcome>(this);
    connect(
        watcher, &QFutureWatcher<BatchOutcome>::finished, this, [this, watcher, noted = std::move(noted)] {
            const BatchOutcome outcome = watcher->result();
            watcher->deleteLater();
            noted(outcome);
            setWatermarkBatches(m_watermarkBatches - 1);
            if (!isWatermarking())
                endProgress(m_watermarkProgress);
            tell(outcome);
        });
    auto progress = ProgressRelay::make([batch = QPointer<OrdersBatch>(this)] {
        if (batch)
            batch->advanceProgress(batch->m_watermarkProgress);
    });
    watcher->setFuture(JobPool::batch().run([photos, file, fileName, order, progress] {
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

void OrdersBatch::applyRetouch(const QStringList& photos, const PhotoRetouchSettings& settings,
    const std::optional<QString>& watermark, const std::optional<Listed>& order, Noted noted)
{
    setRetouching(true);
    startProgress(m_retouchProgress, photos.size());
    auto* watcher = new QFutureWatcher<BatchOutcome>(this);
    connect(
        watcher, &QFutureWatcher<BatchOutcome>::finished, this, [this, watcher, noted = std::move(noted)] {
            const BatchOutcome outcome = watcher->result();
            watcher->deleteLater();
            setRetouching(false);
            endProgress(m_retouchProgress);
            noted(outcome);
            tell(outcome);
        });
    auto progress = ProgressRelay::make([batch = QPointer<OrdersBatch>(this)] {
        if (batch)
            batch->advanceProgress(batch->m_retouchProgress);
    });
    watcher->setFuture(JobPool::batch().run([photos, settings, watermark, order, progress] {
        // Settings that change something: every photo is retouched from its whole source.
        return runPhotos(
            photos, order, [](const QString&) { return true; },
            [&](const QString& photo, std::shared_ptr<DecodedAhead> decoded) {
                PhotoEdits::applyRetouch(photo, settings, watermark, std::move(decoded));
            },
            &photoFailure, progress);
    }));
}

void OrdersBatch::tell(const Outcome& outcome)
{
    const OrdersOutcome::Text told
        = OrdersOutcome::describe(outcome.failures, OrdersOutcome::Work::edit, outcome.gone);
    emit outcomeTold(told.message, told.details);
}

void OrdersBatch::startProgress(Progress& progress, qsizetype photos)
{
    progress.total += int(photos);
    emit progressChanged();
}

void OrdersBatch::advanceProgress(Progress& progress)
{
    // A photo told after its batch ended (the relay's last calls) counts no more.
    if (progress.done >= progress.total)
        return;
    ++progress.done;
    emit progressChanged();
}

void OrdersBatch::endProgress(Progress& progress)
{
    progress = {};
    emit progressChanged();
}

void OrdersBatch::setWatermarkBatches(int running)
{
    const bool was = isWatermarking();
    m_watermarkBatches = running;
    if (was != isWatermarking())
        emit isWatermarkingChanged();
}

void OrdersBatch::setRetouching(bool retouching)
{
    if (m_isRetouching == retouching)
        return;
    m_isRetouching = retouching;
    emit isRetouchingChanged();
}

} // namespace quavel
