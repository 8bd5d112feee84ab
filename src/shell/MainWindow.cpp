#include "shell/MainWindow.h"

#include "library/LibraryStore.h"
#include "platform/WindowFrame.h"
#include "shell/EmptyDetail.h"
#include "shell/NamePrompt.h"
#include "shell/RootController.h"
#include "shell/SectionBar.h"
#include "shell/Sidebar.h"
#include "shell/ViewFactory.h"
#include "ui/Backdrop.h"
#include "ui/Notifications.h"
#include "ui/WindowMoveLock.h"

#include "ui/Theme.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QVBoxLayout>

namespace quavel {

namespace {

// The window's content: the backdrop is its own painting, under the bar and the panes.
class RootView : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Backdrop::paint(p, rect(), Theme::isDark(this));
    }
};

// The "Tableur" split: the sidebar keeps the width it was given (at first its ideal 280, then wherever
// the user drags the handle), whatever replaces the editor beside it and however the window is resized;
// it gives way only to the editor's minimum width, and takes its width back when there is room again.
class SidebarSplitter : public QSplitter
{
public:
    SidebarSplitter(int& sidebarWidth, QWidget* parent)
        : QSplitter(Qt::Horizontal, parent)
        , m_sidebarWidth(sidebarWidth)
    {
        // Only a drag of the handle moves it; setSizes() does not.
        connect(
            this, &QSplitter::splitterMoved, this, [this](int position, int) { m_sidebarWidth = position; });
    }

    void keepSidebarWidth()
    {
        if (count() < 2)
            return;
        const int total = width() - handleWidth();
        setSizes({ m_sidebarWidth, std::max(0, total - m_sidebarWidth) });
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QSplitter::resizeEvent(event);
        keepSidebarWidth();
    }

private:
    int& m_sidebarWidth;
};

// A pane whose screen is not available yet: transparent, so the backdrop shows.
QWidget* emptyPane(QWidget* parent, const QString& name)
{
    auto* w = new QWidget(parent);
    w->setObjectName(name);
    return w;
}

} // namespace

MainWindow::MainWindow(RootController& root, LibraryStore& store, SyncStatusSource& sync,
    WorkspaceSource* workspace, ViewFactory& views, UserDefaults& defaults, QWidget* parent)
    : QMainWindow(parent)
    , m_root(root)
    , m_store(store)
    , m_sync(sync)
    , m_workspace(workspace)
    , m_views(views)
    , m_defaults(defaults)
{
    setWindowTitle(QStringLiteral("QUAVEL"));
    const QScreen* screen = QGuiApplication::primaryScreen();
    resize(defaultSize(screen ? screen->availableGeometry().size() : QSize()));
    restoreFrame();
    buildMenu();

    auto* content = new RootView(this);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_sectionBar = new SectionBar(root, store, content);
    column->addWidget(m_sectionBar);
    m_paneHost = new QWidget(content);
    auto* paneLayout = new QVBoxLayout(m_paneHost);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_paneHost, 1);
    setCentralWidget(content);

    WindowMoveLock::enableBackgroundMove(this);

    connect(&root, &RootController::sectionChanged, this, &MainWindow::rebuildPane);
    connect(&root, &RootController::selectionChanged, this, &MainWindow::rebuildDetail);
    connect(&store, &LibraryStore::snapshotChanged, this, &MainWindow::rebuildDetail);
    connect(&root, &RootController::newDayPromptChanged, this, &MainWindow::onNewDayPrompt);
    connect(&root, &RootController::newSheetPromptChanged, this, &MainWindow::onNewSheetPrompt);
    connect(&root, &RootController::importAlertChanged, this, &MainWindow::onImportAlert);
    // The alert shows the store's latest banner, also when another import lands while it is open.
    connect(&store, &LibraryStore::lastImportBannerChanged, this, [this] {
        if (m_importAlert)
            m_importAlert->setText(m_store.lastImportBanner().value_or(QStringLiteral("Fichier importé")));
    });
    connect(&root, &RootController::programmeImportErrorChanged, this, &MainWindow::onProgrammeError);
    connect(&root, &RootController::showProgrammeBrowserChanged, this, &MainWindow::onShowBrowser);
    rebuildPane();
}

MainWindow::~MainWindow() = default;

QSize MainWindow::defaultSize(const QSize& available)
{
    // The editor's bar fits beside the sidebar at this size; a smaller screen gets most of itself.
    const QSize size(1180, 760);
    return available.isValid() ? size.boundedTo(available * 0.94) : size;
}

