#pragma once

#include "workspace/ProgrammeWebPage.h"

#include "ui/ProgrammeWebView.h"

#include <QPointer>

namespace quavel {

// The browser window's web view seen as the page the model drives. The web view itself belongs to the
// widget layer, which knows nothing of the workspace; this adapter joins the two.
class ProgrammeWebViewPage : public ProgrammeWebPage
{
public:
    explicit ProgrammeWebViewPage(ProgrammeWebView* view)
        : m_view(view)
    { }

    QObject* pageObject() override { return m_view; }

    QUrl url() const override { return m_view ? m_view->url() : QUrl(); }
    QString title() const override { return m_view ? m_view->documentTitle() : QString(); }
    bool canGoBack() const override { return m_view && m_view->canGoBack(); }
    bool canGoForward() const override { return m_view && m_view->canGoForward(); }

    void load(const QUrl& url) override
    {
        if (m_view)
            m_view->load(url);
    }
    void stop() override
    {
        if (m_view)
            m_view->stop();
    }
    void reload() override
    {
        if (m_view)
            m_view->reload();
    }
    void back() override
    {
        if (m_view)
            m_view->back();
    }
    void forward() override
    {
        if (m_view)
            m_view->forward();
    }
    void readHTML(std::function<void(std::optional<QString>)> done) override
    {
        if (m_view)
            m_view->readHTML(std::move(done));
    }

private:
    QPointer<ProgrammeWebView> m_view;
};

} // namespace quavel
