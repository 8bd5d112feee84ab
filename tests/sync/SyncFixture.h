#pragma once

#include "FakeNetwork.h"
#include "common/TestSupport.h"
#include "platform/UserDefaults.h"
#include "sync/SyncService.h"

#include <gtest/gtest.h>

#include <memory>

namespace quavel::test {

// A desktop service named "QUAVEL Mac 0B12" on the fake network, with short delays.
class SyncFixture : public ::testing::Test
{
protected:
    static SyncTiming fastTiming()
    {
        using namespace std::chrono_literals;
        SyncTiming t;
        t.dialDelay = 40ms;
        t.reconnectDelay = 40ms;
        t.restartDelay = 60ms;
        t.restartThrottle = 2000ms;
        t.pendingNameTimeout = 80ms;
        return t;
    }

    UserDefaults& defaults()
    {
        if (!m_defaults)
            m_defaults = std::make_unique<UserDefaults>(m_folder.file(QStringLiteral("defaults.json")));
        return *m_defaults;
    }

    SyncService& service(const QString& ownName = QStringLiteral("QUAVEL Mac 0B12"))
    {
        if (!m_service) {
            if (!ownName.isEmpty())
                defaults().setString(QStringLiteral("quavel.peerName.mac.v3"), ownName);
            m_service = std::make_unique<SyncService>(QStringLiteral("mac"), defaults(), network, timing);
        }
        return *m_service;
    }

    // Started, with one browse result per name (TXT of a phone).
    SyncService& startedWith(const QStringList& browsed, const QStringList& enabled = {})
    {
        for (const QString& name : enabled)
            service().setPeerEnabled(name, true);
        service().start(false);
        browse(browsed);
        return service();
    }

    void browse(const QStringList& names)
    {
        QList<BrowseResult> results;
        for (const QString& name : names)
            results.append(
                serviceResult(name, QMap<QString, QString> { { "app", "QUAVEL" }, { "role", "ios" } }));
        network.browser()->deliver(results);
    }

    // Lets queued deletions and timers of `ms` run.
    static void pump(int ms)
    {
        waitUntil([] { return false; }, ms);
    }

    FakeNetwork network;
    SyncTiming timing = fastTiming();
    TempFolder m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<SyncService> m_service;
};

} // namespace quavel::test
