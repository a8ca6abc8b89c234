// The matching of the day's calls at our stop with a decoded trip-updates feed.

#include "feed_builder.h"
#include "live/matcher.h"

#include <gtest/gtest.h>
#include <QDateTime>

#include <google/protobuf/unknown_field_set.h>

using namespace kvapomer::live;
using kvapomer::Result;
using namespace kvapomer::test;

namespace {

const QTimeZone kPrague("Europe/Prague");
const QDate kToday(2026, 12, 9);
constexpr int kTen = 6 * 3600 + 10 * 60; // 06:10:00

ScheduledCall call(const QString& trip, int departure, quint32 sequence = 5, QDate date = kToday) {
    return {trip, date, sequence, departure, QStringLiteral("150"), QStringLiteral("U1Z1")};
}

// The instant of `seconds` into `date`'s service day, in Prague.
qint64 instant(QDate date, int seconds) {
    return serviceDayStart(date, kPrague) + seconds;
}

std::vector<ExpectedDeparture> match(const std::vector<ScheduledCall>& calls,
                                     const FeedMessage& message) {
    Result<LiveFeed> feed = decodeFeed(bytesOf(message));
    EXPECT_TRUE(feed.ok()) << feed.error().description.toStdString();
    return matchDepartures(calls, feed.value(), kPrague);
}

ExpectedDeparture matchOne(const ScheduledCall& one, const FeedMessage& message) {
    return match({one}, message).at(0);
}

} // namespace

TEST(LiveMatcher, DelayAtOurStopMovesTheDeparture) {
    FeedMessage feed = feedAt(1);
    addStop(addTrip(feed, "T1", "20261209"), 5)->mutable_departure()->set_delay(240);
    const ExpectedDeparture result = matchOne(call("T1", kTen), feed);
    EXPECT_EQ(result.state, LiveState::Expected);
    EXPECT_EQ(result.expected, kTen + 240);
    EXPECT_EQ(result.call, call("T1", kTen));
}

TEST(LiveMatcher, ZeroDelayIsOnTimeWhichIsNotTheTimetable) {
    FeedMessage feed = feedAt(1);
    addStop(addTrip(feed, "T1", "20261209"), 5)->mutable_departure()->set_delay(0);
    addTrip(feed, "T2", "20261209"); // an update with nothing in it
    const auto result = match({call("T1", kTen), call("T2", kTen + 600)}, feed);
    EXPECT_EQ(result[0].state, LiveState::Expected);
    EXPECT_EQ(result[0].expected, kTen);
    EXPECT_EQ(result[1].state, LiveState::Timetable);
    EXPECT_EQ(result[1].expected, kTen + 600);
}

TEST(LiveMatcher, ArrivalStandsInForAMissingDeparture) {
    FeedMessage feed = feedAt(1);
    addStop(addTrip(feed, "T1", "20261209"), 5)->mutable_arrival()->set_delay(-60);
    EXPECT_EQ(matchOne(call("T1", kTen), feed).expected, kTen - 60);
}

TEST(LiveMatcher, DelayOfTheNearestEarlierStopPropagates) {
    FeedMessage feed = feedAt(1);
    auto* trip = addTrip(feed, "T1", "20261209");
    addStop(trip, 2)->mutable_departure()->set_delay(600);
    addStop(trip, 4)->mutable_arrival()->set_delay(180);
    addStop(trip, 9)->mutable_departure()->set_delay(900); // after our stop: not ours
    const ExpectedDeparture result = matchOne(call("T1", kTen), feed);
    EXPECT_EQ(result.state, LiveState::Expected);
    EXPECT_EQ(result.expected, kTen + 180);
}

TEST(LiveMatcher, OnlyLaterUpdatesOrTripDelayLeaveOrMoveTheTimetable) {
    FeedMessage feed = feedAt(1);
    addStop(addTrip(feed, "T1", "20261209"), 7)->mutable_departure()->set_delay(300);
    addTrip(feed, "T2", "20261209")->set_delay(120);
    const auto result = match({call("T1", kTen), call("T2", kTen)}, feed);
    EXPECT_EQ(result[0].state, LiveState::Timetable);
    EXPECT_EQ(result[1].state, LiveState::Expected);
    EXPECT_EQ(result[1].expected, kTen + 120);
}

