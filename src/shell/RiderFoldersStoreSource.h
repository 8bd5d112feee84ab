#pragma once

#include "shell/WorkspaceSource.h"

#include <memory>

namespace quavel {

class RiderFoldersStore;

// The rider-folders store as the window sees it. Owns the store, which the rider-folders screen reads
// through store(); every call goes straight to it. GUI thread only.
class RiderFoldersStoreSource : public RiderFoldersSource
{
    Q_OBJECT

public:
    explicit RiderFoldersStoreSource(std::unique_ptr<RiderFoldersStore> store, QObject* parent = nullptr);
    ~RiderFoldersStoreSource() override;

    RiderFoldersStore& store() const { return *m_store; }

    void persistProgrammeIndex(const ProgrammeDocument& document) override;
    void removeProgrammeCopies() override;
    void adoptProgramme(const ProgrammeDocument& document) override;
    void persist() override;

private:
    std::unique_ptr<RiderFoldersStore> m_store;
};

} // namespace quavel
