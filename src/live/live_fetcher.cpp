#include "live/live_fetcher.h"

#include <QDateTime>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace kvapomer::live {

namespace {

QString tooLarge() {
    return QStringLiteral("Odpověď serveru je větší než 32 MiB.");
}

QString networkReason(QNetworkReply::NetworkError error, int timeoutMs) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return QStringLiteral("Server není dostupný.");
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("Server neodpověděl do %1 s.").arg((timeoutMs + 999) / 1000);
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("Certifikát serveru se nepodařilo ověřit.");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("Server přesměrovává příliš mnohokrát.");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("Server přesměrovává na nezabezpečenou adresu.");
    case QNetworkReply::ProtocolUnknownError:
        return QStringLiteral("Adresa musí začínat http:// nebo https://.");
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentAccessDenied:
        return QStringLiteral("Server odmítl přístup (zkontrolujte klíč).");
    default:
        return QStringLiteral("Stažení se nepodařilo.");
    }
}

} // namespace

bool checkLiveUrl(const QUrl& url, QString* reason) {
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty()) {
        if (reason) {
            *reason = QStringLiteral("Adresa musí začínat http:// nebo https://.");
        }
        return false;
    }
    return true;
}

LiveFetcher::LiveFetcher(FetchLimits limits, QObject* parent) : QObject(parent), limits_(limits) {
    manager_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    manager_.setAutoDeleteReplies(false);
}

LiveFetcher::~LiveFetcher() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        delete reply_;
    }
}

void LiveFetcher::fetch(const QUrl& url, const QByteArray& token) {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    body_.clear();
    refused_.clear();
    QString reason;
    if (!checkLiveUrl(url, &reason)) {
        // Said after the caller returns, as every other answer.
        QTimer::singleShot(0, this, [this, reason] { fail(reason); });
        return;
    }
    QNetworkRequest request(url);
    request.setMaximumRedirectsAllowed(limits_.maxRedirects);
    request.setTransferTimeout(limits_.timeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Accept", "application/x-protobuf, application/octet-stream");
    // Accept-Encoding is left to Qt, which then asks for gzip and inflates it.
    if (!token.isEmpty()) {
        request.setRawHeader("X-Access-Token", token);
    }
    reply_ = manager_.get(request);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &LiveFetcher::onMetaData);
    connect(reply_, &QNetworkReply::readyRead, this, &LiveFetcher::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &LiveFetcher::onFinished);
}

void LiveFetcher::onMetaData() {
    if (!reply_) {
        return;
    }
    bool known = false;
    const qint64 length = reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && length > limits_.maxBytes) {
        refused_ = tooLarge();
        reply_->abort();
    }
}

void LiveFetcher::onReadyRead() {
    if (!reply_ || !refused_.isEmpty()) {
        return;
    }
    const qint64 room = limits_.maxBytes - body_.size();
    body_ += reply_->read(room + 1);
    if (body_.size() > limits_.maxBytes) {
        body_.clear();
        refused_ = tooLarge();
        reply_->abort();
    }
}

void LiveFetcher::onFinished() {
    QNetworkReply* reply = reply_;
    if (!reply) {
        return;
    }
    reply->disconnect(this);
    reply_ = nullptr;
    reply->deleteLater();
    if (!refused_.isEmpty()) {
        fail(refused_);
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        fail(QStringLiteral("Server odpověděl chybou %1.").arg(status));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(networkReason(reply->error(), limits_.timeoutMs));
        return;
    }
    if (status >= 300) {
        fail(QStringLiteral("Server přesměrovává příliš mnohokrát."));
        return;
    }
    body_ += reply->read(limits_.maxBytes - body_.size() + 1);
    if (body_.size() > limits_.maxBytes) {
        body_.clear();
        fail(tooLarge());
        return;
    }
    FetchResult result;
    result.ok = true;
    result.body = std::move(body_);
    body_.clear();
    result.fetchedAt = QDateTime::currentSecsSinceEpoch();
    Q_EMIT finished(result);
}

void LiveFetcher::fail(const QString& reason) {
    FetchResult result;
    result.error = reason;
    result.fetchedAt = QDateTime::currentSecsSinceEpoch();
    Q_EMIT finished(result);
}

} // namespace kvapomer::live
