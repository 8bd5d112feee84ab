#pragma once

#include "shell/NamePrompt.h"
#include "shell/Sidebar.h"

#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QSplitter>
#include <QUuid>

#include <optional>

namespace quavel {

class EmptyDetail;
class LibraryStore;
class RootController;
class SectionBar;
class SyncStatusSource;
class UserDefaults;
class ViewFactory;
class WorkspaceSource;

// The application's one window: the menu "Fichier", the section bar over the shown workspace, the
// backdrop behind everything, and the prompts and alerts of the root controller.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(RootController& root, LibraryStore& store, SyncStatusSource& sync, WorkspaceSource* workspace,
        ViewFactory& views, UserDefaults& defaults, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The size the window opens at on a screen with this much room, at the first launch and whenever
    // the frame kept from the last one lies on no screen.
    static QSize defaultSize(const QSize& available);
    // Keeps the window's frame (size, position, maximised) for the next launch, in the user defaults.
    void saveFrame();

    SectionBar* sectionBar() const { return m_sectionBar; }
    // The shown section's widget (rebuilt whenever the section changes).
    QWidget* pane() const { return m_pane; }
    Sidebar* sidebar() const { return m_sidebar; }
    EmptyDetail* emptyDetail() const;
    QWidget* detail() const { return m_detail; }
    NamePrompt* newDayPrompt() const { return m_newDayPrompt; }
    NamePrompt* newSheetPrompt() const { return m_newSheetPrompt; }
    QMessageBox* importAlert() const { return m_importAlert; }
    QMessageBox* programmeAlert() const { return m_programmeAlert; }
    QDialog* programmeBrowser() const { return m_browser; }

signals:
    // Each time the window's content is shown.
    void contentShown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildMenu();
    void restoreFrame();
    void rebuildPane();
    void rebuildDetail();
    void onNewDayPrompt(bool shown);
    void onNewSheetPrompt(bool shown);
    void onImportAlert(bool shown);
    void onProgrammeError();
    void onShowBrowser(bool shown);

    RootController& m_root;
    LibraryStore& m_store;
    SyncStatusSource& m_sync;
    WorkspaceSource* m_workspace;
    ViewFactory& m_views;
    UserDefaults& m_defaults;
    SectionBar* m_sectionBar;
    QWidget* m_paneHost;
    QPointer<QWidget> m_pane;
    QPointer<Sidebar> m_sidebar;
    QPointer<QSplitter> m_split;
    QPointer<QWidget> m_detail;
    // The sidebar's width in the "Tableur" split, kept across editors and sections.
    int m_sidebarWidth = 280;
    std::optional<QUuid> m_detailSpreadsheet;
    QPointer<NamePrompt> m_newDayPrompt;
    QPointer<NamePrompt> m_newSheetPrompt;
    QPointer<QMessageBox> m_importAlert;
    QPointer<QMessageBox> m_programmeAlert;
    QPointer<QDialog> m_browser;
};

} // namespace quavel
