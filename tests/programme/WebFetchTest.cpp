// fetchHTML over the real fetcher, against a real HTTP server on 127.0.0.1.
#include "programme/WebProgrammeImporter.h"

#include "platform/http/HttpFetcher.h"
#include "platform/http/NetworkErrors.h"
#include "platform/http/NetworkHttpFetcher.h"

#include "ProgrammeTestSupport.h"
#include "WebTestSupport.h"
#include "common/TestHttpServer.h"

#include <QMetaEnum>
#include <QTcpServer>

#include <gtest/gtest.h>

using namespace quavel;
using test::TestHttpServer;

namespace {

class WebFetch : public testing::Test
{
protected:
    QString fetch(const QString& path)
    {
        return test::await(WebProgrammeImporter::fetchHTML(server.url(path), fetcher));
    }
    QString failure(const QUrl& url)
    {
        return test::failureOf(WebProgrammeImporter::fetchHTML(url, fetcher));
    }

    TestHttpServer server;
    NetworkHttpFetcher fetcher;
};

TestHttpServer::Response response(int status, const QByteArray& body)
{
    TestHttpServer::Response r;
    r.status = status;
    r.body = body;
    return r;
}

} // namespace

TEST_F(WebFetch, sendsTheBrowserHeadersAndDecodesUtf8)
{
    server.route(u8("/page"), QByteArray("<p>Équipe</p>"));
    EXPECT_EQ(fetch(u8("/page")), u8("<p>Équipe</p>"));
    ASSERT_EQ(server.requests().size(), 1);
    const TestHttpServer::Request& request = server.requests().first();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.headers.value("user-agent"),
        "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
        "Version/17.6 "
        "Safari/605.1.15");
    EXPECT_EQ(request.headers.value("accept"), "text/html,application/xhtml+xml");
}

TEST_F(WebFetch, statusesAndCharacterSets)
{
    server.route(u8("/latin1"), response(200, QByteArray("<p>\xC9quipe \xE0 Lyon</p>")));
    server.route(u8("/multiple"), response(300, QByteArray("choix")));
    server.route(u8("/broken"), response(500, QByteArray("oops")));

    // Not valid UTF-8: read as ISO Latin 1, whatever the response declares.
    EXPECT_EQ(fetch(u8("/latin1")), u8("<p>Équipe à Lyon</p>"));
    EXPECT_EQ(fetch(u8("/multiple")), u8("choix"));
    EXPECT_EQ(failure(server.url(u8("/missing"))),
        u8("La page http://127.0.0.1:%1/missing a répondu 404.").arg(server.port()));
    EXPECT_EQ(failure(server.url(u8("/broken"))),
        u8("La page http://127.0.0.1:%1/broken a répondu 500.").arg(server.port()));
}

TEST_F(WebFetch, onlyWebAddressesAreFetched)
{
    for (const char* address : { "ftp://127.0.0.1/page", "file:///etc/passwd", "javascript:alert(1)" }) {
        EXPECT_EQ(failure(QUrl(u8(address))), u8("Adresse non prise en charge : ") + u8(address));
    }
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(WebFetch, bodiesPastTheCapAreRefused)
{
    const qint64 cap = HttpFetcher::maximumBodySize;
    const struct
    {
        qint64 size;
        bool declared;
        bool accepted;
    } cases[] = { { cap, true, true }, { cap + 1, true, false }, { cap + 1, false, false } };
    for (const auto& c : cases) {
        TestHttpServer::Response big = response(200, QByteArray(c.size, 'a'));
        big.omitLength = !c.declared;
        server.route(u8("/big"), big);
        const QString message = failure(server.url(u8("/big")));
        if (c.accepted)
            EXPECT_EQ(message, QString()) << c.size;
        else
            EXPECT_EQ(message,
                u8("La page http://127.0.0.1:%1/big est trop volumineuse pour être importée (plus de 32 Mo).")
                    .arg(server.port()))
                << c.size << " " << c.declared;
    }
}

TEST_F(WebFetch, transportFailuresAreInFrench)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    const QString refused = failure(QUrl(u8("http://127.0.0.1:%1/").arg(port)));
    EXPECT_EQ(refused, frenchDescription(QNetworkReply::ConnectionRefusedError));
    EXPECT_EQ(refused, u8("Le serveur a refusé la connexion."));

    // Every error Qt can report has a text of its own; only the unknown one falls back to the generic text.
    const QString generic = frenchDescription(QNetworkReply::UnknownNetworkError);
    const QMetaEnum codes = QMetaEnum::fromType<QNetworkReply::NetworkError>();
    for (int i = 0; i < codes.keyCount(); ++i) {
        const auto code = QNetworkReply::NetworkError(codes.value(i));
        if (code != QNetworkReply::UnknownNetworkError) {
            EXPECT_NE(frenchDescription(code), generic) << codes.key(i);
        }
    }
}

TEST_F(WebFetch, anIdleServerTimesOut)
{
    NetworkHttpFetcher impatient(nullptr, 300);
    TestHttpServer::Response silent;
    silent.hang = true;
    server.route(u8("/silent"), silent);
    EXPECT_EQ(test::failureOf(WebProgrammeImporter::fetchHTML(server.url(u8("/silent")), impatient)),
        u8("Le délai d’attente de la requête a expiré."));
}

TEST(WebTypedAddress, prepared)
{
    const struct
    {
        const char* typed;
        const char* expected;
    } cases[] = {
        { "  \n", "" },
        { "ffecompet.ffe.com/concours", "https://ffecompet.ffe.com/concours" },
        { " http://s.test/x ", "http://s.test/x" },
        { "https://s.test/concours/1?x=2", "https://s.test/concours/1?x=2" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WebProgrammeImporter::preparedURL(u8(c.typed)).value_or(QUrl()).toString(), u8(c.expected))
            << c.typed;
    }
}
