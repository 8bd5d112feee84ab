#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QObject;

namespace quavel {

// What the programme browser's model needs of the web view it drives, so that the model stays free of
// widgets. The embedded browser implements it (ProgrammeWebView); navigation events reach the model
// through the browser window, which calls the model's navigation operations.
//
// Threading: GUI thread only; every callback runs on the GUI thread, after the call that asked for it
// has returned.
class ProgrammeWebPage
{
public:
    virtual ~ProgrammeWebPage() = default;

    // The object whose destruction ends the page: the model holds the page only while it lives.
    virtual QObject* pageObject() = 0;

    // The address of the page on screen (or being committed); empty before the first load.
    virtual QUrl url() const = 0;
    virtual QString title() const = 0;
    virtual bool canGoBack() const = 0;
    virtual bool canGoForward() const = 0;

    virtual void load(const QUrl& url) = 0;
    virtual void stop() = 0;
    virtual void reload() = 0;
    virtual void back() = 0;
    virtual void forward() = 0;

    // The HTML of the whole document as the page's scripts left it ("document.documentElement
    // .outerHTML"), or nothing when the script gives no text. `done` is called at most once, possibly
    // never when the page is destroyed before the script answers.
    virtual void readHTML(std::function<void(std::optional<QString>)> done) = 0;
};

} // namespace quavel
