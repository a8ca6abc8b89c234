#pragma once
// A private session bus (its own dbus-daemon) and a fake notification service
// on it that records the calls it gets.

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <vector>

namespace kvapomer::test {

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    // Empty when dbus-daemon is missing or did not start.
    const QString& address() const { return address_; }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

struct NotifyCall {
    QString appName;
    uint replacesId = 0;
    QString icon;
    QString summary;
    QString body;
    QVariantMap hints;
    int timeout = 0;
};

class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    // Connects to the bus at `address` and takes the service's name.
    explicit FakeNotificationService(const QString& address);
    ~FakeNotificationService() override;
    bool registered() const { return registered_; }

    std::vector<NotifyCall> calls;
    uint nextId = 41;

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int timeout);

private:
    QDBusConnection bus_;
    bool registered_ = false;
};

} // namespace kvapomer::test
