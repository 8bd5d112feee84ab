#include "shell/ScreenFactory.h"

#include "workspace/views/ProgrammeBrowserView.h"
#include "workspace/views/RiderFoldersView.h"
#include "workspace/views/WorkspaceView.h"

namespace quavel {

ScreenFactory::ScreenFactory(
    LibraryStore& library, WorkspaceStore& workspace, RiderFoldersStore& riderFolders, OrdersStore& orders)
    : m_library(library)
    , m_workspace(workspace)
    , m_riderFolders(riderFolders)
    , m_orders(orders)
{ }

QWidget* ScreenFactory::createRiderFoldersView(QWidget* parent)
{
    return new RiderFoldersView(m_riderFolders, {}, parent);
}

QWidget* ScreenFactory::createWorkspaceView(const SpreadsheetRecord& spreadsheet, QWidget* parent)
{
    return new WorkspaceView(spreadsheet, m_library, m_workspace, parent);
}

QDialog* ScreenFactory::createProgrammeBrowser(
    QWidget* parent, std::function<void(const ProgrammeDocument&)> onImport)
{
    return new ProgrammeBrowserView(std::move(onImport), parent);
}

} // namespace quavel