void MainWindow::restoreFrame()
{
    const std::optional<WindowFrame> frame = WindowFrame::read(m_defaults);
    if (!frame)
        return;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    // A frame left on a screen that is gone, or larger than every screen now, would open out of
    // reach: the first launch's size instead.
    if (!frame->fitsOn(screens))
        return;
    setGeometry(frame->normal);
    if (frame->maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::saveFrame()
{
    WindowFrame frame;
    frame.maximized = isMaximized();
    // Maximised or full screen, the geometry to come back to is the one from before.
    const bool enlarged = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
    frame.normal = enlarged && normalGeometry().isValid() ? normalGeometry() : geometry();
    if (frame.normal.isEmpty())
        return;
    frame.write(m_defaults);
}

void MainWindow::buildMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("Fichier"));
    struct Item
    {
        const char* title;
        QKeySequence keys;
        const char* notification;
    };
    const Item first[] = {
        { "Nouveau jour", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), "quavelNewDay" },
        { "Nouveau tableur", QKeySequence(Qt::CTRL | Qt::Key_N), "quavelNewSpreadsheet" },
    };
    const Item second[] = {
        { "Paniers", QKeySequence(Qt::CTRL | Qt::Key_1), "quavelShowPaniers" },
        { "Tableur", QKeySequence(Qt::CTRL | Qt::Key_2), "quavelShowTableur" },
        { "Commandes", QKeySequence(Qt::CTRL | Qt::Key_3), "quavelShowCommandes" },
        { "Importer le programme…", QKeySequence(Qt::CTRL | Qt::Key_O), "quavelImportProgramme" },
        { "Importer depuis une page internet…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
            "quavelImportProgrammeWeb" },
    };
    auto add = [&](const Item& item) {
        QAction* a = file->addAction(QString::fromUtf8(item.title));
        a->setShortcut(item.keys);
        a->setShortcutContext(Qt::ApplicationShortcut);
        a->setObjectName(QString::fromLatin1(item.notification));
        const QString name = QString::fromLatin1(item.notification);
        connect(a, &QAction::triggered, this, [name] { Notifications::instance().post(name); });
    };
    for (const Item& item : first)
        add(item);
    for (const Item& item : second)
        add(item);
    // The desktop's own way out of an application.
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Quitter"));
    quit->setObjectName(QStringLiteral("quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, qApp, &QApplication::quit, Qt::QueuedConnection);
}

EmptyDetail* MainWindow::emptyDetail() const
{
    return qobject_cast<EmptyDetail*>(m_detail.data());
}

void MainWindow::rebuildPane()
{
    // Only the shown section's screen exists: the old one goes, with everything it listened to.
    if (m_pane)
        delete m_pane.data();
    m_sidebar = nullptr;
    m_split = nullptr;
    m_detail = nullptr;
    m_detailSpreadsheet.reset();

    QWidget* pane = nullptr;
    switch (m_root.shownSection()) {
    case WorkspaceSection::paniers:
        pane = m_views.createRiderFoldersView(m_paneHost);
        if (!pane)
            pane = emptyPane(m_paneHost, QStringLiteral("paniersPane"));
        break;
    case WorkspaceSection::commandes:
        pane = m_views.createOrdersView(m_paneHost);
        if (!pane)
            pane = emptyPane(m_paneHost, QStringLiteral("commandesPane"));
        break;
    case WorkspaceSection::tableur: {
        auto* split = new SidebarSplitter(m_sidebarWidth, m_paneHost);
        split->setObjectName(QStringLiteral("tableurPane"));
        split->setChildrenCollapsible(false);
        split->setHandleWidth(1);
        auto* sidebar = new Sidebar(m_store, m_sync, m_workspace, m_root, m_defaults, split);
        sidebar->setMinimumWidth(240);
        sidebar->setMaximumWidth(340);
        split->addWidget(sidebar);
        split->setStretchFactor(0, 0);
        m_sidebar = sidebar;
        m_split = split;
        pane = split;
        break;
    }
    }
    m_pane = pane;
    m_paneHost->layout()->addWidget(pane);
    if (m_split)
        rebuildDetail();
    pane->show();
}

void MainWindow::rebuildDetail()
{
    if (!m_split)
        return;
    const auto selected = m_root.selectedSpreadsheetID();
    const auto sheet = selected ? m_store.snapshot().spreadsheet(*selected) : std::nullopt;
    const std::optional<QUuid> wanted = sheet ? std::optional<QUuid>(sheet->id) : std::nullopt;
    // A spreadsheet keeps its editor while it stays selected; another one gets a fresh editor.
    if (m_detail && wanted == m_detailSpreadsheet)
        return;
    if (m_detail)
        delete m_detail.data();
    QWidget* detail = nullptr;
    if (sheet) {
        detail = m_views.createWorkspaceView(*sheet, m_split);
        if (!detail)
            detail = emptyPane(m_split, QStringLiteral("workspacePane"));
    } else {
        detail = new EmptyDetail(m_root, m_sync, m_split);
    }
    m_detail = detail;
    m_detailSpreadsheet = wanted;
    m_split->addWidget(detail);
    m_split->setStretchFactor(1, 1);
    detail->show();
    static_cast<SidebarSplitter*>(m_split.data())->keepSidebarWidth();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    WindowMoveLock::apply();
    emit contentShown();
}

void MainWindow::onNewDayPrompt(bool shown)
{
    if (!shown) {
        if (m_newDayPrompt)
            m_newDayPrompt->deleteLater();
        m_newDayPrompt = nullptr;
        return;
    }
    auto* prompt = new NamePrompt(
        QStringLiteral("Nouveau jour"), QStringLiteral("Nom du jour"), QStringLiteral("Créer"), this);
    m_newDayPrompt = prompt;
    connect(
        prompt->field(), &QLineEdit::textChanged, this, [this](const QString& t) { m_root.setNewName(t); });
    connect(prompt, &QDialog::finished, this, [this, prompt](int result) {
        if (prompt != m_newDayPrompt)
            return;
        if (result == QDialog::Accepted)
            m_root.createDay();
        else
            m_root.cancelNewDay();
    });
    prompt->open();
}

void MainWindow::onNewSheetPrompt(bool shown)
{
    if (!shown) {
        if (m_newSheetPrompt)
            m_newSheetPrompt->deleteLater();
        m_newSheetPrompt = nullptr;
        return;
    }
    auto* prompt = new NamePrompt(
        QStringLiteral("Nouveau tableur"), QStringLiteral("Nom du tableur"), QStringLiteral("Créer"), this);
    m_newSheetPrompt = prompt;
    connect(
        prompt->field(), &QLineEdit::textChanged, this, [this](const QString& t) { m_root.setNewName(t); });
    connect(prompt, &QDialog::finished, this, [this, prompt](int result) {
        if (prompt != m_newSheetPrompt)
            return;
        if (result == QDialog::Accepted)
            m_root.createSpreadsheet();
        else
            m_root.cancelNewSpreadsheet();
    });
    prompt->open();
}

void MainWindow::onImportAlert(bool shown)
{
    if (!shown)
        return;
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("AirDrop"),
        m_store.lastImportBanner().value_or(QStringLiteral("Fichier importé")), QMessageBox::NoButton, this);
    box->setTextFormat(Qt::PlainText);
    box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_importAlert = box;
    connect(box, &QDialog::finished, this, [this] { m_root.dismissImportAlert(); });
    box->open();
}

void MainWindow::onProgrammeError()
{
    const auto error = m_root.programmeImportError();
    if (!error) {
        if (m_programmeAlert)
            m_programmeAlert->close();
        return;
    }
    if (m_programmeAlert) {
        m_programmeAlert->setText(*error);
        return;
    }
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("Programme"), *error, QMessageBox::NoButton, this);
    box->setTextFormat(Qt::PlainText);
    box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_programmeAlert = box;
    connect(box, &QDialog::finished, this, [this] { m_root.dismissProgrammeAlert(); });
    box->open();
}

void MainWindow::onShowBrowser(bool shown)
{
    if (!shown) {
        if (m_browser)
            m_browser->close();
        return;
    }
    if (m_browser)
        return;
    // The browser gets a fresh model each time it is presented.
    QDialog* browser = m_views.createProgrammeBrowser(
        this, [this](const ProgrammeDocument& d) { m_root.ingestWebProgramme(d); });
    if (!browser) {
        m_root.setShowProgrammeBrowser(false);
        return;
    }
    browser->setAttribute(Qt::WA_DeleteOnClose);
    m_browser = browser;
    connect(browser, &QDialog::finished, this, [this] { m_root.setShowProgrammeBrowser(false); });
    browser->open();
}

} // namespace quavel
