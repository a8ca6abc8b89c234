#include "platform/dbus_desktop_notice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace kvapomer {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// Without an address, the bus library would fall back to starting a bus of its
// own through X11; a session without a bus gets no notices instead.
bool sessionBusKnown() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return true;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("bus")));
}

} // namespace

DbusDesktopNotice::DbusDesktopNotice(QString appName, QString iconName)
    : appName_(std::move(appName)), iconName_(std::move(iconName)) {}

DbusDesktopNotice::~DbusDesktopNotice() = default;

void DbusDesktopNotice::show(const QString& summary, const QString& body) {
    if (bus_) {
        send(summary, body);
        return;
    }
    if (!sessionBusKnown()) {
        return;
    }
    queuedSummary_ = summary;
    queuedBody_ = body;
    if (connecting_) {
        return;
    }
    // Connecting waits for the bus's answer; that is not done inside a tick.
    connecting_ = true;
    QTimer::singleShot(0, &replies_, [this] {
        connecting_ = false;
        bus_ = std::make_unique<QDBusConnection>(QDBusConnection::sessionBus());
        send(queuedSummary_, queuedBody_);
    });
}

void DbusDesktopNotice::send(const QString& summary, const QString& body) {
    if (!bus_->isConnected()) {
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), iconName_},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    call << appName_ << shownId_ << iconName_ << summary << body << QStringList() << hints
         << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call), &replies_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &replies_,
                     [this](QDBusPendingCallWatcher* finished) {
                         const QDBusPendingReply<uint> reply = *finished;
                         if (reply.isValid()) {
                             shownId_ = reply.value();
                         }
                         finished->deleteLater();
                     });
}

} // namespace kvapomer
