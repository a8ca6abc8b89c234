// The day's scheduled departures as live departures match them: each trip's
// own call at one of the place's platforms, the service day it belongs to,
// and the agency's time zone.

#include "gtfs_import/queries/feed.h"

#include "feed_fixture.h"

#include <gtest/gtest.h>

namespace kvapomer::gtfs {
namespace {

using std::chrono::days;
using std::chrono::December;
using std::chrono::sys_days;
using std::chrono::year;

constexpr sys_days kMonday = sys_days(year(2026) / December / 7);
constexpr sys_days kTuesday = kMonday + days(1);

Feed cityFeed() {
    return Feed(FeedSource::open(KVAPOMER_GTFS_DATA "/city"));
}

std::vector<std::string> trips(const std::vector<ScheduledDeparture>& found) {
    std::vector<std::string> result;
    for (const ScheduledDeparture& d : found) {
        result.push_back(d.tripId);
    }
    return result;
}

TEST(GtfsScheduled, TripsOfTodaysServiceDaysWithTheirSequenceTimeAndPlatform) {
    const Feed feed = cityFeed();
    const StopPlace roztyly = feed.findStop("ROZ");
    const Route route = feed.findRoute("150");
    const std::vector<ScheduledDeparture> tuesday =
        feed.scheduledOn(roztyly, {route}, "Kačerov", kTuesday);
    // Monday's trip past midnight leaves on Tuesday; Tuesday's own goes on
    // Wednesday but is still Tuesday's; the trip by frequencies is left out.
    EXPECT_EQ(tuesday, (std::vector<ScheduledDeparture>{
                           {"T3", kMonday, 2, 25 * 3600 + 15 * 60, "150", "ROZ"},
                           {"T1", kTuesday, 2, 6 * 3600 + 20 * 60, "150", "ROZ"},
                           {"T2", kTuesday, 2, 7 * 3600 + 45 * 60, "150", "ROZ"},
                           {"T3", kTuesday, 2, 25 * 3600 + 15 * 60, "150", "ROZ"},
                       }));

    // A station covers its platforms, each call naming its own.
    const std::vector<ScheduledDeparture> station =
        feed.scheduledOn(feed.findStop("KAC"), {route}, "Spořilov, sídliště", kTuesday);
    ASSERT_EQ(trips(station), (std::vector<std::string>{"T6", "T7"}));
    EXPECT_EQ(station[0].stopId, "KAC_A");
    EXPECT_EQ(station[1].stopId, "KAC_B");
    EXPECT_EQ(station[1].sequence, 1);
}

TEST(GtfsScheduled, TheCalendarDecidesWhichServiceDaysRun) {
    const Feed feed = cityFeed();
    const StopPlace roztyly = feed.findStop("ROZ");
    const Route route = feed.findRoute("150");
    // Saturday: the weekend trip and Friday's past midnight.
    EXPECT_EQ(trips(feed.scheduledOn(roztyly, {route}, "Kačerov", kMonday + days(5))),
              (std::vector<std::string>{"T3", "T4"}));
    // Christmas Eve runs the weekend service; Wednesday's night trip still comes.
    const std::vector<ScheduledDeparture> holiday =
        feed.scheduledOn(roztyly, {route}, "Kačerov", sys_days(year(2026) / December / 24));
    EXPECT_EQ(trips(holiday), (std::vector<std::string>{"T3", "T4"}));
    EXPECT_EQ(holiday[0].serviceDay, sys_days(year(2026) / December / 23));
    // Past the calendar: Thursday's night trip is the last.
    EXPECT_EQ(trips(feed.scheduledOn(roztyly, {route}, "Kačerov", sys_days(year(2027) / 1 / 1))),
              (std::vector<std::string>{"T3"}));
    EXPECT_TRUE(
        feed.scheduledOn(roztyly, {route}, "Kačerov", sys_days(year(2027) / 1 / 2)).empty());
}

TEST(GtfsScheduled, SeveralRoutesAndTheBoardingRule) {
    const test::TempFolder folder;
    // T2 lets nobody board at Roztyly; route 136 also leaves Roztyly.
    const Feed feed(FeedSource::open(
        test::feedFolder(folder, "feed", {{"stop_times.txt", test::withPickup("T2", "ROZ", "1")}})
            .toStdString()));
    const std::vector<ScheduledDeparture> found = feed.scheduledOn(
        feed.findStop("ROZ"), {feed.findRoute("150"), feed.findRoute("136")}, "Kačerov", kTuesday);
    EXPECT_EQ(trips(found), (std::vector<std::string>{"T3", "T1", "T9", "T3"}));
    EXPECT_EQ(found[2].route, "136");
    EXPECT_EQ(test::problemOf([&] {
                  feed.scheduledOn(feed.findStop("ROZ"), {feed.findRoute("150")}, "Letňany",
                                   kTuesday);
              }),
              Problem::NotFound);
}

TEST(GtfsScheduled, TimeZoneOfTheAgency) {
    EXPECT_EQ(cityFeed().timeZone(), "Europe/Prague");
    const test::TempFolder folder;
    EXPECT_EQ(
        Feed(FeedSource::open(test::feedFolder(folder, "none", {{"agency.txt", ""}}).toStdString()))
            .timeZone(),
        "");
}

} // namespace
} // namespace kvapomer::gtfs
