// The status icon on a desktop with a panel: a StatusNotifierWatcher of the
// test's own on the session bus, the main window on a real X display, and
// the icon read and clicked over the bus as a panel reads and clicks it.
// Runs under panel_icon_test.sh, which gives it the display and the bus.

#include "main_window/form1.h"
#include "main_window/panel_icon.h"
#include "support/fakes.h"
#include "support/sample_config.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWindow>

#include <map>
#include <memory>

namespace kvapomer::test {

// Counts the signals an item sends.
class ItemSignals : public QObject {
    Q_OBJECT
public:
    int icons = 0;
    int toolTips = 0;
public Q_SLOTS:
    void newIcon() { ++icons; }
    void newToolTip() { ++toolTips; }
};

namespace {

const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");

struct Pixmap {
    int width = 0;
    int height = 0;
    QByteArray argb; // network byte order, as the protocol sends it
};

std::vector<Pixmap> pixmapsFrom(const QDBusArgument& arg) {
    std::vector<Pixmap> out;
    arg.beginArray();
    while (!arg.atEnd()) {
        Pixmap p;
        arg.beginStructure();
        arg >> p.width >> p.height >> p.argb;
        arg.endStructure();
        out.push_back(p);
    }
    arg.endArray();
    return out;
}

// The colour most opaque pixels of `p` have.
QColor mostOf(const Pixmap& p) {
    std::map<QRgb, int> count;
    for (int i = 0; i + 3 < p.argb.size(); i += 4) {
        const auto* b = reinterpret_cast<const uchar*>(p.argb.constData() + i);
        if (b[0] == 255) {
            ++count[qRgb(b[1], b[2], b[3])];
        }
    }
    if (count.empty()) {
        return {};
    }
    return QColor(std::max_element(count.begin(), count.end(), [](const auto& a, const auto& b) {
                      return a.second < b.second;
                  })->first);
}

class PanelDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb") ||
            qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
            GTEST_SKIP() << "needs an X display and a session bus (panel_icon_test.sh)";
        }
        probe = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                              QStringLiteral("panel-probe"));
        ASSERT_TRUE(probe.isConnected());
    }
    void TearDown() override {
        form.reset();
        if (watcher.state() != QProcess::NotRunning) {
            watcher.terminate();
            watcher.waitForFinished(5000);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("panel-probe"));
    }
    void startWatcher() {
        watcher.start(qEnvironmentVariable("KVAPOMER_STATUS_WATCHER"), {});
        ASSERT_TRUE(watcher.waitForStarted(5000));
        ASSERT_TRUE(readLine().startsWith("ready"));
    }
    QByteArray readLine() {
        while (!watcher.canReadLine() && watcher.waitForReadyRead(10000)) {
        }
        return watcher.readLine().trimmed();
    }
    void startWindow() {
        folder.write(QStringLiteral("kvapomern.ini"), fileBytes(lineConfig({"10:00", "10:30"})));
        fake.exeFolder.folder = folder.path();
        form = std::make_unique<Form1>(fake.platform);
        ASSERT_TRUE(form->start());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void tickAt(int h, int m, int s) {
        fake.clock.set(h, m, s);
        form->tick();
    }
    // A call to the item, answered while this thread goes on with its events
    // (the item lives on this same thread).
    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(service, kItemPath, interface, method);
        m.setArguments(args);
        QDBusPendingCall pending = probe.asyncCall(m);
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 10000))
            << method.toStdString();
        return pending.reply();
    }
    QVariant property(const QString& name) {
        const QDBusMessage reply = call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("Get"), {kItemInterface, name});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    QString toolTipTitle() {
        const QDBusArgument arg = property(QStringLiteral("ToolTip")).value<QDBusArgument>();
        QString iconName, title, text;
        arg.beginStructure();
        arg >> iconName;
        pixmapsFrom(arg);
        arg >> title >> text;
        arg.endStructure();
        return title;
    }
    std::vector<Pixmap> iconPixmaps() {
        return pixmapsFrom(property(QStringLiteral("IconPixmap")).value<QDBusArgument>());
    }
    QColor badgeAt(int size) {
        for (const Pixmap& p : iconPixmaps()) {
            if (p.width == size && p.height == size) {
                return mostOf(p);
            }
        }
        return {};
    }
    // Lets the bus carry what the last steps sent.
    void settle() { QTest::qWait(300); }

    QDBusConnection probe{QString()};
    QProcess watcher;
    QString service;
    TempFolder folder;
    FakePlatform fake;
    std::unique_ptr<Form1> form;
};

