// The programme browser in real Qt WebEngine (offscreen) over pages served on 127.0.0.1, with the
// favourites file in the test's private application-support folder.
#include "workspace/ProgrammeBrowserModel.h"
#include "workspace/views/ProgrammeBrowserView.h"

#include "platform/http/NetworkHttpFetcher.h"
#include "programme/ImportError.h"
#include "programme/ProgrammeFavorites.h"
#include "ui/CapsuleButton.h"
#include "ui/ProgrammeWebView.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include "common/TestHttpServer.h"
#include "common/TestSupport.h"
#include "programme/ProgrammeTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTcpServer>
#include <QTest>
#include <QWebEnginePage>

#include <gtest/gtest.h>

using namespace quavel;
using test::TestHttpServer;
using test::waitUntil;

namespace {

// WebEngine's first page takes a second or two to come up on a loaded machine.
constexpr int kPageTimeoutMs = 30000;

const QString contestPath = u8("/concours/1/jumping-de-test");
const QString startlistPath = u8("/concours/1/startlist/3");

QString classPath(int number)
{
    return u8("/concours/1/startlist/%1").arg(number);
}

// Three classes: two on Saturday, one on Sunday; the shapes the results sites use.
QByteArray contestHTML()
{
    QString html = u8("<html><head><title>FFE Compet - Jumping de Test</title></head><body><table>");
    for (int i = 1; i <= 3; ++i) {
        if (i == 1)
            html += u8("<tr><th>Samedi</th></tr>");
        if (i == 3)
            html += u8("<tr><th>Dimanche</th></tr>");
        html
            += u8(R"(<tr><td><span class="id-value">%1</span><span class="title">Epreuve %1 - Classe %1</span>
            <a href="%2">Liste</a></td></tr>)")
                   .arg(i)
                   .arg(classPath(i));
    }
    return (html + u8("</table></body></html>")).toUtf8();
}

QByteArray startlistHTML(const QList<int>& bibs, bool linkToContest)
{
    QString html = u8("<html><head><title>FFE Compet - Jumping de Test</title></head><body>");
    if (linkToContest)
        html += u8("<a href=\"%1\">Concours</a>").arg(contestPath);
    html += u8("<table>");
    for (int bib : bibs)
        html += u8(R"(<tr class="text-center"><td><span class="id-value">%1</span></td>
            <td><span class="title no_mobile">Cavalier%1 NOM</span></td></tr>)")
                    .arg(bib);
    return (html + u8("</table></body></html>")).toUtf8();
}

class ProgrammeBrowser : public testing::Test
{
protected:
    void SetUp() override
    {
        QDir folder(QFileInfo(ProgrammeFavorites::filePath()).absolutePath());
        for (const QString& name : folder.entryList({ u8("programme-favorites.json*") }, QDir::Files))
            folder.remove(name);
        server.route(contestPath, contestHTML());
        for (int i = 1; i <= 3; ++i) {
            TestHttpServer::Response list;
            list.body = startlistHTML({ 10 * i + 1, 10 * i + 2 }, true);
            list.delayMs = 150;
            server.route(classPath(i), list);
        }
    }

    void TearDown() override
    {
        delete view;
        // Lets the engine finish closing the page before the next test starts another.
        waitUntil([] { return false; }, 50);
    }

    // The browser opened on `path`, the only favourite, once that page is read.
    void open(const QString& path, bool waitForSnapshot = true)
    {
        ProgrammeFavorites::save({ ProgrammeFavorite { QUuid::createUuid(), u8("Test"), url(path) } });
        view = new ProgrammeBrowserView([this](const ProgrammeDocument& d) { imported.append(d); });
        view->show();
        if (waitForSnapshot) {
            ASSERT_TRUE(waitUntil([&] { return pageRead(); }, kPageTimeoutMs))
                << model().status().toStdString();
        }
    }

    bool pageRead() const
    {
        return !model().isLoading() && model().status() != ProgrammeBrowserModel::loadingStatus()
            && model().status() != ProgrammeBrowserModel::openContestHint();
    }

    QString url(const QString& path) const { return server.url(path).toString(); }
    ProgrammeBrowserModel& model() const { return view->model(); }
    template <typename T = CapsuleButton> T* child(const char* name) const
    {
        return view->findChild<T*>(QString::fromLatin1(name));
    }
    ToneLabel* status() const { return child<ToneLabel>("status"); }

