// A StatusNotifierWatcher of its own on the session bus, as a desktop panel
// runs one: status icons register with it, and it says that a host shows
// them. Prints "ready" once it holds the name, then "item SERVICE PATH" for
// each icon that registers. Runs until it is ended.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

#include <cstdio>

namespace {

class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    QStringList items() const { return items_; }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    // `name` is the item's bus name (its object at /StatusNotifierItem) or
    // an object path on the caller's own connection.
    void RegisterStatusNotifierItem(const QString& name, const QDBusMessage& message) {
        const bool isPath = name.startsWith(u'/');
        const QString service = isPath ? message.service() : name;
        const QString path = isPath ? name : QStringLiteral("/StatusNotifierItem");
        items_ << service + path;
        std::printf("item %s %s\n", qPrintable(service), qPrintable(path));
        std::fflush(stdout);
        Q_EMIT StatusNotifierItemRegistered(service + path);
    }
    void RegisterStatusNotifierHost(const QString&) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    QStringList items_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    Watcher watcher;
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "status_watcher: no session bus, or the name is taken\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "status_watcher.moc"
