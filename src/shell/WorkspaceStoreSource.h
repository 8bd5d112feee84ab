#pragma once

#include "shell/WorkspaceSource.h"

#include <memory>

namespace quavel {

class WorkspaceStore;

// The spreadsheet workspace's store as the window sees it. Owns the store, which the workspace
// screens read through store(); every call goes straight to it. GUI thread only.
class WorkspaceStoreSource : public WorkspaceSource
{
    Q_OBJECT

public:
    explicit WorkspaceStoreSource(std::unique_ptr<WorkspaceStore> store, QObject* parent = nullptr);
    ~WorkspaceStoreSource() override;

    WorkspaceStore& store() const { return *m_store; }

    bool isCompleted(const QUuid& spreadsheetID) const override;
    void setCompleted(bool completed, const QUuid& spreadsheetID) override;
    QList<HistorySection> historySections() const override;

    void persistProgrammeIndex(const ProgrammeDocument& document) override;
    void removeProgrammeCopies() override;
    void adoptProgramme(const ProgrammeDocument& document) override;
    void persist() override;

private:
    std::unique_ptr<WorkspaceStore> m_store;
};

} // namespace quavel
