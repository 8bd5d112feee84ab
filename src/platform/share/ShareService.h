#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QImage;

namespace quavel {

// A service that sends files to a nearby device, shows its own panel, and reports which files were sent.
// GUI thread only; the delegate is called on the GUI thread, after perform() has returned.
class ShareService
{
public:
    class Delegate
    {
    public:
        virtual ~Delegate() = default;
        // The transfer arrived.
        virtual void didShare(ShareService& service, const QStringList& items) = 0;
        // The transfer failed or the user cancelled it.
        virtual void didFailToShare(ShareService& service, const QStringList& items, const QString& error)
            = 0;
    };

    virtual ~ShareService() = default;

    // The object told of the outcome; not owned.
    virtual void setDelegate(Delegate* delegate) = 0;
    // Starts sending the files; returns at once.
    virtual void perform(const QStringList& items) = 0;
    // The service's own picture; null when it has none.
    virtual QImage image() const = 0;

    // The machine's service for sending to a nearby device, or none. There is none on Linux: no service
    // sends files to a nearby device and reports that they arrived, and a report of success marks the
    // files delivered, so a guess would mark undelivered files.
    static std::shared_ptr<ShareService> nearbyDevice();
};

} // namespace quavel
