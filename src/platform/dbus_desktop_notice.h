#pragma once
// Desktop notices through the freedesktop notification service on the
// session bus.

#include "platform/desktop_notice.h"

#include <QObject>

#include <memory>

class QDBusConnection;

namespace kvapomer {

class DbusDesktopNotice final : public DesktopNotice {
public:
    // `iconName` is the program's icon in the desktop's icon theme.
    explicit DbusDesktopNotice(QString appName, QString iconName);
    ~DbusDesktopNotice() override;

    // Connects to the session bus for the first notice, not before, and then
    // from the event loop, after the caller's work is done. The call is
    // asynchronous; no bus or no notification service is silent.
    void show(const QString& summary, const QString& body) override;

    // The service's number of the latest notice shown (0: none yet).
    uint shownId() const { return shownId_; }
    // Whether a notice is still queued or its call not yet answered.
    bool waitingForReply() const { return connecting_ || !replies_.children().isEmpty(); }

private:
    void send(const QString& summary, const QString& body);

    QString appName_;
    QString iconName_;
    std::unique_ptr<QDBusConnection> bus_;
    bool connecting_ = false; // the first connection is queued
    QString queuedSummary_;
    QString queuedBody_;
    uint shownId_ = 0;
    QObject replies_; // owns the watchers of calls still waiting for a reply
};

} // namespace kvapomer
