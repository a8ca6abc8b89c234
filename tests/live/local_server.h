#pragma once
// A tiny HTTP server on 127.0.0.1 for the tests of the live download: each
// path answers as told (status, headers, body, a pause before the answer, or
// no answer at all); with TLS it shows the self-signed certificate of
// tests/data/live, which no system store trusts.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

#include <memory>

namespace kvapomer::test {

struct Answer {
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    int delayMs = 0;          // before the answer
    bool silent = false;      // never answer
    bool lengthHeader = true; // send Content-Length
    int lieLength = -1;       // a Content-Length other than the body's
};

class LocalServer : public QObject {
public:
    explicit LocalServer(bool tls = false);
    ~LocalServer() override;

    bool listening() const;
    QUrl url(const QByteArray& path) const;
    void answer(const QByteArray& path, Answer answer) { answers_.insert(path, std::move(answer)); }
    // Every request's head (request line and headers), in order.
    const QList<QByteArray>& requests() const { return requests_; }

private:
    void serve(QTcpSocket* socket);

    std::unique_ptr<QTcpServer> server_;
    bool tls_ = false;
    QHash<QByteArray, Answer> answers_;
    QList<QByteArray> requests_;
};

} // namespace kvapomer::test
