#include "workspace/views/ProgrammeBrowserView.h"

#include "workspace/ProgrammeBrowserModel.h"
#include "workspace/views/ProgrammeImportOverlay.h"
#include "workspace/views/ProgrammeWebViewPage.h"

#include "platform/Error.h"
#include "ui/ActivitySpinner.h"
#include "ui/CapsuleButton.h"
#include "ui/CapsuleMetrics.h"
#include "ui/ProgrammeWebView.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>

namespace quavel {

namespace {

// A hairline between the bars and the page, in the label colour at low opacity so that it follows
// the scheme.
class Divider : public QWidget
{
public:
    explicit Divider(QWidget* parent)
        : QWidget(parent)
    {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Theme::withOpacity(Theme::primary(Theme::isDark(this)), 0.14));
    }
};

CapsuleButton* iconButton(const QString& symbol, const QString& name, QWidget* parent)
{
    auto* button = new CapsuleButton(QString(), symbol, CapsuleKind::icon, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

ProgrammeBrowserView::ProgrammeBrowserView(ImportHandler onImport, QWidget* parent)
    : QDialog(parent)
    , m_onImport(std::move(onImport))
    , m_model(std::make_unique<ProgrammeBrowserModel>())
{
    setWindowTitle(QStringLiteral("Importer depuis une page internet"));
    setMinimumSize(minimumWidth, minimumHeight);
    setSizeGripEnabled(true);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(makeToolbar());
    stack->addWidget(makeFavoritesBar());
    stack->addWidget(new Divider(this));
    m_webView = new ProgrammeWebView(this);
    m_webView->setObjectName(QStringLiteral("page"));
    stack->addWidget(m_webView, 1);
    stack->addWidget(new Divider(this));
    stack->addWidget(makeFooter());

    m_overlay = new ProgrammeImportOverlay(this);

    m_page = std::make_unique<ProgrammeWebViewPage>(m_webView);
    m_model->setWebPage(m_page.get());
    connectModel();
    rebuildFavorites();
    updateAddress();
    updateHistoryButtons();
    updateReloadButton();
    updateStar();
    updateStatus();
    updateImportButtons();
    updateOverlay();

    if (const std::optional<QUrl> start = WebProgrammeImporter::preparedURL(m_model->urlString()))
        m_webView->load(*start);
}

ProgrammeBrowserView::~ProgrammeBrowserView()
{
    // The web view goes first, while the model its signals reach is still there.
    m_webView->disconnect(this);
    delete m_webView;
}

QWidget* ProgrammeBrowserView::makeToolbar()
{
    auto* bar = new QWidget(this);
    Capsule::setControlSize(bar, ControlSize::regular);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(8);
    m_back = iconButton(QStringLiteral("chevron.left"), QStringLiteral("back"), bar);
    m_back->setToolTip(QStringLiteral("Page précédente"));
    m_forward = iconButton(QStringLiteral("chevron.right"), QStringLiteral("forward"), bar);
    m_forward->setToolTip(QStringLiteral("Page suivante"));
    m_reload = iconButton(QStringLiteral("arrow.clockwise"), QStringLiteral("reload"), bar);
    m_address = new QLineEdit(bar);
    m_address->setObjectName(QStringLiteral("address"));
    m_address->setPlaceholderText(QStringLiteral("Adresse"));
    m_address->setTextMargins(6, 0, 6, 0);
    m_address->setFixedHeight(int(CapsuleMetrics::height(CapsuleKind::icon, ControlSize::regular)));
    m_star = iconButton(QStringLiteral("star"), QStringLiteral("favorite"), bar);
    row->addWidget(m_back);
    row->addWidget(m_forward);
    row->addWidget(m_reload);
    row->addWidget(m_address, 1);
    row->addWidget(m_star);

    connect(m_back, &QAbstractButton::clicked, m_model.get(), &ProgrammeBrowserModel::back);
    connect(m_forward, &QAbstractButton::clicked, m_model.get(), &ProgrammeBrowserModel::forward);
    connect(m_reload, &QAbstractButton::clicked, m_model.get(), &ProgrammeBrowserModel::reload);
    connect(m_star, &QAbstractButton::clicked, m_model.get(), &ProgrammeBrowserModel::toggleFavorite);
    connect(m_address, &QLineEdit::textEdited, m_model.get(), &ProgrammeBrowserModel::setUrlString);
    connect(m_address, &QLineEdit::returnPressed, m_model.get(), &ProgrammeBrowserModel::submitURL);
    return bar;
}

QWidget* ProgrammeBrowserView::makeFavoritesBar()
{
    m_favoritesScroll = new QScrollArea(this);
    m_favoritesScroll->setObjectName(QStringLiteral("favoritesBar"));
    m_favoritesScroll->setFrameShape(QFrame::NoFrame);
    m_favoritesScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_favoritesScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_favoritesScroll->setWidgetResizable(true);
    m_favoritesScroll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_favoritesScroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    m_favoritesScroll->viewport()->setAutoFillBackground(false);
    m_favoritesRow = new QWidget;
    m_favoritesRow->setAutoFillBackground(false);
    Capsule::setControlSize(m_favoritesRow, ControlSize::small);
    m_favoritesLayout = new QHBoxLayout(m_favoritesRow);
    m_favoritesLayout->setContentsMargins(12, 0, 12, 8);
    m_favoritesLayout->setSpacing(6);
    m_favoritesScroll->setWidget(m_favoritesRow);
    m_favoritesScroll->setFixedHeight(
        int(CapsuleMetrics::height(CapsuleKind::glass, ControlSize::small)) + 8);
    return m_favoritesScroll;
}

QWidget* ProgrammeBrowserView::makeFooter()
{
    auto* footer = new QWidget(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(12, 10, 12, 10);
    row->setSpacing(12);
    m_spinner = new ActivitySpinner(footer);
    Capsule::setControlSize(m_spinner, ControlSize::small);
    m_spinner->setObjectName(QStringLiteral("spinner"));
    m_status = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::callout), footer);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->setMaximumHeight(2 * QFontMetrics(m_status->font()).lineSpacing() + 2);
    m_status->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_close = new CapsuleButton(QStringLiteral("Fermer"), QString(), CapsuleKind::glass, footer);
    m_close->setObjectName(QStringLiteral("close"));
    m_importEvent
        = new CapsuleButton(QStringLiteral("Importer cette épreuve"), QString(), CapsuleKind::glass, footer);
    m_importEvent->setObjectName(QStringLiteral("importEvent"));
    m_importContest = new CapsuleButton(QString(), QString(), CapsuleKind::prominent, footer);
    m_importContest->setObjectName(QStringLiteral("importContest"));
    row->addWidget(m_spinner);
    row->addWidget(m_status, 1);
    row->addSpacing(12);
    row->addWidget(m_close);
    row->addWidget(m_importEvent);
    row->addWidget(m_importContest);

    connect(m_close, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(m_importEvent, &QAbstractButton::clicked, this,
        [this] { importProgramme(WebProgrammeImporter::Scope::CurrentEvent); });
    connect(m_importContest, &QAbstractButton::clicked, this,
        [this] { importProgramme(WebProgrammeImporter::Scope::Contest); });
    return footer;
}

void ProgrammeBrowserView::connectModel()
{
    ProgrammeBrowserModel* model = m_model.get();
    connect(m_webView, &ProgrammeWebView::navigationStarted, this,
        [this] { m_model->navigationStarted(m_page.get()); });
    connect(m_webView, &ProgrammeWebView::navigationFinished, this,
        [this] { m_model->navigationFinished(m_page.get()); });
    connect(m_webView, &ProgrammeWebView::navigationFailed, model, &ProgrammeBrowserModel::navigationFailed);
    // The page's address also changes without a load (in-page links, history of a single page).
    connect(m_webView, &QWebEngineView::urlChanged, this, &ProgrammeBrowserView::updateStar);
    connect(model, &ProgrammeBrowserModel::loadRequested, this, &ProgrammeBrowserView::loadPending);

    connect(model, &ProgrammeBrowserModel::urlStringChanged, this, [this] {
        updateAddress();
        updateStar();
    });
    connect(model, &ProgrammeBrowserModel::favoritesChanged, this, [this] {
        rebuildFavorites();
        updateStar();
    });
    connect(
        model, &ProgrammeBrowserModel::canGoBackChanged, this, &ProgrammeBrowserView::updateHistoryButtons);
    connect(model, &ProgrammeBrowserModel::canGoForwardChanged, this,
        &ProgrammeBrowserView::updateHistoryButtons);
    connect(model, &ProgrammeBrowserModel::isLoadingChanged, this, [this] {
        updateReloadButton();
        updateStatus();
    });
    connect(model, &ProgrammeBrowserModel::statusChanged, this, &ProgrammeBrowserView::updateStatus);
    connect(model, &ProgrammeBrowserModel::importErrorChanged, this, &ProgrammeBrowserView::updateStatus);
    connect(model, &ProgrammeBrowserModel::isImportingChanged, this, [this] {
        updateStatus();
        updateImportButtons();
        updateOverlay();
    });
    connect(model, &ProgrammeBrowserModel::kindChanged, this, &ProgrammeBrowserView::updateImportButtons);
    connect(model, &ProgrammeBrowserModel::canImportEventChanged, this,
        &ProgrammeBrowserView::updateImportButtons);
    connect(model, &ProgrammeBrowserModel::canImportContestChanged, this,
        &ProgrammeBrowserView::updateImportButtons);
}

void ProgrammeBrowserView::loadPending()
{
    if (const std::optional<QUrl> url = m_model->takePendingLoad())
        m_webView->load(*url);
}

void ProgrammeBrowserView::rebuildFavorites()
{
    while (QLayoutItem* item = m_favoritesLayout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    const QList<ProgrammeFavorite>& favorites = m_model->favorites();
    if (favorites.isEmpty()) {
        auto* hint = new ToneLabel(QStringLiteral("Ajoutez un site en favori avec l’étoile."),
            Tone::secondary, Fonts::font(Fonts::Style::caption), m_favoritesRow);
        hint->setObjectName(QStringLiteral("favoritesHint"));
        hint->setContentsMargins(0, 4, 0, 4);
        m_favoritesLayout->addWidget(hint);
    }
    for (const ProgrammeFavorite& favorite : favorites) {
        auto* button = new CapsuleButton(favorite.title, QString(), CapsuleKind::glass, m_favoritesRow);
        button->setProperty("favoriteID", favorite.id);
        button->setTitleWidthRange(0, 260);
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(
            button, &QAbstractButton::clicked, m_model.get(), [this, favorite] { m_model->open(favorite); });
        connect(
            button, &QWidget::customContextMenuRequested, this, [this, button, favorite](const QPoint& at) {
                QMenu menu(button);
                QAction* remove
                    = menu.addAction(Symbols::icon(QStringLiteral("trash"), Theme::red(Theme::isDark(this))),
                        QStringLiteral("Supprimer"));
                if (menu.exec(button->mapToGlobal(at)) == remove)
                    m_model->removeFavorite(favorite);
            });
        m_favoritesLayout->addWidget(button);
    }
    m_favoritesLayout->addStretch(1);
}

void ProgrammeBrowserView::updateAddress()
{
    // The field is rewritten only when the model's text differs, so typing keeps its cursor.
    if (m_address->text() != m_model->urlString())
        m_address->setText(m_model->urlString());
}

void ProgrammeBrowserView::updateHistoryButtons()
{
    m_back->setEnabled(m_model->canGoBack());
    m_forward->setEnabled(m_model->canGoForward());
}

void ProgrammeBrowserView::updateReloadButton()
{
    const bool loading = m_model->isLoading();
    m_reload->setSymbol(loading ? QStringLiteral("xmark") : QStringLiteral("arrow.clockwise"));
    m_reload->setToolTip(
        loading ? QStringLiteral("Arrêter le chargement") : QStringLiteral("Recharger la page"));
}

void ProgrammeBrowserView::updateStar()
{
    const bool favorite = m_model->isCurrentFavorite();
    const bool dark = Theme::isDark(this);
    m_star->setSymbol(favorite ? QStringLiteral("star.fill") : QStringLiteral("star"));
    m_star->setSymbolColor(favorite ? Theme::yellow(dark) : Theme::secondary(dark));
    m_star->setToolTip(
        favorite ? QStringLiteral("Retirer des favoris") : QStringLiteral("Ajouter aux favoris"));
}

void ProgrammeBrowserView::updateStatus()
{
    m_spinner->setVisible(m_model->isLoading() && !m_model->isImporting());
    m_status->setText(m_model->status());
    m_status->setTone(m_model->importError() ? Tone::red : Tone::secondary);
    m_overlay->setStatus(m_model->status());
}

void ProgrammeBrowserView::updateImportButtons()
{
    const bool importing = m_model->isImporting();
    m_importEvent->setVisible(m_model->canImportEvent());
    m_importEvent->setEnabled(!importing);
    m_importContest->setText(m_model->kind() == WebProgrammeSnapshot::Kind::Startlist
            ? QStringLiteral("Importer tout le concours")
            : QStringLiteral("Importer le concours"));
    m_importContest->setEnabled(m_model->canImportContest() && !importing);
}

void ProgrammeBrowserView::updateOverlay()
{
    if (!m_model->isImporting()) {
        const bool hadFocus = m_overlay->hasFocus();
        m_overlay->hide();
        if (hadFocus)
            m_address->setFocus();
        return;
    }
    m_overlay->place();
    m_overlay->raise();
    m_overlay->show();
    m_overlay->setFocus();
}

void ProgrammeBrowserView::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    m_overlay->place();
}

void ProgrammeBrowserView::importProgramme(WebProgrammeImporter::Scope scope)
{
    if (m_model->isImporting() || m_imported)
        return;
    auto* watcher = new QFutureWatcher<ProgrammeDocument>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        QFuture<ProgrammeDocument> done = watcher->future();
        ProgrammeDocument document;
        try {
            // Rethrows the import's error.
            done.waitForFinished();
            // Cancelled: the page went away first, and the window with it.
            if (done.resultCount() == 0)
                return;
            document = done.result();
        } catch (const Error& e) {
            m_model->showFailure(e.message());
            return;
        } catch (const std::exception&) {
            m_model->showFailure(QStringLiteral("L’importation du programme a échoué."));
            return;
        }
        // The document goes to the opener once, whatever happens to the window afterwards.
        m_imported = true;
        QPointer<ProgrammeBrowserView> self(this);
        if (m_onImport)
            m_onImport(document);
        if (self)
            accept();
    });
    watcher->setFuture(m_model->importProgramme(scope));
}

} // namespace quavel
