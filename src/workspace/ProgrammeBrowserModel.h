#pragma once

#include "programme/ProgrammeDocument.h"
#include "programme/ProgrammeFavorite.h"
#include "programme/WebProgrammeImporter.h"
#include "programme/WebProgrammeSnapshot.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QPromise>
#include <QString>
#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>

namespace quavel {

class ProgrammeWebPage;

// The state and logic behind the programme browser: the address, the loading state and history
// buttons of the web page it drives, what the page on screen holds (read from its HTML after every
// finished load), the favourite sites, and the import of the page's programme.
//
// GUI thread only. One change signal per observed field; setting a field to its current value emits
// nothing. Page reads and import steps that answer after the model is gone are dropped.
class ProgrammeBrowserModel : public QObject
{
    Q_OBJECT

public:
    using Kind = WebProgrammeSnapshot::Kind;

    // The status before any page was read, and when a page cannot be read.
    static QString openContestHint();
    static QString loadingStatus();
    static QString analysingStatus();

    // Reads the favourites (which may write the seeded file), then starts on the first favourite's
    // address, or on the first built-in one when the list is empty.
    explicit ProgrammeBrowserModel(QObject* parent = nullptr);
    ~ProgrammeBrowserModel() override;

    const QString& urlString() const { return m_urlString; }
    // The address field's text as typed.
    void setUrlString(const QString& text);
    const QString& status() const { return m_status; }
    const std::optional<QString>& importError() const { return m_importError; }
    bool canGoBack() const { return m_canGoBack; }
    bool canGoForward() const { return m_canGoForward; }
    bool isLoading() const { return m_isLoading; }
    bool isImporting() const { return m_isImporting; }
    const QString& pageTitle() const { return m_pageTitle; }
    Kind kind() const { return m_kind; }
    // The page is a start list with riders.
    bool canImportEvent() const { return m_canImportEvent; }
    // A whole contest can be reached from the page.
    bool canImportContest() const { return m_canImportContest; }
    // In display order: insertion order, never sorted.
    const QList<ProgrammeFavorite>& favorites() const { return m_favorites; }

    // The address the web view loads next; loadRequested() says one was queued.
    const std::optional<QUrl>& pendingLoad() const { return m_pendingLoad; }
    std::optional<QUrl> takePendingLoad();

    // The page this model drives, held only while its object lives.
    ProgrammeWebPage* webPage() const;
    void setWebPage(ProgrammeWebPage* page);

    // Queues the typed address (with "https://" when it has no scheme); blank text does nothing.
    void submitURL();
    void open(const ProgrammeFavorite& favorite);
    // Stops the page while it loads, reloads it otherwise.
    void reload();
    void back();
    void forward();

    // Some favourite is the page on screen (or the typed address when there is no page yet).
    bool isCurrentFavorite() const;
    // Adds the page on screen to the favourites, or removes the first favourite that is that page.
    void toggleFavorite();
    void removeFavorite(const ProgrammeFavorite& favorite);

    // The web view's navigation events, relayed by the browser window.
    void navigationStarted(ProgrammeWebPage* page);
    void navigationFinished(ProgrammeWebPage* page);
    // A failed load: not loading any more, and the description shown as the error. The history and
    // page flags keep their values.
    void navigationFailed(const QString& description);
    // A failed import, as the window shows it: the error and the status both the message.
    void showFailure(const QString& message);

    // Reads the page's HTML and sets kind, the import flags and the status from it. The page is
    // parsed on a worker (a large results page takes seconds); only the newest read of the current
    // navigation is applied, and a read or parse that ends after a newer one was asked for, or after
    // another navigation has started, is dropped. A parse so overtaken, or left by a model that goes
    // away, also stops at its next budget check instead of holding a worker for seconds.
    void refreshSnapshot(ProgrammeWebPage* page);

    // The programme of the page on screen. isImporting is true from the call until just before the
    // future finishes, and the status shows the importer's progress. The future finishes with the
    // document or with the error (ImportError, HttpError) unchanged, to be read with
    // QFutureWatcher; it is cancelled without a result when the page or the model goes away first.
    QFuture<ProgrammeDocument> importProgramme(WebProgrammeImporter::Scope scope);

signals:
    void urlStringChanged();
    void statusChanged();
    void importErrorChanged();
    void canGoBackChanged();
    void canGoForwardChanged();
    void isLoadingChanged();
    void isImportingChanged();
    void pageTitleChanged();
    void kindChanged();
    void canImportEventChanged();
    void canImportContestChanged();
    void favoritesChanged();
    // pendingLoad was set (again): the web view should take it and load it.
    void loadRequested();

private:
    void setStatus(const QString& value);
    void setImportError(const std::optional<QString>& value);
    void setCanGoBack(bool value);
    void setCanGoForward(bool value);
    void setIsLoading(bool value);
    void setIsImporting(bool value);
    void setPageTitle(const QString& value);
    void setKind(Kind value);
    void setCanImportEvent(bool value);
    void setCanImportContest(bool value);
    void setFavorites(const QList<ProgrammeFavorite>& value);

    void queueLoad(const QUrl& url);
    void followPage(ProgrammeWebPage* page);
    // Hands the page to a worker for parsing; `read` is the refreshSnapshot call it answers.
    void applySnapshot(const std::optional<QString>& html, quint64 read);
    void showSnapshot(const WebProgrammeSnapshot& snapshot);
    // Tells the running page parse, if any, that its result will be dropped.
    void stopParse();
    // Parses the page off the GUI thread, then runs the importer and settles `promise`.
    void importPage(std::shared_ptr<QPromise<ProgrammeDocument>> promise, WebProgrammeImporter::Scope scope,
        const QString& html, const QUrl& url);
    // The page's own address, else the typed one, else the first built-in site.
    QUrl pageURL() const;
    QString currentNormalizedURL() const;

    QString m_urlString;
    QString m_status;
    std::optional<QString> m_importError;
    bool m_canGoBack = false;
    bool m_canGoForward = false;
    bool m_isLoading = false;
    bool m_isImporting = false;
    QString m_pageTitle;
    Kind m_kind = Kind::Unknown;
    bool m_canImportEvent = false;
    bool m_canImportContest = false;
    QList<ProgrammeFavorite> m_favorites;
    std::optional<QUrl> m_pendingLoad;

    ProgrammeWebPage* m_page = nullptr;
    QPointer<QObject> m_pageGuard;
    // Counts started navigations, so that a page read for an older page is recognised.
    quint64 m_navigation = 0;
    // Counts page reads, so that only the newest one's parse is shown.
    quint64 m_pageRead = 0;
    // The stop flag of the page parse that may still be shown; shared with its worker.
    std::shared_ptr<std::atomic<bool>> m_parseCancelled;
};

} // namespace quavel
