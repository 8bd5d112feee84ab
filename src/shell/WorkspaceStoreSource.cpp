#include "shell/WorkspaceStoreSource.h"

#include "workspace/ProgrammeStorage.h"
#include "workspace/WorkspaceStore.h"

namespace quavel {

WorkspaceStoreSource::WorkspaceStoreSource(std::unique_ptr<WorkspaceStore> store, QObject* parent)
    : WorkspaceSource(parent)
    , m_store(std::move(store))
{
    connect(m_store.get(), &WorkspaceStore::settingsChanged, this, &WorkspaceSource::settingsChanged);
    connect(m_store.get(), &WorkspaceStore::actionHistoryChanged, this, &WorkspaceSource::historyChanged);
}

WorkspaceStoreSource::~WorkspaceStoreSource() = default;

bool WorkspaceStoreSource::isCompleted(const QUuid& spreadsheetID) const
{
    return m_store->settings(spreadsheetID).isCompleted;
}

void WorkspaceStoreSource::setCompleted(bool completed, const QUuid& spreadsheetID)
{
    m_store->setCompleted(completed, spreadsheetID);
}

QList<WorkspaceSource::HistorySection> WorkspaceStoreSource::historySections() const
{
    return m_store->historySections();
}

void WorkspaceStoreSource::persistProgrammeIndex(const ProgrammeDocument& document)
{
    m_store->persistProgrammeIndex(document);
}

void WorkspaceStoreSource::removeProgrammeCopies()
{
    m_store->removeProgrammeCopies();
}

void WorkspaceStoreSource::adoptProgramme(const ProgrammeDocument& document)
{
    m_store->setProgramme(document);
    m_store->setProgrammeName(document.sourceName);
}

void WorkspaceStoreSource::persist()
{
    m_store->persist();
}

} // namespace quavel
