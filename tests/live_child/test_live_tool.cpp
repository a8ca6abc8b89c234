// kvapomer-live as the window runs it: the line's address and key from the
// file, the calls on its input, a local server, its batches on its output.

#include "config/settings_save.h"
#include "live/feed_builder.h"
#include "live/local_server.h"
#include "live/matcher.h"
#include "live/protocol.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace kvapomer::live;
using namespace kvapomer::test;

namespace {

const QTimeZone kPrague("Europe/Prague");

struct ChildRun {
    QByteArray out;
    QByteArray err;
    std::vector<LiveSnapshot> batches;
};

// Runs the child until it has said `batches` batches (or 10 s went by).
ChildRun runChild(const QString& ini, const QByteArray& input, std::size_t batches = 1) {
    QProcess child;
    child.start(QStringLiteral(KVAPOMER_LIVE_EXE), {QStringLiteral("--ini"), ini});
    EXPECT_TRUE(child.waitForStarted(5000));
    child.write(input);
    ChildRun run;
    ChildOutputParser parser;
    QDeadlineTimer deadline(10000);
    while (run.batches.size() < batches && !deadline.hasExpired() &&
           child.state() == QProcess::Running) {
        QTest::qWait(20); // the server lives on this thread's events
        const QByteArray bytes = child.readAllStandardOutput();
        run.out += bytes;
        EXPECT_TRUE(parser.feed(bytes, run.batches)) << run.out.toStdString();
    }
    child.closeWriteChannel(); // the window is gone: the child ends
    // A child refusing its address ends by itself, maybe before this line.
    EXPECT_TRUE(child.state() == QProcess::NotRunning || child.waitForFinished(5000));
    const QByteArray rest = child.readAllStandardOutput();
    run.out += rest;
    EXPECT_TRUE(parser.feed(rest, run.batches)) << run.out.toStdString();
    run.err = child.readAllStandardError();
    return run;
}

QString iniFor(const TempFolder& folder, const QUrl& url) {
    folder.write(QStringLiteral("kvapomern.ini"),
                 "[Main]\r\nBus=7\r\n[7]\r\nNumberOfTimes=1\r\nt0=06:10\r\nLiveUrl=" +
                     url.toString().toLatin1() + "\r\nLiveToken=from-the-file\r\n");
    return folder.file(QStringLiteral("kvapomern.ini"));
}

} // namespace

TEST(LiveTool, PollsTheLinesAddressAndSaysTheExpectedDepartures) {
    const QDate today = QDate::currentDate();
    const std::vector<ScheduledCall> calls = {
        {QStringLiteral("T1"), today, 5, 6 * 3600 + 600, QStringLiteral("150"), QString()},
        {QStringLiteral("T2"), today, 5, 6 * 3600 + 1200, QStringLiteral("150"), QString()}};
    FeedMessage feed = feedAt(quint64(QDateTime::currentSecsSinceEpoch()));
    addStop(addTrip(feed, "T1", today.toString(QStringLiteral("yyyyMMdd")).toStdString()), 3)
        ->mutable_departure()
        ->set_delay(240);
    LocalServer server;
    server.answer("/rt", {200, bytesOf(feed), {}});
    TempFolder folder;
    const ChildRun run = runChild(iniFor(folder, server.url("/rt")),
                                  timeZoneLine("Europe/Prague") + callsBlock(calls));
    ASSERT_EQ(run.batches.size(), 1u) << run.out.toStdString();
    const LiveSnapshot& batch = run.batches[0];
    EXPECT_TRUE(batch.live);
    ASSERT_EQ(batch.departures.size(), 2u);
    EXPECT_EQ(batch.departures[0].state, LiveState::Expected);
    EXPECT_EQ(batch.departures[0].expected, 6 * 3600 + 840);
    EXPECT_EQ(batch.departures[1].state, LiveState::Timetable);
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(server.requests()[0].contains("X-Access-Token: from-the-file\r\n"));
    EXPECT_FALSE(run.out.contains("from-the-file"));
    EXPECT_FALSE(run.err.contains("from-the-file"));
}

