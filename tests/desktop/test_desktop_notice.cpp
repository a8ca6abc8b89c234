// Desktop notices over a private session bus, answered by a fake
// notification service.

#include "desktop/private_bus.h"
#include "platform/dbus_desktop_notice.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <QTest>

namespace kvapomer::test {
namespace {

class DesktopNoticeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (bus.address().isEmpty()) {
            GTEST_SKIP() << "dbus-daemon is not available";
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    }
    PrivateBus bus;
    DbusDesktopNotice notice{QStringLiteral("Kvapoměr"), QStringLiteral("cz.orv.Kvapomer")};
};

TEST_F(DesktopNoticeTest, ReachesTheServiceWithoutWaitingAndReplacesItsOwnNotice) {
    FakeNotificationService service(bus.address());
    ASSERT_TRUE(service.registered());

    notice.show(QStringLiteral("Autobus 150"), QStringLiteral("00:04:59 (směr Kačerov)"));
    // The call has only been sent: the service, on this same thread, has not
    // been able to answer yet.
    EXPECT_TRUE(service.calls.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return notice.shownId() == 41; }, 5000));
    ASSERT_EQ(service.calls.size(), 1u);
    const NotifyCall& first = service.calls[0];
    EXPECT_EQ(first.appName, QStringLiteral("Kvapoměr"));
    EXPECT_EQ(first.replacesId, 0u);
    EXPECT_EQ(first.icon, QStringLiteral("cz.orv.Kvapomer"));
    EXPECT_EQ(first.summary, QStringLiteral("Autobus 150"));
    EXPECT_EQ(first.body, QStringLiteral("00:04:59 (směr Kačerov)"));
    EXPECT_EQ(first.hints.value(QStringLiteral("desktop-entry")).toString(),
              QStringLiteral("cz.orv.Kvapomer"));
    EXPECT_EQ(first.timeout, -1);

    notice.show(QStringLiteral("Autobus 150"), QStringLiteral("00:04:59"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.calls.size() == 2; }, 5000));
    EXPECT_EQ(service.calls[1].replacesId, 41u);
}

TEST_F(DesktopNoticeTest, NoServiceIsSilentAndLeavesNothingBehind) {
    notice.show(QStringLiteral("Autobus 150"), QStringLiteral("00:04:59"));
    // The bus answers the call with an error; wait until that has come back.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notice.waitingForReply(); }, 5000));
    EXPECT_EQ(notice.shownId(), 0u);

    FakeNotificationService service(bus.address());
    ASSERT_TRUE(service.registered());
    notice.show(QStringLiteral("Autobus 150"), QStringLiteral("00:04:58"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.calls.size() == 1; }, 5000));
    EXPECT_EQ(service.calls[0].replacesId, 0u);
    EXPECT_EQ(service.calls[0].body, QStringLiteral("00:04:58"));
}

TEST_F(DesktopNoticeTest, NoSessionBusIsSilentUntilOneIsThere) {
    QTemporaryDir runtime;
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    notice.show(QStringLiteral("Autobus 150"), QStringLiteral("00:04:59"));
    EXPECT_EQ(notice.shownId(), 0u);

    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    FakeNotificationService service(bus.address());
    ASSERT_TRUE(service.registered());
    notice.show(QStringLiteral("Autobus 150"), QStringLiteral("00:04:58"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.calls.size() == 1; }, 5000));
    EXPECT_EQ(service.calls[0].body, QStringLiteral("00:04:58"));
}

} // namespace
} // namespace kvapomer::test