    void click(const char* name)
    {
        CapsuleButton* button = child(name);
        ASSERT_TRUE(button && button->isVisible() && button->isEnabled()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void typeAddress(const QString& text)
    {
        auto* field = child<QLineEdit>("address");
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    // Types the address, then waits for that page to be loaded and read.
    void go(const QString& address)
    {
        QSignalSpy finished(view->webView(), &ProgrammeWebView::navigationFinished);
        typeAddress(address);
        ASSERT_TRUE(waitUntil([&] { return finished.count() > 0 && pageRead(); }, kPageTimeoutMs))
            << model().status().toStdString();
    }

    TestHttpServer server;
    QPointer<ProgrammeBrowserView> view;
    QList<ProgrammeDocument> imported;
};

} // namespace

TEST_F(ProgrammeBrowser, contestPageIsReadThenImportedWholeOnce)
{
    open(contestPath);
    EXPECT_EQ(model().kind(), WebProgrammeSnapshot::Kind::Contest);
    EXPECT_TRUE(model().canImportContest());
    EXPECT_FALSE(model().canImportEvent());
    EXPECT_EQ(model().status(), u8("Jumping de Test · 3 épreuves"));
    EXPECT_EQ(status()->text(), model().status());
    EXPECT_EQ(status()->tone(), Tone::secondary);
    EXPECT_EQ(model().pageTitle(), u8("FFE Compet - Jumping de Test"));
    EXPECT_EQ(child<QLineEdit>("address")->text(), url(contestPath));
    EXPECT_FALSE(child("back")->isEnabled());
    EXPECT_FALSE(child("importEvent")->isVisible());
    EXPECT_EQ(child("importContest")->text(), u8("Importer le concours"));
    // The page was asked for with the importer's desktop identity.
    ASSERT_GE(server.requestCount(contestPath), 1);
    EXPECT_EQ(server.requests().first().headers.value("user-agent"), NetworkHttpFetcher::userAgent());

    // A start list that fails fails the import: the window stays, the error is in red.
    TestHttpServer::Response broken;
    broken.status = 500;
    server.route(classPath(2), broken);
    click("importContest");
    ASSERT_TRUE(waitUntil([&] { return model().importError().has_value(); }, kPageTimeoutMs))
        << model().status().toStdString() << model().isImporting();
    EXPECT_EQ(model().status(), u8("La page %1 a répondu 500.").arg(url(classPath(2))));
    EXPECT_EQ(status()->tone(), Tone::red);
    EXPECT_FALSE(model().isImporting());
    EXPECT_FALSE(child<QWidget>("importOverlay")->isVisible());
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(imported.isEmpty());

    // Once the site answers, the progress shows under the overlay and the document goes out once.
    server.route(classPath(2), startlistHTML({ 21, 22, 21 }, true));
    QStringList statuses;
    QObject::connect(
        &model(), &ProgrammeBrowserModel::statusChanged, view, [&] { statuses.append(model().status()); });
    click("importContest");
    EXPECT_TRUE(child<QWidget>("importOverlay")->isVisible());
    EXPECT_FALSE(child("importContest")->isEnabled());
    EXPECT_FALSE(child<QWidget>("spinner")->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !view->isVisible(); }, kPageTimeoutMs));
    EXPECT_EQ(view->result(), QDialog::Accepted);
    EXPECT_TRUE(statuses.contains(u8("Récupération de 3 listes de départ…")));
    ASSERT_EQ(imported.size(), 1);
    const ProgrammeDocument& document = imported.first();
    EXPECT_EQ(document.sourceName, u8("Jumping de Test"));
    ASSERT_EQ(document.days.size(), 2);
    EXPECT_EQ(titles(document.days[0]), (QStringList { u8("1 · Classe 1"), u8("2 · Classe 2") }));
    EXPECT_EQ(titles(document.days[1]), QStringList { u8("3 · Classe 3") });
    EXPECT_EQ(document.days[0].events[1].people.size(), 2);
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(imported.size(), 1);
}

TEST_F(ProgrammeBrowser, startListImportsItsClassPlacedByTheContest)
{
    server.route(startlistPath, startlistHTML({ 31, 32 }, true));
    open(startlistPath);
    EXPECT_EQ(model().kind(), WebProgrammeSnapshot::Kind::Startlist);
    EXPECT_EQ(model().status(), u8("Liste de départ · 2 cavaliers · n° dossard (Num)"));
    EXPECT_TRUE(child("importEvent")->isVisible());
    EXPECT_EQ(child("importContest")->text(), u8("Importer tout le concours"));
    EXPECT_TRUE(child("importContest")->isEnabled());

    click("importEvent");
    ASSERT_TRUE(waitUntil([&] { return !view->isVisible(); }, kPageTimeoutMs))
        << model().status().toStdString();
    ASSERT_EQ(imported.size(), 1);
    ASSERT_EQ(imported.first().days.size(), 1);
    EXPECT_EQ(imported.first().days[0].name, u8("Dimanche"));
    ASSERT_EQ(imported.first().days[0].events.size(), 1);
    EXPECT_EQ(imported.first().days[0].events[0].title, u8("3 · Classe 3"));
    EXPECT_EQ(imported.first().days[0].events[0].people.size(), 2);
}

TEST_F(ProgrammeBrowser, closingDuringAnImportDropsItsResult)
{
    for (int i = 1; i <= 3; ++i) {
        TestHttpServer::Response slow;
        slow.body = startlistHTML({ i }, true);
        slow.delayMs = 600;
        server.route(classPath(i), slow);
    }
    open(contestPath);
    click("importContest");
    ASSERT_TRUE(waitUntil([&] { return server.requestCount(classPath(1)) == 1; }, kPageTimeoutMs));
    delete view;
    waitUntil([] { return false; }, 1000);
    EXPECT_TRUE(imported.isEmpty());
}

TEST_F(ProgrammeBrowser, loadErrorsAreFrenchAndRedUntilTheNextNavigation)
{
    // A port nobody listens on any more.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    TestHttpServer::Response missing;
    missing.status = 404;
    missing.body = "<html><body>Not Found</body></html>";
    server.route(u8("/absent"), missing);

    open(contestPath);
    const struct
    {
        QString address;
        QString message;
    } cases[] = {
        { u8("http://127.0.0.1:%1/concours").arg(port), u8("Le site a refusé la connexion.") },
        { url(u8("/absent")), u8("Le site a répondu 404 (page introuvable).") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        typeAddress(c.address);
        ASSERT_TRUE(waitUntil([&] { return model().importError().has_value(); }, kPageTimeoutMs));
        EXPECT_EQ(*model().importError(), c.message);
        EXPECT_EQ(model().status(), c.message);
        EXPECT_EQ(status()->tone(), Tone::red);
        EXPECT_FALSE(model().isLoading());
        // The flags of the page read last stay.
        EXPECT_EQ(model().kind(), WebProgrammeSnapshot::Kind::Contest);

        typeAddress(url(contestPath));
        ASSERT_TRUE(waitUntil([&] { return !model().importError() && pageRead(); }, kPageTimeoutMs));
        EXPECT_EQ(status()->tone(), Tone::secondary);
        EXPECT_EQ(model().status(), u8("Jumping de Test · 3 épreuves"));
    }
    EXPECT_TRUE(child("back")->isEnabled());
}

TEST_F(ProgrammeBrowser, stopEndsALoadThatHangs)
{
    TestHttpServer::Response hang;
    hang.hang = true;
    server.route(u8("/lent"), hang);
    open(contestPath);
    typeAddress(url(u8("/lent")));
    ASSERT_TRUE(waitUntil([&] { return model().isLoading(); }, kPageTimeoutMs));
    EXPECT_EQ(child("reload")->symbol(), u8("xmark"));
    EXPECT_TRUE(child<QWidget>("spinner")->isVisible());
    click("reload");
    ASSERT_TRUE(waitUntil([&] { return !model().isLoading(); }, kPageTimeoutMs));
    EXPECT_EQ(child("reload")->symbol(), u8("arrow.clockwise"));
    EXPECT_FALSE(model().importError().has_value());
    EXPECT_FALSE(child<QWidget>("spinner")->isVisible());
}

TEST_F(ProgrammeBrowser, linksOutsideTheWebAreRefusedSilently)
{
    server.route(u8("/liens"),
        "<html><head><title>Liens</title></head><body style=\"margin:0\">"
        "<a id=\"mail\" href=\"mailto:jury@example.fr\" "
        "style=\"display:block;width:300px;height:60px\">Jury</a>"
        "<a id=\"file\" href=\"file:///etc/hostname\" "
        "style=\"display:block;width:300px;height:60px\">Fichier</a>"
        "</body></html>");
    open(u8("/liens"));
    QSignalSpy refused(view->webView(), &ProgrammeWebView::navigationRefused);
    QWidget* surface = view->webView()->focusProxy();
    ASSERT_NE(surface, nullptr);
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(100, 30));
    ASSERT_TRUE(waitUntil([&] { return refused.count() >= 1; }, kPageTimeoutMs));
    EXPECT_EQ(refused.first().first().toUrl().scheme(), u8("mailto"));
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(view->webView()->url(), server.url(u8("/liens")));
    EXPECT_FALSE(model().isLoading());
    EXPECT_FALSE(model().importError().has_value());

    for (const char* address : { "http://a.fr", "HTTPS://a.fr/x", "about:blank" })
        EXPECT_TRUE(ProgrammeWebView::isAllowedScheme(QUrl(u8(address)))) << address;
    for (const char* address : { "mailto:a@b.fr", "file:///etc/passwd", "ftp://a.fr", "javascript:alert(1)",
             "data:text/html,x", "" })
        EXPECT_FALSE(ProgrammeWebView::isAllowedScheme(QUrl(u8(address)))) << address;
}

TEST_F(ProgrammeBrowser, starAndFavouritesBarFollowTheFavouritesFile)
{
    open(contestPath);
    CapsuleButton* star = child("favorite");
    EXPECT_EQ(star->symbol(), u8("star.fill"));
    EXPECT_EQ(star->toolTip(), u8("Retirer des favoris"));
    EXPECT_EQ(child<QWidget>("favoritesHint"), nullptr);

    click("favorite");
    EXPECT_TRUE(model().favorites().isEmpty());
    EXPECT_TRUE(ProgrammeFavorites::load().isEmpty());
    EXPECT_EQ(star->symbol(), u8("star"));
    EXPECT_EQ(star->toolTip(), u8("Ajouter aux favoris"));
    ASSERT_TRUE(waitUntil([&] { return child<ToneLabel>("favoritesHint") != nullptr; }));
    EXPECT_EQ(child<ToneLabel>("favoritesHint")->text(), u8("Ajoutez un site en favori avec l’étoile."));

    click("favorite");
    ASSERT_EQ(ProgrammeFavorites::load().size(), 1);
    EXPECT_EQ(ProgrammeFavorites::load().first().title, u8("Jumping de Test"));
    EXPECT_EQ(ProgrammeFavorites::load().first().url, url(contestPath));
    EXPECT_EQ(star->symbol(), u8("star.fill"));

    // A page without a title is named after its host.
    server.route(u8("/sans-titre"), "<html><body><p>Rien</p></body></html>");
    go(url(u8("/sans-titre")));
    EXPECT_EQ(model().pageTitle(), QString());
    EXPECT_EQ(star->symbol(), u8("star"));
    click("favorite");
    ASSERT_EQ(model().favorites().size(), 2);
    EXPECT_EQ(model().favorites()[1].title, u8("127.0.0.1"));
    const auto bar = [&] {
        QStringList titles;
        for (CapsuleButton* button : child<QWidget>("favoritesBar")->findChildren<CapsuleButton*>()) {
            if (button->isVisible())
                titles.append(button->text());
        }
        return titles;
    };
    const QStringList expected { u8("Jumping de Test"), u8("127.0.0.1") };
    waitUntil([&] { return bar() == expected; });
    EXPECT_EQ(bar(), expected);
}

// The model alone, without a page: the address is what it works on.
TEST_F(ProgrammeBrowser, modelAddressesAndFavouriteKeys)
{
    ProgrammeFavorites::save({});
    ProgrammeBrowserModel fresh;
    EXPECT_EQ(fresh.urlString(), ProgrammeFavorite::builtIn().first().url);
    EXPECT_EQ(fresh.kind(), WebProgrammeSnapshot::Kind::Unknown);
    EXPECT_FALSE(fresh.canImportEvent() || fresh.canImportContest());
    EXPECT_EQ(fresh.status(), u8("Ouvrez un concours, puis importez le programme."));

    QSignalSpy requested(&fresh, &ProgrammeBrowserModel::loadRequested);
    QSignalSpy address(&fresh, &ProgrammeBrowserModel::urlStringChanged);
    fresh.setUrlString(u8("  ffecompet.ffe.com/concours/1 "));
    fresh.setUrlString(u8("  ffecompet.ffe.com/concours/1 "));
    EXPECT_EQ(address.count(), 1);
    fresh.submitURL();
    EXPECT_EQ(fresh.urlString(), u8("https://ffecompet.ffe.com/concours/1"));
    EXPECT_EQ(fresh.takePendingLoad(), QUrl(u8("https://ffecompet.ffe.com/concours/1")));
    EXPECT_EQ(requested.count(), 1);
    fresh.setUrlString(u8("   "));
    fresh.submitURL();
    fresh.toggleFavorite();
    EXPECT_EQ(requested.count(), 1);
    EXPECT_FALSE(fresh.pendingLoad().has_value());
    EXPECT_TRUE(fresh.favorites().isEmpty());

    // Case, blanks and one trailing slash do not make another favourite.
    ProgrammeFavorites::save({ ProgrammeFavorite {
        QUuid::createUuid(), u8("Résultats"), u8("  HTTPS://Example.org/Resultats/ ") } });
    ProgrammeBrowserModel model;
    model.setUrlString(u8("https://example.org/resultats"));
    EXPECT_TRUE(model.isCurrentFavorite());
    model.toggleFavorite();
    EXPECT_TRUE(ProgrammeFavorites::load().isEmpty());
    EXPECT_FALSE(model.isCurrentFavorite());
    // Without a page title the host names the favourite, and without a host "Favori".
    model.toggleFavorite();
    model.setUrlString(u8("about:blank"));
    model.toggleFavorite();
    const QList<ProgrammeFavorite> saved = ProgrammeFavorites::load();
    ASSERT_EQ(saved.size(), 2);
    EXPECT_EQ(saved[0].title, u8("example.org"));
    EXPECT_EQ(saved[0].url, u8("https://example.org/resultats"));
    EXPECT_EQ(saved[1].title, u8("Favori"));
    model.removeFavorite(saved[0]);
    EXPECT_EQ(ProgrammeFavorites::load(), QList<ProgrammeFavorite> { saved[1] });

    // Nothing to import from without a page.
    const QFuture<ProgrammeDocument> none = model.importProgramme(WebProgrammeImporter::Scope::Contest);
    ASSERT_TRUE(none.isFinished());
    EXPECT_THROW(none.result(), ImportError);
    EXPECT_FALSE(model.isImporting());
}

// A picture of the window on a contest page, light scheme, written as PNG to QUAVEL_SCREENSHOTS (else
// a folder in the build tree) for a person to look at.
TEST_F(ProgrammeBrowser, screenshotOfAContestPage)
{
    QApplication::setStyle(QStyleFactory::create(u8("Fusion")));
    QApplication::setPalette(Theme::palette(false));
    Symbols::installIconTheme();
    ProgrammeFavorites::save(
        { ProgrammeFavorite { QUuid::createUuid(), u8("Jumping de Test"), url(contestPath) },
            ProgrammeFavorite::builtIn()[0], ProgrammeFavorite::builtIn()[1] });
    view = new ProgrammeBrowserView([](const ProgrammeDocument&) {});
    view->resize(ProgrammeBrowserView::minimumWidth, ProgrammeBrowserView::minimumHeight);
    view->show();
    ASSERT_TRUE(waitUntil([&] { return pageRead(); }, kPageTimeoutMs));
    // The page paints a moment after it reports its load.
    waitUntil([] { return false; }, 800);
    const QString folder = test::screenshotsFolder();
    const auto save = [&](const QString& name) {
        const QImage image = view->grab().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(folder + u8("/%1.png").arg(name)));
    };
    save(u8("programme-browser-light"));

    // Under the overlay while the start lists are fetched.
    for (int i = 1; i <= 3; ++i) {
        TestHttpServer::Response slow;
        slow.body = startlistHTML({ i }, true);
        slow.delayMs = 3000;
        server.route(classPath(i), slow);
    }
    click("importContest");
    ASSERT_TRUE(waitUntil([&] { return model().status().startsWith(u8("Récupération")); }, kPageTimeoutMs));
    save(u8("programme-browser-importing-light"));
}
