// The batch edits of order photos, and the note that a file changed.
#include "orders/OrdersStore.h"

#include "library/MediaFile.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoEdits.h"
#include "photo/PhotoWork.h"
#include "photo/ThumbnailCache.h"
#include "platform/Error.h"
#include "platform/files/PathKey.h"
#include "platform/imaging/JobPool.h"

#include <QFutureWatcher>

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

} // namespace

void OrdersStore::applyWatermark(const QStringList& files)
{
    const QStringList photos = photosOf(files);
    if (photos.isEmpty())
        return;
    const auto watermark = resolveWatermark();
    if (!watermark) {
        setErrorMessage(noWatermark);
        return;
    }
    // On this thread, photo after photo; the screen shows the busy cursor meanwhile.
    std::optional<QString> lastError;
    for (const QString& photo : photos) {
        try {
            PhotoEdits::applyWatermark(photo, *watermark);
            noteEdited(photo);
        } catch (const std::exception& e) {
            lastError = describe(e);
        } catch (...) {
            lastError = describe(std::exception());
        }
    }
    setErrorMessage(lastError);
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

    // Photo after photo on the batch pool, the retouch itself using every core. The worker holds only
    // copies and hands back the last failure's text; writes go through each photo's write queue.
    auto* watcher = new QFutureWatcher<std::optional<QString>>(this);
    connect(watcher, &QFutureWatcher<std::optional<QString>>::finished, this, [this, watcher, photos] {
        const std::optional<QString> lastError = watcher->result();
        watcher->deleteLater();
        setRetouching(false);
        for (const QString& photo : photos)
            noteEdited(photo);
        setErrorMessage(lastError);
    });
    watcher->setFuture(JobPool::batch().run([photos, settings, watermark]() -> std::optional<QString> {
        std::optional<QString> lastError;
        for (const QString& photo : photos) {
            // The application is quitting: the photos done so far stay done, the rest untouched.
            if (PhotoWork::stopping())
                break;
            try {
                PhotoEdits::applyRetouch(photo, settings, watermark);
            } catch (const std::exception& e) {
                lastError = describe(e);
            } catch (...) {
                lastError = describe(std::exception()); // nothing crosses the task's edge
            }
        }
        return lastError;
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

void OrdersStore::setRetouching(bool retouching)
{
    if (m_isRetouching == retouching)
        return;
    m_isRetouching = retouching;
    emit isRetouchingChanged();
}

} // namespace quavel
