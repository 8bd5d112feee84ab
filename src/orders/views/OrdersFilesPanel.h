#pragma once

#include <QAbstractButton>
#include <QWidget>

class QMenu;

namespace quavel {

class CapsuleButton;
class OrdersScreen;
class PrintPhotosMenu;
class ToneLabel;

// The files block of the folder column: how many files are selected, and what can be done with them:
// open them with another application (the choice remembered per file type), print them, share them
// to a nearby device (marking them delivered when the transfer succeeds), preview the first one,
// select every file, clear the selection.
class OrdersFilesPanel : public QWidget
{
    Q_OBJECT

public:
    explicit OrdersFilesPanel(OrdersScreen& screen, QWidget* parent = nullptr);

    ToneLabel* summary() const { return m_summary; }
    CapsuleButton* openWithButton() const { return m_openWith; }
    // Rebuilt from the selection each time it opens.
    QMenu* openWithMenu() const { return m_openWithMenu; }
    CapsuleButton* printButton() const { return m_print; }
    PrintPhotosMenu* printMenu() const { return m_printMenu; }
    QAbstractButton* shareButton() const { return m_share; }
    CapsuleButton* previewButton() const { return m_preview; }
    CapsuleButton* allButton() const { return m_all; }
    CapsuleButton* clearButton() const { return m_clear; }
    // The row of the open-with, print and share controls.
    QWidget* actionsRow() const { return m_actions; }

    // Fills the open-with menu for the selection as it is now.
    void fillOpenWithMenu();

private:
    void refresh();

    OrdersScreen& m_screen;
    ToneLabel* m_summary = nullptr;
    CapsuleButton* m_openWith = nullptr;
    QMenu* m_openWithMenu = nullptr;
    CapsuleButton* m_print = nullptr;
    PrintPhotosMenu* m_printMenu = nullptr;
    QAbstractButton* m_share = nullptr;
    CapsuleButton* m_preview = nullptr;
    CapsuleButton* m_all = nullptr;
    CapsuleButton* m_clear = nullptr;
    QWidget* m_actions = nullptr;
};

} // namespace quavel