TEST(LiveMatcher, TimeWinsOverDelay) {
    FeedMessage feed = feedAt(1);
    auto* event = addStop(addTrip(feed, "T1", "20261209"), 5)->mutable_departure();
    event->set_delay(60);
    event->set_time(instant(kToday, kTen + 420));
    EXPECT_EQ(matchOne(call("T1", kTen), feed).expected, kTen + 420);
}

TEST(LiveMatcher, AbsoluteTimesCountFromNoonMinusTwelveHoursOnAClockChangeDay) {
    // 29 March 2026: Prague's clocks go from 02:00 to 03:00. 08:00 of the
    // service day is 06:00 UTC; counted from midnight it would read 07:00.
    const QDate change(2026, 3, 29);
    FeedMessage feed = feedAt(1);
    addStop(addTrip(feed, "T1", "20260329"), 5)
        ->mutable_departure()
        ->set_time(QDateTime(change, QTime(6, 2), QTimeZone::utc()).toSecsSinceEpoch());
    const ExpectedDeparture result = matchOne(call("T1", 8 * 3600, 5, change), feed);
    EXPECT_EQ(result.state, LiveState::Expected);
    EXPECT_EQ(result.expected, 8 * 3600 + 120);
}

TEST(LiveMatcher, SkippedStopAndCancelledTrip) {
    FeedMessage feed = feedAt(1);
    addStop(addTrip(feed, "T1", "20261209"), 5)
        ->set_schedule_relationship(StopTimeUpdatePb::SKIPPED);
    addTrip(feed, "T2", "20261209")
        ->mutable_trip()
        ->set_schedule_relationship(TripDescriptorPb::CANCELED);
    addTrip(feed, "T3", "20261209")
        ->mutable_trip()
        ->set_schedule_relationship(TripDescriptorPb::DELETED);
    // A skipped earlier stop passes on the delay from before it.
    auto* t4 = addTrip(feed, "T4", "20261209");
    addStop(t4, 2)->mutable_departure()->set_delay(300);
    addStop(t4, 3)->set_schedule_relationship(StopTimeUpdatePb::SKIPPED);
    const auto result =
        match({call("T1", kTen), call("T2", kTen), call("T3", kTen), call("T4", kTen)}, feed);
    EXPECT_EQ(result[0].state, LiveState::Skipped);
    EXPECT_EQ(result[1].state, LiveState::Cancelled);
    EXPECT_EQ(result[2].state, LiveState::Cancelled);
    EXPECT_EQ(result[3].state, LiveState::Expected);
    EXPECT_EQ(result[3].expected, kTen + 300);
}

TEST(LiveMatcher, NoDataKeepsTheTimetableAndStopsPropagation) {
    FeedMessage feed = feedAt(1);
    auto* t1 = addTrip(feed, "T1", "20261209");
    addStop(t1, 5)->set_schedule_relationship(StopTimeUpdatePb::NO_DATA);
    auto* t2 = addTrip(feed, "T2", "20261209");
    addStop(t2, 1)->mutable_departure()->set_delay(300);
    addStop(t2, 3)->set_schedule_relationship(StopTimeUpdatePb::NO_DATA);
    // Only times before our stop: no delay to carry.
    addStop(addTrip(feed, "T3", "20261209"), 2)
        ->mutable_departure()
        ->set_time(instant(kToday, kTen));
    const auto result = match({call("T1", kTen), call("T2", kTen), call("T3", kTen)}, feed);
    for (const ExpectedDeparture& departure : result) {
        EXPECT_EQ(departure.state, LiveState::Timetable) << departure.call.tripId.toStdString();
        EXPECT_EQ(departure.expected, kTen);
    }
}

TEST(LiveMatcher, TripAfterMidnightBelongsToItsServiceDay) {
    const QDate yesterday = kToday.addDays(-1);
    const int lateNight = 25 * 3600 + 10 * 60; // 01:10 of today, yesterday's service day
    FeedMessage feed = feedAt(1);
    // Today's run of the same trip, later, must not touch yesterday's.
    addStop(addTrip(feed, "N9", "20261209"), 5)->mutable_departure()->set_delay(900);
    addStop(addTrip(feed, "N9", "20261208"), 5)
        ->mutable_departure()
        ->set_time(QDateTime(kToday, QTime(1, 12), kPrague).toSecsSinceEpoch());
    const auto result =
        match({call("N9", lateNight, 5, yesterday), call("N9", lateNight, 5, kToday)}, feed);
    EXPECT_EQ(result[0].state, LiveState::Expected);
    EXPECT_EQ(result[0].expected, lateNight + 120);
    EXPECT_EQ(result[1].expected, lateNight + 900);
}

