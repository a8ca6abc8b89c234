// The window's side of the child, with scripted fake children: one that
// talks, one that crashes, one that hangs and one that talks nonsense.

#include "live/live_client.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QSignalSpy>
#include <QTest>

using namespace kvapomer::live;
using kvapomer::test::TempFolder;

namespace {

const QByteArray kBatch =
    "departure\t20261209\t5\t22200\texpected\t22440\tT1\t150\nstamp\t$(date +%s)\n"
    "live at 06:10:35\n";

ChildOptions fakeChild(const QByteArray& script) {
    ChildOptions options;
    options.program = QStringLiteral("/bin/sh");
    options.arguments = {QStringLiteral("-c"), QString::fromUtf8(script)};
    options.watchdogMs = 400;
    options.restartDelayMs = 200;
    return options;
}

std::vector<ScheduledCall> someCalls() {
    return {{QStringLiteral("T1"), QDate(2026, 12, 9), 5, 22200, QStringLiteral("150"),
             QStringLiteral("U1Z1")}};
}

} // namespace

TEST(LiveClient, PassesKeyAndCallsToTheChildAndTakesItsBatches) {
    TempFolder folder;
    const QByteArray heard = folder.file(QStringLiteral("heard")).toUtf8();
    // Keeps what it is told (four lines), then says a batch every 100 ms.
    LiveClient client(fakeChild("head -n 4 > '" + heard + "'; while true; do printf \"" +
                                QByteArray(kBatch).replace("\n", "\\n").replace("\t", "\\t") +
                                "\"; sleep 0.1; done"));
    client.setToken("secret");
    client.setCalls(someCalls(), "Europe/Prague");
    QSignalSpy spy(&client, &LiveClient::updated);
    client.start();
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_TRUE(client.snapshot().live);
    EXPECT_EQ(client.snapshot().liveAt, QStringLiteral("06:10:35"));
    ASSERT_EQ(client.snapshot().departures.size(), 1u);
    EXPECT_EQ(client.snapshot().departures[0].expected, 22440);
    EXPECT_TRUE(client.liveAt(QDateTime::currentSecsSinceEpoch()));
    EXPECT_FALSE(client.liveAt(QDateTime::currentSecsSinceEpoch() + 120));
    // Still talking after the watchdog's time: it is never restarted.
    QTest::qWait(900);
    EXPECT_EQ(client.restarts(), 0);
    EXPECT_TRUE(client.snapshot().live);
    const QByteArray told = folder.read(QStringLiteral("heard"));
    EXPECT_TRUE(told.startsWith("token\tsecret\ntimezone\tEurope/Prague\ncall\t20261209\t5\t22200\t"
                                "T1\t150\tU1Z1\ncalls end\n"))
        << told.toStdString();
    client.stop();
    EXPECT_FALSE(client.running());
}

TEST(LiveClient, ALostChildLeavesTheTimetableAndIsStartedAgain) {
    struct Case {
        const char* name;
        QByteArray script;
        QString reason;
    };
    const QByteArray once =
        "printf \"" + QByteArray(kBatch).replace("\n", "\\n").replace("\t", "\\t") + "\"";
    const Case cases[] = {
        {"crashing", once + "; kill -SEGV $$", QStringLiteral("Program aktuálních údajů skončil.")},
        {"hanging", once + "; exec sleep 60",
         QStringLiteral("Program aktuálních údajů neodpovídá.")},
        {"garbage", once + "; echo 'Segmentation fault (core dumped)'; exec sleep 60",
         QStringLiteral("Program aktuálních údajů poslal nesrozumitelná data.")},
        {"missing", "", QStringLiteral("Program aktuálních údajů nelze spustit.")},
    };
    for (const Case& c : cases) {
        ChildOptions options = fakeChild(c.script);
        if (c.script.isEmpty()) {
            options.program = QStringLiteral("/nonexistent/kvapomer-live");
        }
        LiveClient client(options);
        QSignalSpy spy(&client, &LiveClient::updated);
        client.start();
        // The reason of the loss arrives, not live, whatever came before it.
        bool lost = false;
        for (int i = 0; i < 20 && !lost; ++i) {
            if (spy.isEmpty() && !spy.wait(3000)) {
                break;
            }
            const auto snapshot = spy.takeFirst().at(0).value<LiveSnapshot>();
            lost = !snapshot.live;
            if (lost) {
                EXPECT_EQ(snapshot.reason, c.reason) << c.name;
                EXPECT_TRUE(snapshot.departures.empty()) << c.name;
            }
        }
        EXPECT_TRUE(lost) << c.name;
        EXPECT_FALSE(client.liveAt(QDateTime::currentSecsSinceEpoch())) << c.name;
        // And it is started again after the pause.
        QTest::qWait(600);
        EXPECT_GE(client.restarts(), 1) << c.name;
        client.stop();
        EXPECT_FALSE(client.running()) << c.name;
    }
}
