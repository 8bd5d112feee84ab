// The batch edits of order photos, and the note that a file changed.
#include "orders/OrdersStore.h"

#include "library/MediaFile.h"
#include "photo/DecodedAhead.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoEdits.h"
#include "photo/PhotoWork.h"
#include "photo/ThumbnailCache.h"
#include "platform/Error.h"
#include "platform/files/PathKey.h"
#include "platform/imaging/JobPool.h"
#include "platform/imaging/PixelBudget.h"

#include <QFutureWatcher>

#include <functional>
#include <memory>

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

struct BatchOutcome
{
    std::optional<QString> lastError;
    QStringList edited;
};

// One photo of a batch, given its source decoded ahead of its turn when there is one.
using EditPhoto = std::function<void(const QString& photo, std::shared_ptr<DecodedAhead> decoded)>;

// The photos in the caller's order, on the calling worker of the batch pool, each written through its
// write queue; the retouch itself uses every core. While a photo renders and is written, the next one's
// source is decoded on another worker of the pool (one photo ahead), when its write reads the whole
// source (readsWhole) and both photos fit the pixel budget together. A failure goes to the outcome and
// the batch goes on; nothing crosses the task's edge.
BatchOutcome runPhotos(
    const QStringList& photos, const std::function<bool(const QString&)>& readsWhole, const EditPhoto& edit)
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
        try {
            edit(photos[i], std::move(decoded));
            outcome.edited.append(photos[i]);
        } catch (const std::exception& e) {
            outcome.lastError = describe(e);
        } catch (...) {
            outcome.lastError = describe(std::exception());
        }
        pixels = nextPixels;
    }
    // Stopped with a decode in flight: its result is let go of when it ends.
    return outcome;
}

} // namespace

void OrdersStore::applyWatermark(const QStringList& files)
{
    const QStringList photos = photosOf(files);
    if (photos.isEmpty())
        return;
    const std::optional<QString> watermark = resolveWatermark();
    if (!watermark) {
        setErrorMessage(noWatermark);
        return;
    }
    // Off the GUI thread, as the retouch: the message line keeps what it showed until the batch ends.
    setWatermarkBatches(m_watermarkBatches + 1);
    auto* watcher = new QFutureWatcher<BatchOutcome>(this);
    connect(watcher, &QFutureWatcher<BatchOutcome>::finished, this, [this, watcher] {
        const BatchOutcome outcome = watcher->result();
        watcher->deleteLater();
        setWatermarkBatches(m_watermarkBatches - 1);
        // Only the photos that took the watermark.
        for (const QString& photo : outcome.edited)
            noteEdited(photo);
        setErrorMessage(outcome.lastError);
    });
    const QString file = *watermark;
    watcher->setFuture(JobPool::batch().run([photos, file] {
        return runPhotos(photos, &PhotoEdits::watermarkReadsWholeSource,
            [&file](const QString& photo, std::shared_ptr<DecodedAhead> decoded) {
                PhotoEdits::applyWatermark(photo, file, std::move(decoded));
            });
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
    setErrorMessage(std::nullopt);

    // The worker holds only copies and hands back the last failure's text.
    auto* watcher = new QFutureWatcher<BatchOutcome>(this);
    connect(watcher, &QFutureWatcher<BatchOutcome>::finished, this, [this, watcher, photos] {
        const BatchOutcome outcome = watcher->result();
        watcher->deleteLater();
        setRetouching(false);
        for (const QString& photo : photos)
            noteEdited(photo);
        setErrorMessage(outcome.lastError);
    });
    watcher->setFuture(JobPool::batch().run([photos, settings, watermark] {
        // Settings that change something: every photo is retouched from its whole source.
        return runPhotos(
            photos, [](const QString&) { return true; },
            [&](const QString& photo, std::shared_ptr<DecodedAhead> decoded) {
                PhotoEdits::applyRetouch(photo, settings, watermark, std::move(decoded));
            });
    }));
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
