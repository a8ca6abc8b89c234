#include "desktop/private_bus.h"

#include <QFile>

namespace kvapomer::test {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
}

PrivateBus::PrivateBus() {
    // A session bus of its own with no service files: nothing can be started
    // on it, so only the fake below answers.
    const QString config = dir_.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    file.write(
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:dir=" +
        dir_.path().toUtf8() +
        "</listen><auth>EXTERNAL</auth>"
        "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    file.close();
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                   QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted(5000)) {
        return;
    }
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(5000)) {
            daemon_.kill();
            daemon_.waitForFinished(5000);
        }
    }
}

FakeNotificationService::FakeNotificationService(const QString& address)
    : bus_(QDBusConnection::connectToBus(address, QStringLiteral("fake-notification-service"))) {
    registered_ = bus_.isConnected() &&
                  bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                      QDBusConnection::ExportAllSlots) &&
                  bus_.registerService(kService);
}

FakeNotificationService::~FakeNotificationService() {
    bus_.unregisterService(kService);
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-notification-service"));
}

uint FakeNotificationService::Notify(const QString& appName, uint replacesId, const QString& icon,
                                     const QString& summary, const QString& body,
                                     const QStringList& /*actions*/, const QVariantMap& hints,
                                     int timeout) {
    calls.push_back({appName, replacesId, icon, summary, body, hints, timeout});
    return replacesId != 0 ? replacesId : nextId++;
}

} // namespace kvapomer::test
