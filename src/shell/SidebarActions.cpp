// The sidebar's actions: its context menus, done marks, deletions and rename prompts.
#include "shell/Sidebar.h"

#include "library/LibraryStore.h"
#include "shell/NamePrompt.h"
#include "shell/RootController.h"
#include "shell/WorkspaceSource.h"
#include "ui/Symbols.h"

#include <QMenu>

namespace quavel {

QAction* Sidebar::addMenuItem(
    QMenu* menu, const QString& title, const QString& symbol, std::function<void()> action)
{
    QAction* a = menu->addAction(Symbols::icon(symbol, menu->palette().color(QPalette::WindowText)), title);
    QObject::connect(a, &QAction::triggered, menu, std::move(action));
    return a;
}

QMenu* Sidebar::dayMenu(const QUuid& dayID, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    addMenuItem(menu, QStringLiteral("Nouveau tableur"), QStringLiteral("plus"),
        [this, dayID] { m_root.openNewSpreadsheetPrompt(dayID); });
    addMenuItem(menu, QStringLiteral("Renommer le jour"), QStringLiteral("pencil"),
        [this, dayID] { beginRenameDay(dayID); });
    addMenuItem(menu, QStringLiteral("Supprimer le jour"), QStringLiteral("trash"),
        [this, dayID] { deleteDay(dayID); });
    return menu;
}

QMenu* Sidebar::emptyDayMenu(const QUuid& dayID, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    addMenuItem(menu, QStringLiteral("Nouveau tableur"), QStringLiteral("plus"),
        [this, dayID] { m_root.openNewSpreadsheetPrompt(dayID); });
    return menu;
}

QMenu* Sidebar::spreadsheetMenu(const QUuid& spreadsheetID, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const auto sheet = m_store.snapshot().spreadsheet(spreadsheetID);
    const std::optional<QUuid> dayID = sheet ? std::optional<QUuid>(sheet->dayID) : std::nullopt;
    addMenuItem(menu, QStringLiteral("Nouveau tableur"), QStringLiteral("plus"),
        [this, dayID] { m_root.openNewSpreadsheetPrompt(dayID); });
    if (m_workspace) {
        const bool done = m_workspace->isCompleted(spreadsheetID);
        addMenuItem(menu, done ? QStringLiteral("Marquer à faire") : QStringLiteral("Marquer comme fait"),
            done ? QStringLiteral("circle") : QStringLiteral("checkmark.circle"),
            [this, spreadsheetID] { toggleDone(spreadsheetID); });
    }
    addMenuItem(menu, QStringLiteral("Renommer"), QStringLiteral("pencil"),
        [this, spreadsheetID] { beginRenameSpreadsheet(spreadsheetID); });
    addMenuItem(menu, QStringLiteral("Supprimer"), QStringLiteral("trash"),
        [this, spreadsheetID] { deleteSpreadsheet(spreadsheetID); });
    return menu;
}

void Sidebar::toggleDone(const QUuid& spreadsheetID)
{
    if (!m_workspace)
        return;
    m_workspace->setCompleted(!m_workspace->isCompleted(spreadsheetID), spreadsheetID);
}

void Sidebar::deleteSpreadsheet(const QUuid& spreadsheetID)
{
    if (m_root.selectedSpreadsheetID() == spreadsheetID)
        m_root.setSelectedSpreadsheetID(std::nullopt);
    m_store.deleteSpreadsheet(spreadsheetID);
}

void Sidebar::deleteDay(const QUuid& dayID)
{
    if (m_root.selectedDayID() == dayID)
        m_root.setSelectedDayID(std::nullopt);
    if (const auto selected = m_root.selectedSpreadsheetID()) {
        const auto sheet = m_store.snapshot().spreadsheet(*selected);
        if (sheet && sheet->dayID == dayID)
            m_root.setSelectedSpreadsheetID(std::nullopt);
    }
    m_store.deleteDay(dayID);
}

void Sidebar::beginRenameDay(const QUuid& dayID)
{
    const auto day = m_store.snapshot().day(dayID);
    m_renameSheetID.reset();
    m_renameDayID = dayID;
    openRenamePrompt(QStringLiteral("Renommer le jour"), day ? day->name : QString());
}

void Sidebar::beginRenameSpreadsheet(const QUuid& spreadsheetID)
{
    const auto sheet = m_store.snapshot().spreadsheet(spreadsheetID);
    m_renameDayID.reset();
    m_renameSheetID = spreadsheetID;
    openRenamePrompt(QStringLiteral("Renommer le tableur"), sheet ? sheet->title : QString());
}

void Sidebar::openRenamePrompt(const QString& title, const QString& text)
{
    if (m_renamePrompt)
        m_renamePrompt->deleteLater();
    m_renamePrompt = new NamePrompt(title, QStringLiteral("Nom"), QStringLiteral("Enregistrer"), this);
    m_renamePrompt->setText(text);
    NamePrompt* prompt = m_renamePrompt;
    connect(prompt, &QDialog::finished, this, [this, prompt](int result) {
        if (prompt != m_renamePrompt)
            return;
        finishRename(result == QDialog::Accepted);
        m_renamePrompt = nullptr;
        prompt->deleteLater();
    });
    prompt->open();
}

void Sidebar::finishRename(bool save)
{
    const QString typed = m_renamePrompt ? m_renamePrompt->text() : QString();
    const auto dayID = std::exchange(m_renameDayID, std::nullopt);
    const auto sheetID = std::exchange(m_renameSheetID, std::nullopt);
    if (!save)
        return;
    // The text goes over exactly as typed; the store trims it.
    if (dayID)
        m_store.renameDay(*dayID, typed);
    else if (sheetID)
        m_store.renameSpreadsheet(*sheetID, typed);
}

} // namespace quavel
