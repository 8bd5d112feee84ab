#pragma once

#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace quavel {

class HistoryPanel;
class LibraryStore;
class NamePrompt;
class NearbyDevicePicker;
class RootController;
class SyncBadge;
class SyncStatusSource;
class UserDefaults;
class WorkspaceSource;

// The left column of the "Tableur" workspace: the days as sections holding their spreadsheets, with add,
// rename, delete and done marks, a top bar (add menu, sync restart) and at the foot the organiser
// history, the device picker and the sync badge. It owns no data; the selection is the window's.
class Sidebar : public QWidget
{
    Q_OBJECT

public:
    Sidebar(LibraryStore& store, SyncStatusSource& sync, WorkspaceSource* workspace, RootController& root,
        UserDefaults& defaults, QWidget* parent = nullptr);

    // The context menus, built for the given record (tests trigger their actions).
    QMenu* dayMenu(const QUuid& dayID, QWidget* parent);
    QMenu* emptyDayMenu(const QUuid& dayID, QWidget* parent);
    QMenu* spreadsheetMenu(const QUuid& spreadsheetID, QWidget* parent);
    QMenu* addMenu() const { return m_addMenu; }

    void toggleDone(const QUuid& spreadsheetID);
    void deleteSpreadsheet(const QUuid& spreadsheetID);
    void deleteDay(const QUuid& dayID);
    void beginRenameDay(const QUuid& dayID);
    void beginRenameSpreadsheet(const QUuid& spreadsheetID);

    NamePrompt* renamePrompt() const { return m_renamePrompt; }
    std::optional<QUuid> renameDayID() const { return m_renameDayID; }
    std::optional<QUuid> renameSheetID() const { return m_renameSheetID; }

    QTreeWidget* list() const { return m_list; }
    bool showsPlaceholder() const;
    // The tree item of a spreadsheet (tests).
    QTreeWidgetItem* itemFor(const QUuid& spreadsheetID) const;
    HistoryPanel* historyPanel() const { return m_history; }
    SyncBadge* badge() const { return m_badge; }
    NearbyDevicePicker* devicePicker() const { return m_picker; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static QAction* addMenuItem(
        QMenu* menu, const QString& title, const QString& symbol, std::function<void()> action);
    void rebuild();
    void syncSelectionToList();
    void onListSelection();
    QWidget* dayHeader(const QUuid& dayID, const QString& name);
    QWidget* spreadsheetRow(const QUuid& spreadsheetID);
    void openRenamePrompt(const QString& title, const QString& text);
    void finishRename(bool save);

    LibraryStore& m_store;
    SyncStatusSource& m_sync;
    WorkspaceSource* m_workspace;
    RootController& m_root;
    QStackedWidget* m_stack;
    QTreeWidget* m_list;
    QMenu* m_addMenu;
    HistoryPanel* m_history;
    NearbyDevicePicker* m_picker;
    SyncBadge* m_badge;
    NamePrompt* m_renamePrompt = nullptr;
    std::optional<QUuid> m_renameDayID;
    std::optional<QUuid> m_renameSheetID;
    std::optional<QUuid> m_revealedSpreadsheet;
    bool m_rebuilding = false;
};

} // namespace quavel
