#pragma once

#include <functional>

class QDialog;
class QWidget;

namespace quavel {

struct ProgrammeDocument;
struct SpreadsheetRecord;

// Makes the workspace screens that other libraries provide. A screen that is not available yet comes
// back as nullptr and its pane stays empty. The window owns what it gets and destroys a screen when
// another section is shown, so a hidden screen never reacts to a menu command.
class ViewFactory
{
public:
    virtual ~ViewFactory() = default;

    virtual QWidget* createRiderFoldersView(QWidget* parent) = 0;
    virtual QWidget* createWorkspaceView(const SpreadsheetRecord& spreadsheet, QWidget* parent) = 0;
    virtual QWidget* createOrdersView(QWidget* parent) = 0;
    // The programme web browser; it calls onImport with the document of a successful import and then
    // closes itself.
    virtual QDialog* createProgrammeBrowser(
        QWidget* parent, std::function<void(const ProgrammeDocument&)> onImport)
        = 0;
};

// No screen is available: every pane is empty and the browser does not open.
class EmptyViewFactory : public ViewFactory
{
public:
    QWidget* createRiderFoldersView(QWidget*) override { return nullptr; }
    QWidget* createWorkspaceView(const SpreadsheetRecord&, QWidget*) override { return nullptr; }
    QWidget* createOrdersView(QWidget*) override { return nullptr; }
    QDialog* createProgrammeBrowser(QWidget*, std::function<void(const ProgrammeDocument&)>) override
    {
        return nullptr;
    }
};

} // namespace quavel
