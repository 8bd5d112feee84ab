#include "ui/ProgrammeWebView.h"

#include "platform/FrenchErrors.h"
#include "platform/WebLoadError.h"
#include "platform/http/NetworkHttpFetcher.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>

namespace quavel {

namespace {

// Chromium's number for a load that was cancelled (stopped, or replaced by another navigation).
constexpr int kAbortedLoad = -3;

// The page that applies the navigation policy to every frame.
class PolicyPage : public QWebEnginePage
{
public:
    PolicyPage(QWebEngineProfile* profile, ProgrammeWebView* view)
        : QWebEnginePage(profile, view)
        , m_view(view)
    { }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        if (ProgrammeWebView::isAllowedScheme(url))
            return true;
        // Answered at once; the report leaves the engine's call first.
        QMetaObject::invokeMethod(
            m_view,
            [view = m_view, url] {
                if (view)
                    emit view->navigationRefused(url);
            },
            Qt::QueuedConnection);
        return false;
    }

    // Page scripts' console output is the site's business, not the application's log.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override
    { }

private:
    QPointer<ProgrammeWebView> m_view;
};

WebLoadError::Domain domainOf(QWebEngineLoadingInfo::ErrorDomain domain)
{
    switch (domain) {
    case QWebEngineLoadingInfo::ConnectionErrorDomain:
        return WebLoadError::Domain::Connection;
    case QWebEngineLoadingInfo::CertificateErrorDomain:
        return WebLoadError::Domain::Certificate;
    case QWebEngineLoadingInfo::HttpErrorDomain:
        return WebLoadError::Domain::Http;
    case QWebEngineLoadingInfo::FtpErrorDomain:
        return WebLoadError::Domain::Ftp;
    case QWebEngineLoadingInfo::DnsErrorDomain:
        return WebLoadError::Domain::Dns;
    case QWebEngineLoadingInfo::HttpStatusCodeDomain:
        return WebLoadError::Domain::HttpStatus;
    case QWebEngineLoadingInfo::NoErrorDomain:
    case QWebEngineLoadingInfo::InternalErrorDomain:
        break;
    }
    return WebLoadError::Domain::Internal;
}

} // namespace

bool ProgrammeWebView::isAllowedScheme(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https" || scheme == u"about";
}

ProgrammeWebView::ProgrammeWebView(QWidget* parent)
    : QWebEngineView(parent)
    // A profile without a storage name is off the record: cache and cookies live in memory and end
    // with the view.
    , m_profile(new QWebEngineProfile(this))
{
    m_profile->setHttpUserAgent(QString::fromLatin1(NetworkHttpFetcher::userAgent()));
    auto* page = new PolicyPage(m_profile, this);
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    // A failed load leaves the footer's French message, not the engine's English page.
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    setPage(page);

    m_timeout.setSingleShot(true);
    m_timeout.setInterval(loadTimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, &ProgrammeWebView::onTimeout);
    connect(page, &QWebEnginePage::loadingChanged, this, &ProgrammeWebView::onLoadingChanged);
}

ProgrammeWebView::~ProgrammeWebView()
{
    m_destroying = true;
    m_timeout.stop();
    // The page must end before the profile it was made with.
    delete page();
}

QString ProgrammeWebView::documentTitle() const
{
    const QString shown = title();
    if (shown.isEmpty())
        return shown;
    // Chromium names an untitled page after its address: the display form, without "http://", and
    // without the slash of a bare host.
    QString address = url().toDisplayString();
    for (int pass = 0; pass < 2; ++pass) {
        if (shown == address || shown + u'/' == address)
            return QString();
        if (!address.startsWith(QStringLiteral("http://")))
            break;
        address.remove(0, 7);
    }
    return shown;
}

bool ProgrammeWebView::canGoBack() const
{
    return history()->canGoBack();
}

bool ProgrammeWebView::canGoForward() const
{
    return history()->canGoForward();
}

void ProgrammeWebView::readHTML(std::function<void(std::optional<QString>)> done)
{
    QPointer<ProgrammeWebView> self(this);
    // The application's own script world: the page's scripts cannot stand in for the DOM's getters.
    page()->runJavaScript(QStringLiteral("document.documentElement.outerHTML"),
        QWebEngineScript::ApplicationWorld, [self, done = std::move(done)](const QVariant& result) {
            if (!self || self->m_destroying)
                return;
            if (result.typeId() == QMetaType::QString)
                done(result.toString());
            else
                done(std::nullopt);
        });
}

void ProgrammeWebView::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (m_destroying)
        return;
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        m_timedOut = false;
        m_timeout.start();
        emit navigationStarted();
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        m_timeout.stop();
        emit navigationFinished();
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        break;
    }
    const bool aborted
        = info.status() == QWebEngineLoadingInfo::LoadStoppedStatus || info.errorCode() == kAbortedLoad;
    if (aborted && page()->isLoading())
        return; // replaced by a navigation that is still running and will report itself
    m_timeout.stop();
    if (m_timedOut)
        return; // already reported as a time-out
    if (aborted)
        emit navigationFinished();
    else
        emit navigationFailed(
            frenchDescription(WebLoadError { domainOf(info.errorDomain()), info.errorCode() }));
}

void ProgrammeWebView::onTimeout()
{
    if (!page()->isLoading())
        return;
    m_timedOut = true;
    triggerPageAction(QWebEnginePage::Stop);
    emit navigationFailed(frenchDescription(WebLoadError { WebLoadError::Domain::Connection, -7 }));
}

void ProgrammeWebView::contextMenuEvent(QContextMenuEvent* event)
{
    // The engine's own menu is English and offers pages outside the policy (page source, inspector):
    // only the editing entries are kept, in French.
    const QWebEngineContextMenuRequest* request = lastContextMenuRequest();
    if (!request)
        return;
    QMenu menu(this);
    auto add = [&](QWebEnginePage::WebAction action, const QString& title) {
        QAction* entry = menu.addAction(title);
        entry->setEnabled(pageAction(action)->isEnabled());
        connect(entry, &QAction::triggered, this, [this, action] { triggerPageAction(action); });
    };
    if (request->isContentEditable()) {
        add(QWebEnginePage::Cut, QStringLiteral("Couper"));
        add(QWebEnginePage::Copy, QStringLiteral("Copier"));
        add(QWebEnginePage::Paste, QStringLiteral("Coller"));
    } else if (!request->selectedText().isEmpty()) {
        add(QWebEnginePage::Copy, QStringLiteral("Copier"));
    }
    if (request->linkUrl().isValid())
        add(QWebEnginePage::CopyLinkToClipboard, QStringLiteral("Copier l’adresse du lien"));
    if (!menu.isEmpty())
        menu.addSeparator();
    add(QWebEnginePage::SelectAll, QStringLiteral("Tout sélectionner"));
    menu.exec(event->globalPos());
}

} // namespace quavel