TEST_F(PanelDesktopTest, WithAWatcherTheItemShowsTheMinutesAndAClickBringsTheWindow) {
    startWatcher();
    startWindow();
    tickAt(9, 50, 0);
    ASSERT_NE(form->panelIcon()->trayIcon(), nullptr);

    // The item registers with the panel's watcher.
    const QList<QByteArray> item = readLine().split(' ');
    ASSERT_EQ(item.size(), 3) << "no item registered";
    EXPECT_EQ(item[0], "item");
    service = QString::fromUtf8(item[1]);
    EXPECT_EQ(QString::fromUtf8(item[2]), kItemPath);

    ItemSignals counted;
    ASSERT_TRUE(probe.connect(service, kItemPath, kItemInterface, QStringLiteral("NewIcon"),
                              &counted, SLOT(newIcon())));
    ASSERT_TRUE(probe.connect(service, kItemPath, kItemInterface, QStringLiteral("NewToolTip"),
                              &counted, SLOT(newToolTip())));

    EXPECT_EQ(toolTipTitle(), QStringLiteral("Autobus 150 odjíždí v 10:00, za 10 minut."));
    std::vector<Pixmap> pictures = iconPixmaps();
    std::vector<int> sizes;
    for (const Pixmap& p : pictures) {
        sizes.push_back(p.width);
    }
    for (const int wanted : {16, 22, 32, 44, 64}) {
        EXPECT_NE(std::find(sizes.begin(), sizes.end(), wanted), sizes.end()) << wanted;
    }
    EXPECT_EQ(badgeAt(22), QColor(0, 112, 0));
    const QByteArray ten = iconPixmaps().front().argb;
    const QString menu = property(QStringLiteral("Menu")).value<QDBusObjectPath>().path();
    EXPECT_FALSE(menu.isEmpty());
    EXPECT_NE(menu, QStringLiteral("/NO_DBUSMENU")); // the window's menu goes with it

    // A minute of ticks: nothing new for the panel.
    for (int s = 1; s < 60; ++s) {
        tickAt(9, 50, s);
        QCoreApplication::processEvents();
    }
    settle();
    EXPECT_EQ(counted.icons, 0);
    EXPECT_EQ(counted.toolTips, 0);

    // The next minute: one new icon, one new tooltip.
    tickAt(9, 51, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counted.icons == 1 && counted.toolTips == 1; }, 5000));
    settle();
    EXPECT_EQ(counted.icons, 1);
    EXPECT_EQ(counted.toolTips, 1);
    EXPECT_EQ(toolTipTitle(), QStringLiteral("Autobus 150 odjíždí v 10:00, za 9 minut."));
    EXPECT_NE(iconPixmaps().front().argb, ten);

    // Minimised, then the red span: the icon turns red, the tooltip (still
    // "za 5 minut") stays.
    form->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->isMinimized(); }, 5000));
    tickAt(9, 55, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counted.icons == 2; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return counted.toolTips == 2; }, 5000));
    EXPECT_EQ(badgeAt(22), QColor(0, 112, 0));
    tickAt(9, 55, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counted.icons == 3; }, 5000));
    settle();
    EXPECT_EQ(counted.toolTips, 2);
    EXPECT_EQ(badgeAt(22), QColor(200, 0, 0));
    EXPECT_EQ(badgeAt(32), QColor(200, 0, 0));
    EXPECT_EQ(toolTipTitle(), QStringLiteral("Autobus 150 odjíždí v 10:00, za 5 minut."));

    // A click on the icon brings the window back, to the front.
    const QDBusMessage clicked = call(kItemInterface, QStringLiteral("Activate"), {0, 0});
    EXPECT_EQ(clicked.type(), QDBusMessage::ReplyMessage) << clicked.errorMessage().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isMinimized(); }, 5000));
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_NE(form->windowHandle()->windowState(), Qt::WindowMinimized);

    // The window's own menu still opens in the window.
    QMenu* windowMenu = form->contextMenu();
    windowMenu->popup(form->mapToGlobal(QPoint(10, 10)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return windowMenu->isVisible(); }, 5000));
    windowMenu->hide();

    // "Ikona na panelu" off: the item leaves the bus.
    form->panelIcon()->choose(false);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !probe.interface()->isServiceRegistered(service).value(); }, 5000));
}

TEST_F(PanelDesktopTest, NoPanelNoIconAndNothingSaid) {
    startWindow();
    tickAt(9, 50, 0);
    settle();
    EXPECT_EQ(form->panelIcon()->trayIcon(), nullptr);
    EXPECT_TRUE(fake.messageBox.shown.empty());
    const QStringList names = probe.interface()->registeredServiceNames().value();
    for (const QString& name : names) {
        EXPECT_FALSE(name.startsWith(QStringLiteral("org.kde.StatusNotifierItem")))
            << name.toStdString();
    }
}

} // namespace
} // namespace kvapomer::test

#include "test_panel_icon_desktop.moc"
