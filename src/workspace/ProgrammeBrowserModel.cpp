#include "workspace/ProgrammeBrowserModel.h"

#include "workspace/ProgrammeWebPage.h"

#include "platform/text/Text.h"
#include "programme/ProgrammeFavorites.h"
#include "programme/WebProgrammeParser.h"

#include <QFutureWatcher>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

namespace quavel {

namespace {

QString absoluteString(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded);
}

template <typename T> bool assign(T& member, const T& value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}

QUrl firstBuiltInURL()
{
    const QList<ProgrammeFavorite>& builtIn = ProgrammeFavorite::builtIn();
    return builtIn.isEmpty() ? QUrl() : QUrl(builtIn.first().url);
}

} // namespace

QString ProgrammeBrowserModel::openContestHint()
{
    return QStringLiteral("Ouvrez un concours, puis importez le programme.");
}

QString ProgrammeBrowserModel::loadingStatus()
{
    return QStringLiteral("Chargement…");
}

QString ProgrammeBrowserModel::analysingStatus()
{
    return QStringLiteral("Analyse de la page…");
}

ProgrammeBrowserModel::ProgrammeBrowserModel(QObject* parent)
    : QObject(parent)
    , m_status(openContestHint())
    , m_favorites(ProgrammeFavorites::load())
{
    if (!m_favorites.isEmpty())
        m_urlString = m_favorites.first().url;
    else if (!ProgrammeFavorite::builtIn().isEmpty())
        m_urlString = ProgrammeFavorite::builtIn().first().url;
}

ProgrammeBrowserModel::~ProgrammeBrowserModel()
{
    stopParse();
}

std::optional<QUrl> ProgrammeBrowserModel::takePendingLoad()
{
    return std::exchange(m_pendingLoad, std::nullopt);
}

ProgrammeWebPage* ProgrammeBrowserModel::webPage() const
{
    return m_pageGuard ? m_page : nullptr;
}

void ProgrammeBrowserModel::setWebPage(ProgrammeWebPage* page)
{
    m_page = page;
    m_pageGuard = page ? page->pageObject() : nullptr;
}

void ProgrammeBrowserModel::setUrlString(const QString& text)
{
    if (m_urlString == text)
        return;
    m_urlString = text;
    emit urlStringChanged();
}

void ProgrammeBrowserModel::queueLoad(const QUrl& url)
{
    setUrlString(absoluteString(url));
    m_pendingLoad = url;
    emit loadRequested();
}

void ProgrammeBrowserModel::submitURL()
{
    if (const std::optional<QUrl> url = WebProgrammeImporter::preparedURL(m_urlString))
        queueLoad(*url);
}

void ProgrammeBrowserModel::open(const ProgrammeFavorite& favorite)
{
    if (const std::optional<QUrl> url = WebProgrammeImporter::preparedURL(favorite.url))
        queueLoad(*url);
}

void ProgrammeBrowserModel::reload()
{
    ProgrammeWebPage* page = webPage();
    if (!page)
        return;
    if (m_isLoading)
        page->stop();
    else
        page->reload();
}

void ProgrammeBrowserModel::back()
{
    if (ProgrammeWebPage* page = webPage())
        page->back();
}

void ProgrammeBrowserModel::forward()
{
    if (ProgrammeWebPage* page = webPage())
        page->forward();
}

QString ProgrammeBrowserModel::currentNormalizedURL() const
{
    const ProgrammeWebPage* page = webPage();
    if (page && !page->url().isEmpty())
        return normalizedFavoriteURL(absoluteString(page->url()));
    return normalizedFavoriteURL(m_urlString);
}

bool ProgrammeBrowserModel::isCurrentFavorite() const
{
    const QString current = currentNormalizedURL();
    return std::any_of(m_favorites.begin(), m_favorites.end(),
        [&](const ProgrammeFavorite& f) { return normalizedFavoriteURL(f.url) == current; });
}

void ProgrammeBrowserModel::toggleFavorite()
{
    const ProgrammeWebPage* page = webPage();
    const QString source = page && !page->url().isEmpty() ? absoluteString(page->url()) : m_urlString;
    const std::optional<QUrl> url
        = WebProgrammeImporter::preparedURL(text::trimWhitespaceAndNewlines(source));
    if (!url)
        return;
    const QString key = normalizedFavoriteURL(absoluteString(*url));

    QList<ProgrammeFavorite> favorites = m_favorites;
    const auto match = std::find_if(favorites.begin(), favorites.end(),
        [&](const ProgrammeFavorite& f) { return normalizedFavoriteURL(f.url) == key; });
    if (match != favorites.end()) {
        favorites.erase(match);
    } else {
        QString title;
        if (!m_pageTitle.isEmpty())
            title = WebProgrammeParser::strippedBrandingTitle(m_pageTitle);
        else if (!url->host().isEmpty())
            title = url->host();
        else
            title = QStringLiteral("Favori");
        favorites.append(ProgrammeFavorite { QUuid::createUuid(), title, absoluteString(*url) });
    }
    setFavorites(favorites);
    ProgrammeFavorites::save(m_favorites);
}

void ProgrammeBrowserModel::removeFavorite(const ProgrammeFavorite& favorite)
{
    QList<ProgrammeFavorite> favorites = m_favorites;
    favorites.removeIf([&](const ProgrammeFavorite& f) { return f.id == favorite.id; });
    setFavorites(favorites);
    ProgrammeFavorites::save(m_favorites);
}

