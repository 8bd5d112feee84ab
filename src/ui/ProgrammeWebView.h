#pragma once

#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

#include <functional>
#include <optional>

class QWebEngineLoadingInfo;
class QWebEngineProfile;

namespace quavel {

// The embedded browser of the programme import: a web view in a private session (nothing kept on
// disk: no cache, no cookies, no history), the desktop browser identity that the programme importer
// also sends, page scripts on, and only web addresses opened ("http", "https", "about"). A load gives
// up after loadTimeoutMs. Load failures come out as French texts; the engine's own error pages are
// not shown.
//
// Threading: GUI thread. The navigation signals are emitted from the engine's notifications, once per
// main-frame load.
class ProgrammeWebView : public QWebEngineView
{
    Q_OBJECT

public:
    static constexpr int loadTimeoutMs = 60'000;

    // The navigation policy: http, https and about, in any letter case.
    static bool isAllowedScheme(const QUrl& url);

    explicit ProgrammeWebView(QWidget* parent = nullptr);
    ~ProgrammeWebView() override;

    // The page's own title; empty when the page has none (the engine then offers its address instead,
    // which is not a title).
    QString documentTitle() const;
    bool canGoBack() const;
    bool canGoForward() const;

    // The whole document's HTML; nothing when the script gives no text. `done` is not called when the
    // view is destroyed first.
    void readHTML(std::function<void(std::optional<QString>)> done);

signals:
    void navigationStarted();
    // The load ended with a page on screen: it succeeded, or it was stopped and the page that was
    // there stays.
    void navigationFinished();
    void navigationFailed(const QString& description);
    // A navigation to an address outside the policy was cancelled (nothing is shown for it).
    void navigationRefused(const QUrl& url);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onTimeout();

    QWebEngineProfile* m_profile;
    QTimer m_timeout;
    // The load in progress was ended by the time-out; its own end is not reported again.
    bool m_timedOut = false;
    bool m_destroying = false;
};

} // namespace quavel