TEST(LiveTool, TheKeyOnItsInputWinsAndStaleOrBadAnswersAreNoData) {
    FeedMessage stale = feedAt(quint64(QDateTime::currentSecsSinceEpoch() - 91));
    LocalServer server;
    server.answer("/stale", {200, bytesOf(stale), {}});
    server.answer("/garbage", {200, "<html>", {}});
    TempFolder folder;
    const QByteArray input = tokenLine("from-the-pipe") + callsBlock({});
    const ChildRun old = runChild(iniFor(folder, server.url("/stale")), input);
    ASSERT_EQ(old.batches.size(), 1u) << old.out.toStdString();
    EXPECT_FALSE(old.batches[0].live);
    EXPECT_EQ(old.batches[0].reason, QStringLiteral("Údaje serveru jsou starší než 90 s."));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(server.requests()[0].contains("X-Access-Token: from-the-pipe\r\n"));

    const ChildRun bad = runChild(iniFor(folder, server.url("/garbage")), input);
    ASSERT_EQ(bad.batches.size(), 1u);
    EXPECT_EQ(bad.batches[0].reason, QStringLiteral("Odpověď není platný GTFS-Realtime."));

    const ChildRun none =
        runChild(iniFor(folder, QUrl(QStringLiteral("file:///etc/passwd"))), input);
    ASSERT_EQ(none.batches.size(), 1u);
    EXPECT_EQ(none.batches[0].reason, QStringLiteral("Adresa musí začínat http:// nebo https://."));
}

TEST(LiveTool, ADatedLineReadsTheDaysCallsFromItsOwnFeed) {
    TempFolder folder;
    // The city feed with a calendar that runs every day.
    const QDir city(QStringLiteral(KVAPOMER_GTFS_DATA "/city"));
    QDir(folder.path()).mkdir(QStringLiteral("feed"));
    for (const QString& name : city.entryList(QDir::Files)) {
        QFile::copy(city.filePath(name), folder.file(QStringLiteral("feed/") + name));
    }
    QFile::remove(folder.file(QStringLiteral("feed/calendar_dates.txt")));
    QFile::remove(folder.file(QStringLiteral("feed/calendar.txt")));
    folder.write(QStringLiteral("feed/calendar.txt"),
                 "service_id,monday,tuesday,wednesday,thursday,friday,saturday,sunday,"
                 "start_date,end_date\nWD,1,1,1,1,1,1,1,20200101,20991231\n");

    const QDate today = QDate::currentDate();
    FeedMessage feed = feedAt(quint64(QDateTime::currentSecsSinceEpoch()));
    addStop(addTrip(feed, "T2", today.toString(QStringLiteral("yyyyMMdd")).toStdString()), 2)
        ->mutable_departure()
        ->set_delay(120);
    LocalServer server;
    server.answer("/rt", {200, bytesOf(feed), {}});

    kvapomer::DatedLine line;
    line.first = kvapomer::toSysDays(today);
    line.lists = {{380}};
    line.days = {0};
    line.source = {folder.file(QStringLiteral("feed")), QDateTime::currentDateTimeUtc(),
                   QStringLiteral("ROZ"), QStringLiteral("L150"), QStringLiteral("Kačerov")};
    kvapomer::ProfileDocument doc(QByteArray("[Main]\r\nBus=7\r\n"));
    kvapomer::applyLineSection(
        doc,
        {.line = QStringLiteral("7"),
         .note = QString(),
         .times = {QStringLiteral("06:20")},
         .dated = line,
         .live = kvapomer::LiveAddress{server.url("/rt").toString(), QString()}},
        false);
    folder.write(QStringLiteral("kvapomern.ini"), doc.bytes());

    // Nothing on its input: the calls come from the feed.
    const ChildRun run = runChild(folder.file(QStringLiteral("kvapomern.ini")), QByteArray());
    ASSERT_EQ(run.batches.size(), 1u) << run.out.toStdString();
    const LiveSnapshot& batch = run.batches[0];
    EXPECT_TRUE(batch.live) << batch.reason.toStdString();
    // Yesterday's night trip, then today's three (T5 runs by frequencies).
    ASSERT_EQ(batch.departures.size(), 4u);
    EXPECT_EQ(batch.departures[0].call.serviceDate, today.addDays(-1));
    EXPECT_EQ(batch.departures[2].call.tripId, QStringLiteral("T2"));
    EXPECT_EQ(batch.departures[2].state, LiveState::Expected);
    EXPECT_EQ(batch.departures[2].expected, 7 * 3600 + 47 * 60);
    EXPECT_EQ(batch.departures[1].state, LiveState::Timetable);
}
