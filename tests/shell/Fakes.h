#pragma once

// Fakes at the shell's own seams: the sync source, the workspace and rider-folder stores, and the
// services that make them. The library store is always the real one, in a temporary folder.

#include "common/TestSupport.h"
#include "library/LibraryStore.h"
#include "platform/Error.h"
#include "platform/UserDefaults.h"
#include "shell/OrdersSource.h"
#include "shell/ShellServices.h"
#include "shell/SyncStatusSource.h"
#include "shell/ViewFactory.h"
#include "shell/WorkspaceSource.h"

#include "programme/ProgrammeDocument.h"

#include <QDialog>
#include <QSet>

#include <functional>
#include <memory>

namespace quavel::test {

inline ProgrammeDocument programmeNamed(const QString& name)
{
    ProgrammeDocument d;
    d.sourceName = name;
    return d;
}

class FakeSync : public SyncStatusSource
{
public:
    Status m_status;
    QString m_title;
    QStringList m_preferred, m_nearby, m_listed, m_linked;
    QStringList calls; // "start(false)", "restart", "refreshPeers", "enable:<n>:<0|1>", "forget:<n>"
    std::function<void(const LibrarySnapshot&)> receiver;
    int receiverSets = 0;
    bool keepsPreferences = false; // setPeerEnabled changes nothing and announces nothing

    void set(Status s, QString title = {})
    {
        m_status = std::move(s);
        m_title = std::move(title);
        emit changed();
    }
    void setPeers(QStringList preferred, QStringList nearby, QStringList listed, QStringList linked = {})
    {
        m_preferred = std::move(preferred);
        m_nearby = std::move(nearby);
        m_listed = std::move(listed);
        m_linked = std::move(linked);
        emit changed();
    }

    Status status() const override { return m_status; }
    QString statusTitle() const override { return m_title.isEmpty() ? m_status.title() : m_title; }
    QStringList preferredPeerNames() const override { return m_preferred; }
    QStringList nearbyPeerNames() const override { return m_nearby; }
    QStringList listedPeerNames() const override { return m_listed; }
    bool isPreferred(const QString& n) const override { return contains(m_preferred, n); }
    bool isLinked(const QString& n) const override { return contains(m_linked, n); }
    void start(bool refresh) override
    {
        calls << QStringLiteral("start(%1)").arg(refresh ? "true" : "false");
    }
    void restart() override { calls << QStringLiteral("restart"); }
    void refreshPeers() override { calls << QStringLiteral("refreshPeers"); }
    void setPeerEnabled(const QString& n, bool on) override
    {
        calls << QStringLiteral("enable:%1:%2").arg(n).arg(on ? 1 : 0);
        if (keepsPreferences)
            return;
        if (on && !isPreferred(n))
            m_preferred << n;
        if (!on)
            m_preferred.removeIf([&](const QString& p) { return namesMatch(p, n); });
        emit changed();
    }
    void forgetPeer(const QString& n) override
    {
        calls << QStringLiteral("forget:") + n;
        m_preferred.removeIf([&](const QString& p) { return namesMatch(p, n); });
        m_listed.removeIf([&](const QString& p) { return namesMatch(p, n); });
        emit changed();
    }
    void setLibraryReceiver(std::function<void(const LibrarySnapshot&)> r) override
    {
        receiver = std::move(r);
        ++receiverSets;
    }

private:
    bool contains(const QStringList& list, const QString& n) const
    {
        return std::any_of(list.cbegin(), list.cend(), [&](const QString& p) { return namesMatch(p, n); });
    }
};

// Records every call in one journal shared with its sibling, so the order across stores can be seen.
class FakeWorkspace : public WorkspaceSource
{
public:
    explicit FakeWorkspace(QStringList* journal = nullptr)
        : m_journal(journal)
    { }

    QSet<QUuid> completed;
    QList<HistorySection> history;
    std::optional<QString> programmeName;
    bool failWrites = false;
    int persists = 0;

