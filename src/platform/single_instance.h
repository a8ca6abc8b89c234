#pragma once
// One running copy of the program per program folder. The first copy started
// from a folder listens on a local socket named after the folder; a copy
// started later from the same folder finds it there, asks it to come to the
// front and ends. Copies from different folders use different sockets.
//
// The socket lives in the user's runtime folder (XDG_RUNTIME_DIR, else the
// temporary folder with the user id in the name). Claiming it costs a few
// system calls and never waits for a time-out: a live copy answers a connect
// at once and a dead one's socket refuses it at once, and is then replaced.

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QSocketNotifier;

namespace kvapomer {

class SingleInstance {
public:
    enum class Claim {
        First,     // this copy holds the folder now
        Running,   // another copy holds it and has been asked to come to the front
        Unguarded, // no socket could be had: run without the guard
    };

    // `socketPath`: see socketPathFor().
    explicit SingleInstance(QString socketPath);
    ~SingleInstance(); // a held socket is closed and removed
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Needs no QCoreApplication. `token` goes with the request to the
    // running copy (the desktop's activation token of this start, if any).
    Claim claim(const QByteArray& token = {});

    // The listening socket while this copy holds the folder, else -1.
    int listener() const { return listener_; }

    // The socket for the program folder `folder`; the folder's real path
    // (symbolic links resolved) names it, so every spelling of one folder
    // gives one socket. Empty when no usable place exists.
    static QString socketPathFor(const QString& folder);

private:
    QString path_;
    int listener_ = -1;
    unsigned long long inode_ = 0; // of the socket file this copy made
};

// Receives the requests of later copies on the listening socket; needs the
// event loop.
class InstanceRequests : public QObject {
    Q_OBJECT
public:
    explicit InstanceRequests(int listener, QObject* parent = nullptr);
    ~InstanceRequests() override;

Q_SIGNALS:
    // A later copy was started: bring the window to the front. `token` is its
    // activation token, possibly empty.
    void activationRequested(const QByteArray& token);

private:
    void acceptAll();
    void readFrom(int fd);

    QSocketNotifier* notifier_ = nullptr;
    struct Connection;
    std::vector<std::unique_ptr<Connection>> connections_;
};

} // namespace kvapomer
