// Decoding trip-updates feeds that may be anything at all.

#include "feed_builder.h"
#include "live/live_feed.h"

#include <gtest/gtest.h>

using namespace kvapomer::live;
using kvapomer::Result;
using namespace kvapomer::test;

TEST(LiveDecoder, KeepsTheHeaderTimeAndTheTripsAndSkipsWhatItDoesNotRead) {
    FeedMessage feed = feedAt(1'796'800'000);
    auto* trip = addTrip(feed, "T1", "20261209");
    trip->mutable_trip()->set_route_id("L150");
    auto* stop = addStop(trip, 3);
    stop->set_stop_id("U1Z1");
    stop->mutable_departure()->set_delay(30);
    stop->mutable_departure()->set_uncertainty(10);
    auto* deleted = addTrip(feed, "T2", "20261209");
    feed.mutable_entity(1)->set_is_deleted(true);
    (void)deleted;
    feed.add_entity()->set_id("vehicle only"); // an entity with no trip update
    QByteArray bytes = bytesOf(feed);
    // Fields this program does not know: a vehicle position (4) of an entity and field 99.
    bytes += QByteArray::fromHex("9a0603") + "abc";       // field 99, length 3
    bytes += QByteArray::fromHex("12080a0178220308e707"); // entity: id "x", field 4 {1: 999}

    const Result<LiveFeed> result = decodeFeed(bytes);
    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    const LiveFeed& decoded = result.value();
    EXPECT_EQ(decoded.timestamp, 1'796'800'000);
    ASSERT_EQ(decoded.trips.size(), 1u);
    const TripUpdateRecord& record = decoded.trips[0];
    EXPECT_EQ(record.tripId, QStringLiteral("T1"));
    EXPECT_EQ(record.routeId, QStringLiteral("L150"));
    EXPECT_EQ(record.startDate, QDate(2026, 12, 9));
    ASSERT_EQ(record.stops.size(), 1u);
    EXPECT_EQ(record.stops[0].stopSequence, 3u);
    EXPECT_EQ(record.stops[0].stopId, QStringLiteral("U1Z1"));
    EXPECT_EQ(record.stops[0].departure->delay, 30);
    EXPECT_FALSE(record.stops[0].arrival);
}

TEST(LiveDecoder, RefusesWhatIsNoFeed) {
    const QByteArray garbage[] = {QByteArray("<html>Service unavailable</html>"),
                                  QByteArray::fromHex("ffffffffffffffffffff"), QByteArray(),
                                  // A message without the header's version.
                                  QByteArray::fromHex("0a00")};
    for (const QByteArray& bytes : garbage) {
        const Result<LiveFeed> result = decodeFeed(bytes);
        ASSERT_FALSE(result.ok()) << bytes.toHex().toStdString();
        EXPECT_EQ(result.error().description, QStringLiteral("Odpověď není platný GTFS-Realtime."));
    }
    const QByteArray huge(kMaxFeedBytes + 1, '\0');
    const Result<LiveFeed> result = decodeFeed(huge);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().description, QStringLiteral("Odpověď je větší než 32 MiB."));
}

TEST(LiveDecoder, DropsTripsWithUncheckedTextOrBadDates) {
    FeedMessage feed = feedAt(std::nullopt);
    addTrip(feed, "T\x1b[2J", "20261209");            // a terminal escape
    addTrip(feed, std::string(256, 'x'), "20261209"); // too long
    addTrip(feed, "T\xe2\x80\xae", "20261209");       // a right-to-left override
    addTrip(feed, "\xc3\x28", "20261209");            // not UTF-8
    addTrip(feed, "T5", "2026-12-09");
    addTrip(feed, "T6", "20261340");
    addStop(addTrip(feed, "T7", "20261209"), 1)->set_stop_id("A\nB");
    addTrip(feed, "Zastávka Řečkovice 🚌", "20261209");
    addTrip(feed, std::string(255, 'y'));
    const Result<LiveFeed> result = decodeFeed(bytesOf(feed));
    ASSERT_TRUE(result.ok());
    EXPECT_FALSE(result.value().timestamp);
    EXPECT_EQ(result.value().dropped, 7);
    ASSERT_EQ(result.value().trips.size(), 2u);
    EXPECT_EQ(result.value().trips[0].tripId, QStringLiteral("Zastávka Řečkovice 🚌"));
    EXPECT_FALSE(result.value().trips[1].startDate.isValid());
}

TEST(LiveDecoder, OutOfRangeNumbersCountAsAbsentAndTheFilterKeepsOnlyWantedTrips) {
    FeedMessage feed = feedAt(99); // before 2000: no time at all
    auto* trip = addTrip(feed, "T1", "20261209");
    trip->set_delay(100'000);
    auto* stop = addStop(trip, 1);
    stop->mutable_departure()->set_delay(-90'000);
    stop->mutable_departure()->set_time(-5);
    addTrip(feed, "T2", "20261209");
    const QSet<QByteArray> wanted{"T1"};
    const Result<LiveFeed> result = decodeFeed(bytesOf(feed), &wanted);
    ASSERT_TRUE(result.ok());
    EXPECT_FALSE(result.value().timestamp);
    ASSERT_EQ(result.value().trips.size(), 1u);
    EXPECT_FALSE(result.value().trips[0].delay);
    EXPECT_TRUE(result.value().trips[0].stops[0].departure->empty());
}
