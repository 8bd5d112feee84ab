// The import half of the programme browser's model: from the page on screen to a programme.
#include "workspace/ProgrammeBrowserModel.h"

#include "workspace/ProgrammeWebPage.h"

#include "programme/ImportError.h"
#include "programme/WebProgrammeParser.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace quavel {

QFuture<ProgrammeDocument> ProgrammeBrowserModel::importProgramme(WebProgrammeImporter::Scope scope)
{
    auto promise = std::make_shared<QPromise<ProgrammeDocument>>();
    promise->start();
    const QFuture<ProgrammeDocument> result = promise->future();

    ProgrammeWebPage* page = webPage();
    if (!page) {
        promise->setException(std::make_exception_ptr(ImportError::noWebProgramme()));
        promise->finish();
        return result;
    }
    setIsImporting(true);
    setImportError(std::nullopt);
    setStatus(analysingStatus());

    // The HTML is read again: the page's scripts may have changed it since it finished loading.
    QPointer<ProgrammeBrowserModel> self(this);
    page->readHTML([self, promise, scope](std::optional<QString> html) {
        // A model that is gone drops the promise, which cancels the future.
        if (!self)
            return;
        if (!html) {
            self->setIsImporting(false);
            promise->setException(std::make_exception_ptr(ImportError::noWebProgramme()));
            promise->finish();
            return;
        }
        self->importPage(promise, scope, *html, self->pageURL());
    });
    return result;
}

void ProgrammeBrowserModel::importPage(std::shared_ptr<QPromise<ProgrammeDocument>> promise,
    WebProgrammeImporter::Scope scope, const QString& html, const QUrl& url)
{
    // Watchers are children of the model: when it goes, they go, and with them the promise.
    auto* parsing = new QFutureWatcher<WebProgrammeSnapshot>(this);
    connect(parsing, &QFutureWatcherBase::finished, this, [this, parsing, promise, scope, html, url] {
        parsing->deleteLater();
        const WebProgrammeSnapshot snapshot = parsing->result();

        QFuture<ProgrammeDocument> document;
        if (scope == WebProgrammeImporter::Scope::Contest) {
            QPointer<ProgrammeBrowserModel> self(this);
            // Delivered on the GUI thread by the importer; a text that comes after the end of the
            // import does not overwrite the status.
            document
                = WebProgrammeImporter::documentForContest(snapshot, html, url, [self](const QString& text) {
                      if (self && self->m_isImporting)
                          self->setStatus(text);
                  });
        } else {
            document = WebProgrammeImporter::documentForCurrentEvent(snapshot, html, url);
        }

        auto* importing = new QFutureWatcher<ProgrammeDocument>(this);
        connect(importing, &QFutureWatcherBase::finished, this, [this, importing, promise] {
            importing->deleteLater();
            setIsImporting(false);
            QFuture<ProgrammeDocument> done = importing->future();
            try {
                // Rethrows the importer's error; a future with neither error nor result was cancelled,
                // which only happens when the network layer is torn down under it (the application
                // quits).
                done.waitForFinished();
                if (done.resultCount() == 0)
                    throw ImportError::webImportFailed(QStringLiteral("L’importation a été interrompue."));
                promise->addResult(done.result());
            } catch (...) {
                promise->setException(std::current_exception());
            }
            promise->finish();
        });
        importing->setFuture(document);
    });
    parsing->setFuture(QtConcurrent::run([html, url] { return WebProgrammeParser::snapshot(html, url); }));
}

} // namespace quavel
