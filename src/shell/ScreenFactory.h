#pragma once

#include "shell/ViewFactory.h"

namespace quavel {

class LibraryStore;
class OrdersStore;
class RiderFoldersStore;
class WorkspaceStore;

// The application's screens over its own stores: the spreadsheet editor, the rider-folders screen, the
// orders screen and the programme web browser. The stores outlive every screen made here.
class ScreenFactory : public ViewFactory
{
public:
    ScreenFactory(
        LibraryStore& library, WorkspaceStore& workspace, RiderFoldersStore& riderFolders, OrdersStore& orders);

    QWidget* createRiderFoldersView(QWidget* parent) override;
    QWidget* createWorkspaceView(const SpreadsheetRecord& spreadsheet, QWidget* parent) override;
    QWidget* createOrdersView(QWidget* parent) override;
    QDialog* createProgrammeBrowser(
        QWidget* parent, std::function<void(const ProgrammeDocument&)> onImport) override;

private:
    LibraryStore& m_library;
    WorkspaceStore& m_workspace;
    RiderFoldersStore& m_riderFolders;
    OrdersStore& m_orders;
};

} // namespace quavel