    bool isCompleted(const QUuid& id) const override { return completed.contains(id); }
    void setCompleted(bool on, const QUuid& id) override
    {
        if (on)
            completed.insert(id);
        else
            completed.remove(id);
        note(QStringLiteral("workspace.setCompleted"));
        emit settingsChanged();
    }
    QList<HistorySection> historySections() const override { return history; }
    void setHistory(QList<HistorySection> sections)
    {
        history = std::move(sections);
        emit historyChanged();
    }
    void persistProgrammeIndex(const ProgrammeDocument&) override
    {
        if (failWrites)
            throw Error(QStringLiteral("Écriture impossible : disque plein."));
        note(QStringLiteral("workspace.persistProgrammeIndex"));
    }
    void removeProgrammeCopies() override { note(QStringLiteral("workspace.removeProgrammeCopies")); }
    void adoptProgramme(const ProgrammeDocument& d) override { programmeName = d.sourceName; }
    void persist() override
    {
        ++persists;
        note(QStringLiteral("workspace.persist"));
    }

private:
    void note(const QString& s)
    {
        if (m_journal)
            m_journal->append(s);
    }
    QStringList* m_journal;
};

class FakeRiderFolders : public RiderFoldersSource
{
public:
    explicit FakeRiderFolders(QStringList* journal = nullptr)
        : m_journal(journal)
    { }
    std::optional<QString> programmeName;
    void persistProgrammeIndex(const ProgrammeDocument&) override
    {
        if (m_journal)
            m_journal->append(QStringLiteral("riderFolders.persistProgrammeIndex"));
    }
    void removeProgrammeCopies() override
    {
        if (m_journal)
            m_journal->append(QStringLiteral("riderFolders.removeProgrammeCopies"));
    }
    void adoptProgramme(const ProgrammeDocument& d) override { programmeName = d.sourceName; }
    void persist() override
    {
        if (m_journal)
            m_journal->append(QStringLiteral("riderFolders.persist"));
    }

private:
    QStringList* m_journal;
};

class FakeOrders : public OrdersSource
{
public:
    explicit FakeOrders(QStringList* journal)
        : m_journal(journal)
    { }
    void persist() override { m_journal->append(QStringLiteral("orders.persist")); }

private:
    QStringList* m_journal;
};

// A browser that imports at once when it is opened.
class FakeViews : public ViewFactory
{
public:
    std::function<void(const ProgrammeDocument&)> onImport;
    int browsersMade = 0;
    int riderViewsMade = 0;
    QWidget* createRiderFoldersView(QWidget* parent) override
    {
        ++riderViewsMade;
        auto* w = new QWidget(parent);
        w->setObjectName(QStringLiteral("fakeRiderFolders"));
        return w;
    }
    QWidget* createWorkspaceView(const SpreadsheetRecord&, QWidget*) override { return nullptr; }
    QWidget* createOrdersView(QWidget*) override { return nullptr; }
    QDialog* createProgrammeBrowser(
        QWidget* parent, std::function<void(const ProgrammeDocument&)> import) override
    {
        ++browsersMade;
        onImport = std::move(import);
        return new QDialog(parent);
    }
};

// Services over a temporary folder; the journal sees the creation order and every save.
class FakeServices : public ShellServices
{
public:
    explicit FakeServices(const QString& folder, UserDefaults& defaults)
        : m_folder(folder)
        , m_defaults(defaults)
    { }
    QStringList journal;
    FakeSync* sync = nullptr;
    FakeWorkspace* workspace = nullptr;
    FakeRiderFolders* riderFolders = nullptr;
    FakeViews* views = nullptr;
    FakeOrders* orders = nullptr;

    std::unique_ptr<LibraryStore> makeLibrary() override
    {
        journal << QStringLiteral("make.library");
        return std::make_unique<LibraryStore>(m_folder, m_defaults);
    }
    std::unique_ptr<SyncStatusSource> makeSync() override
    {
        journal << QStringLiteral("make.sync");
        auto s = std::make_unique<FakeSync>();
        sync = s.get();
        return s;
    }
    std::unique_ptr<WorkspaceSource> makeWorkspace() override
    {
        journal << QStringLiteral("make.workspace");
        auto w = std::make_unique<FakeWorkspace>(&journal);
        workspace = w.get();
        return w;
    }
    std::unique_ptr<RiderFoldersSource> makeRiderFolders() override
    {
        journal << QStringLiteral("make.riderFolders");
        auto r = std::make_unique<FakeRiderFolders>(&journal);
        riderFolders = r.get();
        return r;
    }
    std::unique_ptr<OrdersSource> makeOrders() override
    {
        journal << QStringLiteral("make.orders");
        auto o = std::make_unique<FakeOrders>(&journal);
        orders = o.get();
        return o;
    }
    std::unique_ptr<ViewFactory> makeViews() override
    {
        auto v = std::make_unique<FakeViews>();
        views = v.get();
        return v;
    }

private:
    QString m_folder;
    UserDefaults& m_defaults;
};

// A real library store and defaults in a fresh temporary folder.
struct LibraryFixture
{
    TempFolder folder;
    UserDefaults defaults { folder.file(QStringLiteral("config/defaults.json")) };
    std::unique_ptr<LibraryStore> store
        = std::make_unique<LibraryStore>(folder.file(QStringLiteral("data")), defaults);

    void reopen() { store = std::make_unique<LibraryStore>(folder.file(QStringLiteral("data")), defaults); }
};

} // namespace quavel::test
