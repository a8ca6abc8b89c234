// kvapomer-live: the child the main window starts for a line with a live
// address. It reads the line's LiveUrl (and LiveToken) from kvapomern.ini,
// takes the key, the time zone and the day's calls from its standard input
// (see live/protocol.h) or, for a dated line, reads the calls of each service
// day from the line's own feed once that day, polls the address and writes the expected
// departures and its status to its standard output. It ends when its input
// closes. Nothing it prints holds the key.

#include "config/config_file.h"
#include "config/keys.h"
#include "live_child/feed_calls.h"
#include "live/live_fetcher.h"
#include "live/matcher.h"
#include "live/poll_schedule.h"
#include "live/protocol.h"
#include "profile/profile_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QSocketNotifier>
#include <QTimer>
#include <QTimeZone>

#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace kvapomer;
using namespace kvapomer::live;

namespace {

void say(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString iniValue(const QString& path, const QString& section, const QString& key) {
    const QString value = ReadIniValue(path, section, key, QString());
    return value == QLatin1String(kUnknownValue) ? QString() : value;
}

class Poller : public QObject {
public:
    Poller(QUrl url, QByteArray token) : url_(std::move(url)), token_(std::move(token)) {
        next_.setSingleShot(true);
        connect(&next_, &QTimer::timeout, this, &Poller::poll);
        // While a long wait after failures runs, the last word is said again
        // every 30 s, so that the window knows this program is alive.
        heartbeat_.setInterval(PollSchedule::kIntervalMs);
        connect(&heartbeat_, &QTimer::timeout, this, [this] { say(last_); });
        connect(&fetcher_, &LiveFetcher::finished, this, &Poller::onFetched);
    }

    // The calls come from the line's feed, read again on each new date.
    void useSource(std::unique_ptr<ScheduledCallSource> source) {
        source_ = std::move(source);
        started_ = true;
        QTimer::singleShot(0, this, &Poller::poll);
    }

    void take(ChildInput& input) {
        if (input.token) {
            token_ = *input.token;
            input.token.reset();
        }
        if (input.timeZone) {
            zone_ = QTimeZone(*input.timeZone);
            input.timeZone.reset();
        }
        if (input.calls) {
            source_.reset(); // what the window sends wins
            calls_ = std::move(*input.calls);
            input.calls.reset();
            wanted_ = wantedTrips(calls_);
            if (!started_) {
                started_ = true;
                poll();
            }
        }
    }

private:
    void poll() {
        heartbeat_.stop();
        if (source_ && !readDay()) {
            return;
        }
        fetcher_.fetch(url_, token_);
    }

    // The calls of today's service days, once a date. False (and said) when
    // the feed cannot give them.
    bool readDay() {
        const QDate today = QDate::currentDate();
        if (today == day_) {
            return true;
        }
        Result<std::vector<ScheduledCall>> calls = source_->callsFor(today);
        if (!calls) {
            last_ = noDataLine(calls.error().description.left(kMaxReasonChars));
            say(last_);
            next_.start(schedule_.next(false));
            return false;
        }
        calls_ = std::move(calls.value());
        wanted_ = wantedTrips(calls_);
        if (const QTimeZone zone(source_->timeZone()); zone.isValid()) {
            zone_ = zone;
        }
        day_ = today;
        return true;
    }

    void onFetched(const FetchResult& result) {
        LiveSnapshot snapshot;
        bool answered = false;
        if (!result.ok) {
            snapshot.reason = result.error;
        } else if (!zone_.isValid()) {
            snapshot.reason = QStringLiteral("Časové pásmo linky není známé.");
        } else {
            answered = true;
            Result<LiveFeed> feed = decodeFeed(result.body, &wanted_);
            if (!feed) {
                snapshot.reason = feed.error().description;
                answered = false;
            } else if (!isFresh(feed.value().timestamp, result.fetchedAt,
                                QDateTime::currentSecsSinceEpoch())) {
                snapshot.reason = QStringLiteral("Údaje serveru jsou starší než 90 s.");
            } else {
                const qint64 stamp = feed.value().timestamp.value_or(result.fetchedAt);
                snapshot.live = true;
                snapshot.stamp = stamp;
                snapshot.liveAt =
                    QDateTime::fromSecsSinceEpoch(stamp).toString(QStringLiteral("HH:mm:ss"));
                snapshot.departures = matchDepartures(calls_, feed.value(), zone_);
            }
        }
        last_ = snapshot.live ? QByteArray() : noDataLine(snapshot.reason);
        say(formatBatch(snapshot));
        const int wait = schedule_.next(answered);
        next_.start(wait);
        if (!last_.isEmpty() && wait > PollSchedule::kIntervalMs) {
            heartbeat_.start();
        }
    }

    QUrl url_;
    QByteArray token_;
    QTimeZone zone_ = QTimeZone::systemTimeZone();
    std::vector<ScheduledCall> calls_;
    QSet<QByteArray> wanted_;
    std::unique_ptr<ScheduledCallSource> source_;
    QDate day_;
    LiveFetcher fetcher_;
    PollSchedule schedule_;
    QTimer next_;
    QTimer heartbeat_;
    QByteArray last_;
    bool started_ = false;
};

int usage() {
    std::fputs("Použití: kvapomer-live [--ini SOUBOR] [--line ČÍSLO]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString ini = QDir(QCoreApplication::applicationDirPath()).filePath(keys::kFileName);
    QString line;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--ini") && i + 1 < args.size()) {
            ini = args[++i];
        } else if (args[i] == QLatin1String("--line") && i + 1 < args.size()) {
            line = args[++i];
        } else {
            return usage();
        }
    }
    if (line.isEmpty()) {
        line = iniValue(ini, keys::kMain, keys::kBus);
    }
    const QUrl url(line.isEmpty() ? QString() : iniValue(ini, line, keys::kLiveUrl));
    QString reason;
    if (url.isEmpty()) {
        say(noDataLine(QStringLiteral("Linka nemá adresu aktuálních údajů.")));
        return 1;
    }
    if (!checkLiveUrl(url, &reason)) {
        say(noDataLine(reason));
        return 1;
    }
    Poller poller(url, iniValue(ini, line, keys::kLiveToken).toUtf8());
    for (const DatedSection& dated : ConfigFile(ini).datedLines()) {
        if (dated.line.compare(line, Qt::CaseInsensitive) == 0) {
            poller.useSource(std::make_unique<FeedCallSource>(queryOf(dated.dated.source)));
            break;
        }
    }

    ChildInputParser parser;
    ChildInput input;
    QSocketNotifier notifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char buffer[16384];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            notifier.setEnabled(false);
            QCoreApplication::quit(); // the window is gone
            return;
        }
        // A line the window never writes is left out; the rest still counts.
        (void)parser.feed(QByteArray(buffer, qsizetype(got)), input);
        poller.take(input);
    });
    return app.exec();
}
