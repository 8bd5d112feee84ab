#pragma once

#include "platform/share/ShareService.h"

#include <QImage>
#include <QStringList>

#include <functional>
#include <memory>

namespace quavel {

// Sends files to a nearby device and tells the caller which files were sent once the transfer
// succeeded: the orders screen marks them delivered. One send at a time: a second send replaces the
// pending files and completion (the earlier completion is then never called); failure and cancellation
// drop them silently. Without a service (always so on Linux) a send does nothing. GUI thread only.
class AirDropShare : public ShareService::Delegate
{
public:
    using Completion = std::function<void(const QStringList& sent)>;
    using ServiceLookup = std::function<std::shared_ptr<ShareService>()>;

    explicit AirDropShare(ServiceLookup lookup = &ShareService::nearbyDevice);

    // The instance the whole application uses.
    static AirDropShare& shared();

    // Starts a send of the files; an empty list, or no service, does nothing. The completion is called
    // once, with these files in this order, only when the service reports success.
    void send(const QStringList& files, Completion completion);

    void didShare(ShareService& service, const QStringList& items) override;
    void didFailToShare(ShareService& service, const QStringList& items, const QString& error) override;

    // The service of the last send, kept after it; null before the first.
    ShareService* service() const { return m_service.get(); }
    const QStringList& pendingFiles() const { return m_pendingFiles; }
    bool hasPendingCompletion() const { return bool(m_onDidShare); }

    // The picture of the share button, made once per process (needs the GUI application): the service's
    // own picture, else a round picture drawn from the icon theme, so the button is never blank.
    static QImage icon();
    // The icon chain for a given service picture (null: the drawn picture).
    static QImage makeIcon(const QImage& serviceImage);

private:
    ServiceLookup m_lookup;
    std::shared_ptr<ShareService> m_service;
    QStringList m_pendingFiles;
    Completion m_onDidShare;
};

} // namespace quavel
