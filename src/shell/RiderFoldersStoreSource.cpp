#include "shell/RiderFoldersStoreSource.h"

#include "workspace/ProgrammeStorage.h"
#include "workspace/RiderFoldersStore.h"

namespace quavel {

RiderFoldersStoreSource::RiderFoldersStoreSource(std::unique_ptr<RiderFoldersStore> store, QObject* parent)
    : RiderFoldersSource(parent)
    , m_store(std::move(store))
{ }

RiderFoldersStoreSource::~RiderFoldersStoreSource() = default;

void RiderFoldersStoreSource::persistProgrammeIndex(const ProgrammeDocument& document)
{
    m_store->persistProgrammeIndex(document);
}

void RiderFoldersStoreSource::removeProgrammeCopies()
{
    m_store->removeProgrammeCopies();
}

void RiderFoldersStoreSource::adoptProgramme(const ProgrammeDocument& document)
{
    m_store->setProgramme(document);
    m_store->setProgrammeName(document.sourceName);
}

void RiderFoldersStoreSource::persist()
{
    m_store->persist();
}

} // namespace quavel
