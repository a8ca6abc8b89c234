// The window's live departures against a scripted child: started only for a
// dated line with a live address, its batches as minutes of today, the band's
// words, and stopped when the line no longer has an address.

#include "app/live_link.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace kvapomer {
namespace {

using test::TempFolder;

live::ExpectedDeparture departure(QDate serviceDate, int scheduled, live::LiveState state,
                                  int expected) {
    return {{QStringLiteral("T"), serviceDate, 2, scheduled, QStringLiteral("150"), QString()},
            state,
            expected};
}

TEST(LiveLink, BatchesBecomeMinutesOfToday) {
    const QTimeZone prague("Europe/Prague");
    const QDate today(2026, 12, 8);
    const std::vector<LiveDeparture> found = liveDepartures(
        {departure(today, 6 * 3600 + 10 * 60, live::LiveState::Expected, 6 * 3600 + 13 * 60 + 59),
         departure(today.addDays(-1), 25 * 3600 + 15 * 60, live::LiveState::Cancelled, 0),
         departure(today, 23 * 3600 + 58 * 60, live::LiveState::Expected, 24 * 3600 + 2 * 60),
         departure(today, 8 * 3600, live::LiveState::Timetable, 8 * 3600)},
        today, prague);
    EXPECT_EQ(found, (std::vector<LiveDeparture>{
                         {370, 373, LiveCall::Expected, QStringLiteral("150")},
                         {75, 75, LiveCall::Cancelled, QStringLiteral("150")},
                         {23 * 60 + 58, 24 * 60 + 2, LiveCall::Expected, QStringLiteral("150")},
                         {480, 480, LiveCall::Timetable, QStringLiteral("150")},
                     }));
    // On the day the clocks go back the service day starts at 01:00 by the
    // clock: 01:00 of it is 02:00 (summer time), while 03:00 is 03:00.
    EXPECT_EQ(
        liveDepartures({departure(QDate(2026, 10, 25), 3600, live::LiveState::Timetable, 3600)},
                       QDate(2026, 10, 25), prague)[0]
            .scheduled,
        2 * 60);
}

class LiveLinkChild : public ::testing::Test {
protected:
    TempFolder folder;
    QString ini = folder.file("kvapomern.ini");
    QString child = folder.file("kvapomer-live");

    void SetUp() override {
        folder.write("kvapomern.ini", "[Main]\r\nBus=150\r\n[150]\r\nNumberOfTimes=1\r\n"
                                      "t0=06:10\r\nLiveUrl=http://127.0.0.1:9/rt\r\n"
                                      "LiveToken=s3cr3t\r\n[136]\r\nNumberOfTimes=1\r\n"
                                      "t0=06:10\r\n");
        // A child that says one batch, fresh by the data's time, and waits
        // for its input to close.
        folder.write("kvapomer-live",
                     "#!/bin/sh\n"
                     "echo \"$@\" > \"$(dirname \"$0\")/arguments\"\n"
                     "printf 'departure\\t%s\\t2\\t22200\\texpected\\t22380\\tT1\\t150\\n' "
                     "\"$(date +%Y%m%d)\"\n"
                     "printf 'stamp\\t%s\\nlive at 06:10:35\\n' \"$(date +%s)\"\n"
                     "cat > /dev/null\n");
        QFile(child).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

TEST_F(LiveLinkChild, RunsOnlyForADatedLineWithAnAddress) {
    LiveLink link(child);
    link.follow(ini, QStringLiteral("150"), false); // not dated
    link.follow(ini, QStringLiteral("136"), true);  // no address
    EXPECT_FALSE(link.active());
    EXPECT_EQ(link.band(QDateTime::currentDateTime()), QString());
    EXPECT_FALSE(link.departures(QDateTime::currentDateTime()));
    QTest::qWait(200);
    EXPECT_FALSE(QFile::exists(folder.file("arguments")));

    QSignalSpy updates(&link, &LiveLink::updated);
    link.follow(ini, QStringLiteral("150"), true);
    ASSERT_TRUE(link.active());
    EXPECT_EQ(link.band(QDateTime::currentDateTime()), QStringLiteral("Bez aktuálních údajů"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return link.departures(QDateTime::currentDateTime()).has_value(); }));
    EXPECT_EQ(link.band(QDateTime::currentDateTime()), QStringLiteral("Aktuální údaje z 06:10:35"));
    const std::vector<LiveDeparture> found = *link.departures(QDateTime::currentDateTime());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].state, LiveCall::Expected);
    EXPECT_EQ(found[0].expected - found[0].scheduled, 3);
    EXPECT_GE(updates.count(), 2);
    // The key is never on the command line.
    EXPECT_EQ(folder.read("arguments"), "--ini " + ini.toUtf8() + " --line 150\n");
    // Past the freshness the same batch is no longer live.
    EXPECT_FALSE(link.departures(QDateTime::currentDateTime().addSecs(120)));
    EXPECT_EQ(link.band(QDateTime::currentDateTime().addSecs(120)),
              QStringLiteral("Bez aktuálních údajů"));

    // The address gone: no child any more.
    folder.write("kvapomern.ini", "[Main]\r\nBus=150\r\n[150]\r\nNumberOfTimes=1\r\nt0=06:10\r\n");
    link.follow(ini, QStringLiteral("150"), true);
    EXPECT_FALSE(link.active());
    EXPECT_EQ(link.band(QDateTime::currentDateTime()), QString());
}

} // namespace
} // namespace kvapomer
