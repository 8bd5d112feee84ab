#pragma once

#include "programme/ProgrammeDocument.h"
#include "programme/WebProgrammeImporter.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLineEdit;
class QHBoxLayout;
class QScrollArea;

namespace quavel {

class ActivitySpinner;
class CapsuleButton;
class ProgrammeBrowserModel;
class ProgrammeImportOverlay;
class ProgrammeWebView;
class ProgrammeWebViewPage;
class ToneLabel;

// The window in which the photographer browses a results site and imports the programme shown:
// address bar, favourites bar, the page, and a footer with the status line and the import buttons,
// over one ProgrammeBrowserModel of its own. A successful import hands the document to `onImport`
// once and closes the window; a failed one stays open with the error in red.
class ProgrammeBrowserView : public QDialog
{
    Q_OBJECT

public:
    using ImportHandler = std::function<void(const ProgrammeDocument&)>;

    static constexpr int minimumWidth = 960;
    static constexpr int minimumHeight = 680;

    explicit ProgrammeBrowserView(ImportHandler onImport, QWidget* parent = nullptr);
    ~ProgrammeBrowserView() override;

    ProgrammeBrowserModel& model() const { return *m_model; }
    ProgrammeWebView* webView() const { return m_webView; }

    // Runs the model's import for the footer's buttons.
    void importProgramme(WebProgrammeImporter::Scope scope);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* makeToolbar();
    QWidget* makeFavoritesBar();
    QWidget* makeFooter();
    void connectModel();

    void rebuildFavorites();
    void updateAddress();
    void updateHistoryButtons();
    void updateReloadButton();
    void updateStar();
    void updateStatus();
    void updateImportButtons();
    void updateOverlay();
    void loadPending();

    ImportHandler m_onImport;
    // Outlives the web view: the destructor deletes the web view first.
    std::unique_ptr<ProgrammeBrowserModel> m_model;
    bool m_imported = false;

    ProgrammeWebView* m_webView = nullptr;
    std::unique_ptr<ProgrammeWebViewPage> m_page;

    CapsuleButton* m_back = nullptr;
    CapsuleButton* m_forward = nullptr;
    CapsuleButton* m_reload = nullptr;
    QLineEdit* m_address = nullptr;
    CapsuleButton* m_star = nullptr;
    QScrollArea* m_favoritesScroll = nullptr;
    QWidget* m_favoritesRow = nullptr;
    QHBoxLayout* m_favoritesLayout = nullptr;
    ActivitySpinner* m_spinner = nullptr;
    ToneLabel* m_status = nullptr;
    CapsuleButton* m_close = nullptr;
    CapsuleButton* m_importEvent = nullptr;
    CapsuleButton* m_importContest = nullptr;
    ProgrammeImportOverlay* m_overlay = nullptr;
};

} // namespace quavel
