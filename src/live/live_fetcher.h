#pragma once
// One download of the live address: http or https only, at most 3 redirects
// and none from https to http, certificates checked against the system's
// store, a time limit (10 s), a body of at most kMaxFeedBytes (refused as soon
// as its announced length or what came so far is larger), gzip accepted. The
// access key goes in the X-Access-Token header and nowhere else.

#include "live/live_feed.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkReply;

namespace kvapomer::live {

struct FetchResult {
    bool ok = false;
    QByteArray body;
    QString error;        // Czech, when not ok
    qint64 fetchedAt = 0; // seconds since 1970-01-01 UTC, when the answer was complete
};

struct FetchLimits {
    int timeoutMs = 10 * 1000;
    qint64 maxBytes = kMaxFeedBytes;
    int maxRedirects = 3;
};

// Whether `url` may be asked at all; the Czech reason when not.
bool checkLiveUrl(const QUrl& url, QString* reason);

class LiveFetcher : public QObject {
    Q_OBJECT
public:
    explicit LiveFetcher(FetchLimits limits = {}, QObject* parent = nullptr);
    ~LiveFetcher() override;

    // Starts a download; an earlier one still running is abandoned.
    // finished() follows, also when the address is refused.
    void fetch(const QUrl& url, const QByteArray& token);
    bool busy() const { return !reply_.isNull(); }

Q_SIGNALS:
    void finished(const kvapomer::live::FetchResult& result);

private:
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void fail(const QString& reason);

    FetchLimits limits_;
    QNetworkAccessManager manager_;
    QPointer<QNetworkReply> reply_;
    QByteArray body_;
    QString refused_; // why this program cut the download off
};

} // namespace kvapomer::live
