#pragma once
// The window's side of the kvapomer-live child: starts it, tells it the key,
// the time zone and the day's calls, reads its batches, and notices when it
// crashes, hangs (no batch within the watchdog's time) or talks nonsense;
// then the last batch no longer counts, the child is stopped and started
// again after a pause. Nothing here blocks: all of it runs on signals.

#include "live/protocol.h"

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>

namespace kvapomer::live {

struct ChildOptions {
    QString program;
    QStringList arguments;
    int watchdogMs = 75 * 1000;     // the child writes a batch at least every 30 s + 10 s
    int restartDelayMs = 60 * 1000; // the pause before a lost child is started again
};

class LiveClient : public QObject {
    Q_OBJECT
public:
    explicit LiveClient(ChildOptions options, QObject* parent = nullptr);
    ~LiveClient() override;

    void start();
    void stop();
    bool running() const { return process_.state() != QProcess::NotRunning; }

    // Kept and sent again to every restarted child.
    void setToken(const QByteArray& token);
    void setCalls(const std::vector<ScheduledCall>& calls, const QByteArray& timeZone);

    // The last batch; `live` only while it is, by the data's time (or, without
    // one, the time it came), younger than kFreshSeconds at `now`.
    const LiveSnapshot& snapshot() const { return snapshot_; }
    bool liveAt(qint64 now) const;
    int restarts() const { return restarts_; }

Q_SIGNALS:
    // A new batch, or the loss of the child (then not live, with the reason).
    void updated(const kvapomer::live::LiveSnapshot& snapshot);

private:
    void launch();
    void sendAll();
    void onOutput();
    void lose(const QString& reason);

    ChildOptions options_;
    QProcess process_;
    QTimer watchdog_;
    QTimer restart_;
    ChildOutputParser parser_;
    LiveSnapshot snapshot_;
    qint64 receivedAt_ = 0;
    std::optional<QByteArray> token_;
    std::optional<QByteArray> timeZone_;
    std::vector<ScheduledCall> calls_;
    bool haveCalls_ = false;
    bool wanted_ = false;
    int restarts_ = 0;
};

} // namespace kvapomer::live