TEST(LiveMatcher, TripWithoutStartDateMatchesOnlyWhenUnambiguous) {
    FeedMessage feed = feedAt(1);
    addStop(addTrip(feed, "T1"), 5)->mutable_departure()->set_delay(60);
    addStop(addTrip(feed, "T2"), 5)->mutable_departure()->set_delay(60);
    const auto result = match(
        {call("T1", kTen), call("T2", kTen), call("T2", 25 * 3600, 5, kToday.addDays(-1))}, feed);
    EXPECT_EQ(result[0].state, LiveState::Expected);
    EXPECT_EQ(result[1].state, LiveState::Timetable);
    EXPECT_EQ(result[2].state, LiveState::Timetable);
}

TEST(LiveMatcher, TripAbsentFromTheFeedOrOfAnotherDayKeepsTheTimetable) {
    FeedMessage feed = feedAt(1);
    addStop(addTrip(feed, "T1", "20261210"), 5)->mutable_departure()->set_delay(60);
    addStop(addTrip(feed, "OTHER", "20261209"), 5)->mutable_departure()->set_delay(60);
    const auto result = match({call("T1", kTen), call("T7", kTen + 60)}, feed);
    EXPECT_EQ(result[0].state, LiveState::Timetable);
    EXPECT_EQ(result[1].state, LiveState::Timetable);
    EXPECT_EQ(result[1].expected, kTen + 60);
}

TEST(LiveMatcher, UpdateByStopIdAloneAppliesToThatStopOnly) {
    FeedMessage feed = feedAt(1);
    auto* trip = addTrip(feed, "T1", "20261209");
    auto* stop = trip->add_stop_time_update();
    stop->set_stop_id("U1Z1");
    stop->mutable_departure()->set_delay(120);
    auto* other = trip->add_stop_time_update();
    other->set_stop_id("U9Z9");
    other->mutable_departure()->set_delay(600);
    ScheduledCall elsewhere = call("T1", kTen);
    elsewhere.stopId = QStringLiteral("U2Z1");
    const auto result = match({call("T1", kTen)}, feed);
    EXPECT_EQ(result[0].expected, kTen + 120);
    EXPECT_EQ(match({elsewhere}, feed)[0].state, LiveState::Timetable);
}

TEST(LiveMatcher, UnknownRelationshipsAndWildPredictionsKeepTheTimetable) {
    FeedMessage feed = feedAt(1);
    auto* t1 = addTrip(feed, "T1", "20261209");
    addStop(t1, 5)->mutable_departure()->set_delay(60);
    t1->mutable_trip()->GetReflection()->MutableUnknownFields(t1->mutable_trip())->AddVarint(4, 42);
    auto* stop = addStop(addTrip(feed, "T2", "20261209"), 5);
    stop->mutable_departure()->set_delay(60);
    stop->GetReflection()->MutableUnknownFields(stop)->AddVarint(5, 9);
    // Three days away from the timetable.
    addStop(addTrip(feed, "T3", "20261209"), 5)
        ->mutable_departure()
        ->set_time(instant(kToday, kTen + 3 * 86400));
    const auto result = match({call("T1", kTen), call("T2", kTen), call("T3", kTen)}, feed);
    for (const ExpectedDeparture& departure : result) {
        EXPECT_EQ(departure.state, LiveState::Timetable) << departure.call.tripId.toStdString();
    }
}

TEST(LiveFreshness, NinetySecondsEitherWay) {
    const qint64 now = 1'796'800'000;
    EXPECT_TRUE(isFresh(now - 90, now - 500, now));
    EXPECT_FALSE(isFresh(now - 91, now, now)); // the header wins over the fetch
    EXPECT_TRUE(isFresh(std::nullopt, now - 90, now));
    EXPECT_FALSE(isFresh(std::nullopt, now - 91, now));
    EXPECT_FALSE(isFresh(now + 91, now, now));
}