void ProgrammeBrowserModel::followPage(ProgrammeWebPage* page)
{
    setWebPage(page);
    setCanGoBack(page->canGoBack());
    setCanGoForward(page->canGoForward());
    if (!page->url().isEmpty())
        setUrlString(absoluteString(page->url()));
}

void ProgrammeBrowserModel::navigationStarted(ProgrammeWebPage* page)
{
    ++m_navigation;
    stopParse();
    setIsLoading(true);
    setImportError(std::nullopt);
    followPage(page);
    setStatus(loadingStatus());
}

void ProgrammeBrowserModel::navigationFinished(ProgrammeWebPage* page)
{
    setIsLoading(false);
    followPage(page);
    setPageTitle(page->title());
    refreshSnapshot(page);
}

void ProgrammeBrowserModel::navigationFailed(const QString& description)
{
    setIsLoading(false);
    showFailure(description);
}

void ProgrammeBrowserModel::showFailure(const QString& message)
{
    setImportError(message);
    setStatus(message);
}

QUrl ProgrammeBrowserModel::pageURL() const
{
    const ProgrammeWebPage* page = webPage();
    if (page && !page->url().isEmpty())
        return page->url();
    if (const std::optional<QUrl> typed = WebProgrammeImporter::preparedURL(m_urlString))
        return *typed;
    return firstBuiltInURL();
}

void ProgrammeBrowserModel::refreshSnapshot(ProgrammeWebPage* page)
{
    const quint64 navigation = m_navigation;
    const quint64 read = ++m_pageRead;
    stopParse();
    QPointer<ProgrammeBrowserModel> self(this);
    page->readHTML([self, navigation, read](std::optional<QString> html) {
        if (!self || self->m_navigation != navigation || self->m_pageRead != read)
            return;
        self->applySnapshot(html, read);
    });
}

void ProgrammeBrowserModel::applySnapshot(const std::optional<QString>& html, quint64 read)
{
    if (!html) {
        setStatus(openContestHint());
        return;
    }
    // The parse keeps its own copies (the HTML is shared, not copied) and may outlive the model: it
    // is told to stop, and its result goes nowhere. The watcher is the model's child, so it never
    // signals a dead model.
    const quint64 navigation = m_navigation;
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_parseCancelled = cancelled;
    auto* parsing = new QFutureWatcher<WebProgrammeSnapshot>(this);
    connect(parsing, &QFutureWatcherBase::finished, this, [this, parsing, navigation, read] {
        parsing->deleteLater();
        if (m_navigation == navigation && m_pageRead == read)
            showSnapshot(parsing->result());
    });
    parsing->setFuture(QtConcurrent::run([html = *html, url = pageURL(), cancelled] {
        return WebProgrammeParser::snapshot(html, url, *cancelled);
    }));
}

void ProgrammeBrowserModel::stopParse()
{
    if (m_parseCancelled)
        m_parseCancelled->store(true, std::memory_order_relaxed);
    m_parseCancelled.reset();
}

void ProgrammeBrowserModel::showSnapshot(const WebProgrammeSnapshot& snapshot)
{
    setKind(snapshot.kind);
    setCanImportEvent(snapshot.kind == Kind::Startlist && !snapshot.people.isEmpty());
    setCanImportContest(
        snapshot.kind == Kind::Contest || snapshot.contestURL.has_value() || !snapshot.events.isEmpty());
    setStatus(snapshot.statusLine());
}

// Setters of the observed fields: an equal value notifies nobody.

void ProgrammeBrowserModel::setStatus(const QString& value)
{
    if (assign(m_status, value))
        emit statusChanged();
}

void ProgrammeBrowserModel::setImportError(const std::optional<QString>& value)
{
    if (assign(m_importError, value))
        emit importErrorChanged();
}

void ProgrammeBrowserModel::setCanGoBack(bool value)
{
    if (assign(m_canGoBack, value))
        emit canGoBackChanged();
}

void ProgrammeBrowserModel::setCanGoForward(bool value)
{
    if (assign(m_canGoForward, value))
        emit canGoForwardChanged();
}

void ProgrammeBrowserModel::setIsLoading(bool value)
{
    if (assign(m_isLoading, value))
        emit isLoadingChanged();
}

void ProgrammeBrowserModel::setIsImporting(bool value)
{
    if (assign(m_isImporting, value))
        emit isImportingChanged();
}

void ProgrammeBrowserModel::setPageTitle(const QString& value)
{
    if (assign(m_pageTitle, value))
        emit pageTitleChanged();
}

void ProgrammeBrowserModel::setKind(Kind value)
{
    if (assign(m_kind, value))
        emit kindChanged();
}

void ProgrammeBrowserModel::setCanImportEvent(bool value)
{
    if (assign(m_canImportEvent, value))
        emit canImportEventChanged();
}

void ProgrammeBrowserModel::setCanImportContest(bool value)
{
    if (assign(m_canImportContest, value))
        emit canImportContestChanged();
}

void ProgrammeBrowserModel::setFavorites(const QList<ProgrammeFavorite>& value)
{
    if (assign(m_favorites, value))
        emit favoritesChanged();
}

} // namespace quavel
