// A dated line's calls of the day from its own feed, as the child takes them.

#include "live_child/feed_calls.h"

#include <gtest/gtest.h>

namespace kvapomer::live {
namespace {

TEST(LiveFeedCalls, TheDatedLinesStopRouteAndDirectionGiveTheDaysCalls) {
    DatedSource source;
    source.feed = QStringLiteral(KVAPOMER_GTFS_DATA "/city");
    source.stop = QStringLiteral("ROZ");
    source.route = QStringLiteral("L150");
    source.direction = QStringLiteral("Kačerov");
    FeedCallSource calls(queryOf(source));
    const Result<std::vector<ScheduledCall>> tuesday = calls.callsFor(QDate(2026, 12, 8));
    ASSERT_TRUE(tuesday) << tuesday.error().description.toStdString();
    ASSERT_EQ(tuesday.value().size(), 4u);
    EXPECT_EQ(tuesday.value()[0],
              (ScheduledCall{QStringLiteral("T3"), QDate(2026, 12, 7), 2, 25 * 3600 + 15 * 60,
                             QStringLiteral("150"), QStringLiteral("ROZ")}));
    EXPECT_EQ(tuesday.value()[1].tripId, QStringLiteral("T1"));
    EXPECT_EQ(calls.timeZone(), QByteArray("Europe/Prague"));

    source.feed = QStringLiteral(KVAPOMER_GTFS_DATA "/missing");
    const Result<std::vector<ScheduledCall>> missing =
        FeedCallSource(queryOf(source)).callsFor(QDate(2026, 12, 8));
    ASSERT_FALSE(missing);
    EXPECT_FALSE(missing.error().description.isEmpty());
}

TEST(LiveFeedCalls, ALineToADestinationGivesTheTripsOfItsRoutesGoingThere) {
    DatedSource source;
    source.feed = QStringLiteral(KVAPOMER_GTFS_DATA "/destination");
    source.stop = QStringLiteral("HL");
    source.to = QStringLiteral("MET");
    const Result<std::vector<ScheduledCall>> every =
        FeedCallSource(queryOf(source)).callsFor(QDate(2026, 12, 8));
    ASSERT_TRUE(every) << every.error().description.toStdString();
    ASSERT_EQ(every.value().size(), 7u);
    EXPECT_EQ(every.value()[2],
              (ScheduledCall{QStringLiteral("177a"), QDate(2026, 12, 8), 1, 6 * 3600 + 10 * 60,
                             QStringLiteral("177"), QStringLiteral("HL_B")}));
    source.routes = {QStringLiteral("R150")};
    const Result<std::vector<ScheduledCall>> named =
        FeedCallSource(queryOf(source)).callsFor(QDate(2026, 12, 8));
    ASSERT_TRUE(named);
    EXPECT_EQ(named.value().size(), 3u);
}

} // namespace
} // namespace kvapomer::live
