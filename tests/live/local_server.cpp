#include "local_server.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

namespace kvapomer::test {

namespace {
QByteArray readData(const char* name) {
    QFile file(QStringLiteral(KVAPOMER_LIVE_DATA "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

LocalServer::LocalServer(bool tls) : tls_(tls) {
    if (tls) {
        auto server = std::make_unique<QSslServer>();
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(QSslCertificate(readData("localhost.crt")));
        config.setPrivateKey(QSslKey(readData("localhost.key"), QSsl::Rsa));
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        server->setSslConfiguration(config);
        server_ = std::move(server);
    } else {
        server_ = std::make_unique<QTcpServer>();
    }
    QObject::connect(server_.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = server_->nextPendingConnection()) {
            serve(socket);
        }
    });
    server_->listen(QHostAddress::LocalHost, 0);
}

LocalServer::~LocalServer() = default;

bool LocalServer::listening() const {
    return server_->isListening();
}

QUrl LocalServer::url(const QByteArray& path) const {
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(tls_ ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(server_->serverPort())
                    .arg(QString::fromLatin1(path)));
}

void LocalServer::serve(QTcpSocket* socket) {
    socket->setParent(this);
    auto head = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
        if (head->endsWith("\r\n\r\n")) {
            socket->readAll();
            return;
        }
        *head += socket->readAll();
        if (!head->contains("\r\n\r\n")) {
            return;
        }
        head->truncate(head->indexOf("\r\n\r\n") + 4);
        requests_.push_back(*head);
        const QList<QByteArray> words = head->left(head->indexOf("\r\n")).split(' ');
        const QByteArray path = words.size() > 1 ? words[1] : QByteArray();
        const auto found = answers_.constFind(path);
        Answer answer = found == answers_.constEnd() ? Answer{404, "not here", {}} : *found;
        if (answer.silent) {
            return;
        }
        auto send = [socket, answer] {
            QByteArray out = "HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\n";
            for (const auto& [name, value] : answer.headers) {
                out += name + ": " + value + "\r\n";
            }
            if (answer.lengthHeader) {
                out += "Content-Length: " +
                       QByteArray::number(answer.lieLength >= 0 ? answer.lieLength
                                                                : answer.body.size()) +
                       "\r\n";
            }
            out += "Connection: close\r\n\r\n" + answer.body;
            socket->write(out);
            socket->disconnectFromHost();
        };
        if (answer.delayMs > 0) {
            QTimer::singleShot(answer.delayMs, socket, send);
        } else {
            send();
        }
    });
}

} // namespace kvapomer::test
