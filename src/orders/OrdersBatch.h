#pragma once

#include "orders/ListedFolder.h"
#include "orders/OrdersOutcome.h"
#include "photo/retouch/PhotoRetouchSettings.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quavel {

// The batch edits of order photos for the orders store: whether each kind runs, and how many photos
// the running batches are done with. Each batch runs on a worker of the batch pool, photo after photo
// through each photo's write queue, and returns at once; its outcome comes back on the GUI thread.
//
// GUI thread only; the workers hold only copies and hand back each failure with its photo.
class OrdersBatch : public QObject
{
    Q_OBJECT

public:
    // How many photos the running batches of a kind are done with (failed ones included), out of how
    // many; 0 of 0 while none runs.
    struct Progress
    {
        int done = 0;
        int total = 0;
        bool operator==(const Progress&) const = default;
    };

    // The folders the photos were listed in, as listed: the order's, and the root above it.
    struct Listed
    {
        ListedFolder order;
        std::optional<ListedFolder> root;
    };

    // What a batch did, told on the GUI thread when it ends.
    struct Outcome
    {
        // The photos that failed for reasons of their own.
        QList<OrdersOutcome::Failure> failures;
        QStringList edited;
        // When a photo failed and the root or the order folder was then no longer the one listed: that
        // folder, the photo, and every later photo, left untried (their paths no longer lead into the
        // folder listed).
        std::optional<OrdersOutcome::GoneFolder> gone;
    };
    // Called when a batch ends, before its message is told: the store notes the edited photos.
    using Noted = std::function<void(const Outcome&)>;

    explicit OrdersBatch(QObject* parent = nullptr);

    // The files handed to the photo services: everything but the videos, in the order given. A file of
    // another extension still counts as a photo, and the photo services say why they cannot edit it.
    static QStringList photosOf(const QStringList& files);

    bool isRetouching() const { return m_isRetouching; }
    // True while a watermark batch runs (a second one is not refused).
    bool isWatermarking() const { return m_watermarkBatches > 0; }
    const Progress& retouchProgress() const { return m_retouchProgress; }
    const Progress& watermarkProgress() const { return m_watermarkProgress; }

    // The watermark image `file` (named `fileName` in messages) on each photo. `order`: the folders the
    // photos were listed in, whose loss the outcome tells. `noted` is called with the outcome while the
    // batch still counts as running.
    void applyWatermark(const QStringList& photos, const QString& file, const QString& fileName,
        const std::optional<Listed>& order, Noted noted);
    // The retouch `settings` (not neutral) on each photo, with the watermark in use if any. `noted` is
    // called with the outcome once the batch no longer counts as running.
    void applyRetouch(const QStringList& photos, const PhotoRetouchSettings& settings,
        const std::optional<QString>& watermark, const std::optional<Listed>& order, Noted noted);

signals:
    void isRetouchingChanged();
    void isWatermarkingChanged();
    void progressChanged();
    // What an ended batch says: the photos that failed and why, or none when all went through.
    void outcomeTold(const std::optional<QString>& message, const QString& details);

private:
    void startProgress(Progress& progress, qsizetype photos);
    void advanceProgress(Progress& progress);
    void endProgress(Progress& progress);
    void setRetouching(bool retouching);
    void setWatermarkBatches(int running);
    void tell(const Outcome& outcome);

    bool m_isRetouching = false;
    // Watermark batches started and not finished.
    int m_watermarkBatches = 0;
    Progress m_retouchProgress;
    Progress m_watermarkProgress;
};

} // namespace quavel
