// The download of the live address, against a server this test starts on 127.0.0.1.

#include "live/live_fetcher.h"
#include "local_server.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTcpServer>

#include <zlib.h>

using namespace kvapomer::live;
using namespace kvapomer::test;

namespace {

FetchResult fetchOnce(const QUrl& url, FetchLimits limits = {}, const QByteArray& token = {}) {
    LiveFetcher fetcher(limits);
    QSignalSpy spy(&fetcher, &LiveFetcher::finished);
    fetcher.fetch(url, token);
    EXPECT_TRUE(spy.wait(15000));
    return spy.isEmpty() ? FetchResult{} : spy.at(0).at(0).value<FetchResult>();
}

QByteArray gzipped(const QByteArray& bytes) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(bytes.size()))) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

} // namespace

TEST(LiveFetcher, GetsTheBodySendsTheKeyAndInflatesGzip) {
    LocalServer server;
    ASSERT_TRUE(server.listening());
    server.answer("/feed", {200, "plain body", {}});
    server.answer("/gz", {200, gzipped(QByteArray(100000, 'a')), {{"Content-Encoding", "gzip"}}});

    FetchResult plain = fetchOnce(server.url("/feed"), {}, "secret-key");
    EXPECT_TRUE(plain.ok) << plain.error.toStdString();
    EXPECT_EQ(plain.body, "plain body");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(server.requests()[0].contains("X-Access-Token: secret-key\r\n"));
    EXPECT_TRUE(server.requests()[0].contains("gzip"));

    FetchResult inflated = fetchOnce(server.url("/gz"));
    EXPECT_TRUE(inflated.ok) << inflated.error.toStdString();
    EXPECT_EQ(inflated.body, QByteArray(100000, 'a'));
    EXPECT_FALSE(server.requests()[1].contains("X-Access-Token"));
}

TEST(LiveFetcher, SaysWhyInCzechWhenTheServerFails) {
    LocalServer server;
    server.answer("/missing", {404, "no", {}});
    EXPECT_EQ(fetchOnce(server.url("/missing")).error,
              QStringLiteral("Server odpověděl chybou 404."));

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    const FetchResult down = fetchOnce(QUrl(QStringLiteral("http://127.0.0.1:%1/feed").arg(port)));
    EXPECT_FALSE(down.ok);
    EXPECT_EQ(down.error, QStringLiteral("Server není dostupný."));

    const FetchResult ftp = fetchOnce(QUrl(QStringLiteral("ftp://127.0.0.1/feed")));
    EXPECT_EQ(ftp.error, QStringLiteral("Adresa musí začínat http:// nebo https://."));
}

TEST(LiveFetcher, GivesUpOnASlowServer) {
    LocalServer server;
    server.answer("/slow", {200, "late", {}, 3000});
    server.answer("/silent", {200, "", {}, 0, true});
    FetchLimits quick;
    quick.timeoutMs = 300;
    for (const char* path : {"/slow", "/silent"}) {
        const FetchResult result = fetchOnce(server.url(path), quick);
        EXPECT_FALSE(result.ok) << path;
        EXPECT_EQ(result.error, QStringLiteral("Server neodpověděl do 1 s.")) << path;
    }
}

TEST(LiveFetcher, RefusesAnOversizedBodyAnnouncedOrNot) {
    LocalServer server;
    FetchLimits small;
    small.maxBytes = 1000;
    server.answer("/announced", {200, QByteArray(1001, 'x'), {}});
    Answer unannounced{200, QByteArray(5000, 'x'), {}};
    unannounced.lengthHeader = false;
    server.answer("/unannounced", unannounced);
    server.answer("/fits", {200, QByteArray(1000, 'x'), {}});
    // Bigger once inflated than the limit allows.
    server.answer("/bomb", {200, gzipped(QByteArray(50000, 'a')), {{"Content-Encoding", "gzip"}}});
    for (const char* path : {"/announced", "/unannounced", "/bomb"}) {
        const FetchResult result = fetchOnce(server.url(path), small);
        EXPECT_FALSE(result.ok) << path;
        EXPECT_EQ(result.error, QStringLiteral("Odpověď serveru je větší než 32 MiB.")) << path;
        EXPECT_TRUE(result.body.isEmpty());
    }
    EXPECT_TRUE(fetchOnce(server.url("/fits"), small).ok);
}

TEST(LiveFetcher, FollowsAtMostThreeRedirects) {
    LocalServer server;
    for (int i = 0; i < 4; ++i) {
        server.answer(
            "/r" + QByteArray::number(i),
            {302,
             "",
             {{"Location", server.url("/r" + QByteArray::number(i + 1)).toString().toLatin1()}}});
    }
    server.answer("/r4", {200, "arrived", {}});
    const FetchResult three = fetchOnce(server.url("/r1"));
    EXPECT_TRUE(three.ok) << three.error.toStdString();
    EXPECT_EQ(three.body, "arrived");
    const FetchResult four = fetchOnce(server.url("/r0"));
    EXPECT_FALSE(four.ok);
    EXPECT_EQ(four.error, QStringLiteral("Server přesměrovává příliš mnohokrát."));
}

TEST(LiveFetcher, RefusesACertificateTheSystemDoesNotTrust) {
    LocalServer server(true);
    ASSERT_TRUE(server.listening());
    server.answer("/feed", {200, "must not arrive", {}});
    const FetchResult result = fetchOnce(server.url("/feed"));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.body.isEmpty());
    EXPECT_EQ(result.error, QStringLiteral("Certifikát serveru se nepodařilo ověřit."));
}
