#pragma once

#include "shell/ViewFactory.h"

namespace quavel {

class LibraryStore;
class OrdersStore;
class RiderFoldersStore;
class WorkspaceStore;

// The application's screens over its own stores: the spreadsheet editor, the rider-folders screen and
// the programme web browser. The stores outlive every screen made here.
class ScreenFactory : public ViewFactory
{
public:
    ScreenFactory(
        LibraryStore& library, WorkspaceStore& workspace, RiderFoldersStore& riderFolders, OrdersStore& orders);

    QWidget* createRiderFoldersView(QWidget* parent) override;
    QWidget* createWorkspaceView(const SpreadsheetRecord& spreadsheet, QWidget* parent) override;
    // The orders screen has not landed: its pane stays empty.
    QWidget* createOrdersView(QWidget*) override { return nullptr; }
    QDialog* createProgrammeBrowser(
        QWidget* parent, std::function<void(const ProgrammeDocument&)> onImport) override;

private:
    LibraryStore& m_library;
    WorkspaceStore& m_workspace;
    RiderFoldersStore& m_riderFolders;
    OrdersStore& m_orders;
};

} // namespace quavel
