#include "live/live_client.h"

#include <QDateTime>

namespace kvapomer::live {

LiveClient::LiveClient(ChildOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {
    watchdog_.setSingleShot(true);
    restart_.setSingleShot(true);
    connect(&watchdog_, &QTimer::timeout, this,
            [this] { lose(QStringLiteral("Program aktuálních údajů neodpovídá.")); });
    connect(&restart_, &QTimer::timeout, this, [this] {
        if (wanted_) {
            ++restarts_;
            launch();
        }
    });
    // What the child says on its error output is not for anyone: it goes nowhere.
    process_.setStandardErrorFile(QProcess::nullDevice());
    connect(&process_, &QProcess::started, this, [this] {
        sendAll();
        watchdog_.start(options_.watchdogMs);
    });
    connect(&process_, &QProcess::readyReadStandardOutput, this, &LiveClient::onOutput);
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            lose(QStringLiteral("Program aktuálních údajů nelze spustit."));
        }
    });
    connect(&process_, &QProcess::finished, this, [this] {
        if (wanted_ && !restart_.isActive()) {
            lose(QStringLiteral("Program aktuálních údajů skončil."));
        }
    });
}

LiveClient::~LiveClient() {
    wanted_ = false;
    process_.disconnect(this);
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(1000);
    }
}

void LiveClient::start() {
    if (wanted_) {
        return;
    }
    wanted_ = true;
    launch();
}

void LiveClient::stop() {
    wanted_ = false;
    watchdog_.stop();
    restart_.stop();
    if (process_.state() != QProcess::NotRunning) {
        process_.closeWriteChannel();
        process_.kill();
        process_.waitForFinished(1000);
    }
    snapshot_ = {};
}

void LiveClient::setToken(const QByteArray& token) {
    token_ = token;
    if (process_.state() == QProcess::Running) {
        process_.write(tokenLine(token));
    }
}

void LiveClient::setCalls(const std::vector<ScheduledCall>& calls, const QByteArray& timeZone) {
    calls_ = calls;
    timeZone_ = timeZone;
    haveCalls_ = true;
    if (process_.state() == QProcess::Running) {
        process_.write(timeZoneLine(timeZone) + callsBlock(calls));
    }
}

bool LiveClient::liveAt(qint64 now) const {
    return snapshot_.live && isFresh(snapshot_.stamp, receivedAt_, now);
}

void LiveClient::launch() {
    parser_ = {};
    // started() sends what the child is told and arms the watchdog.
    process_.start(options_.program, options_.arguments);
}

void LiveClient::sendAll() {
    QByteArray out;
    if (token_) {
        out += tokenLine(*token_);
    }
    if (haveCalls_) {
        out += timeZoneLine(timeZone_.value_or(QByteArray())) + callsBlock(calls_);
    }
    if (!out.isEmpty()) {
        process_.write(out);
    }
}

void LiveClient::onOutput() {
    std::vector<LiveSnapshot> batches;
    if (!parser_.feed(process_.readAllStandardOutput(), batches)) {
        lose(QStringLiteral("Program aktuálních údajů poslal nesrozumitelná data."));
        return;
    }
    if (batches.empty()) {
        return;
    }
    snapshot_ = std::move(batches.back());
    receivedAt_ = QDateTime::currentSecsSinceEpoch();
    watchdog_.start(options_.watchdogMs);
    Q_EMIT updated(snapshot_);
}

void LiveClient::lose(const QString& reason) {
    if (!wanted_ || restart_.isActive()) {
        return;
    }
    watchdog_.stop();
    restart_.start(options_.restartDelayMs);
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(1000);
    }
    snapshot_ = {};
    snapshot_.reason = reason;
    Q_EMIT updated(snapshot_);
}

} // namespace kvapomer::live
