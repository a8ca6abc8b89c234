// What leaves from each platform of a place.

#include "gtfs_import/queries/stop_lines.h"

#include <gtest/gtest.h>

namespace kvapomer::gtfs {
namespace {

using Ids = std::vector<std::string>;

TEST(StopSearch, ListsLinesLeavingEachPlatform) {
    const Feed feed(FeedSource::open(KVAPOMER_GTFS_DATA "/city"));
    const StopIndex index(feed.stops());
    const auto lines = [&](const char* name) {
        Ids result;
        for (const PlatformLine& l : linesLeaving(feed, callingStops(*index.named(name).front()))) {
            result.push_back(l.route->shortName + " " + l.direction.id + " " +
                             l.direction.headsign + " " + l.platform->id);
        }
        return result;
    };
    // Trips toward Kačerov end there: they arrive, they do not leave.
    EXPECT_EQ(lines("Kačerov"),
              (Ids{"150 0 Spořilov, sídliště KAC_A", "150 0 Spořilov, sídliště KAC_B"}));
    EXPECT_EQ(lines("Spořilov, sídliště"), Ids{"150 1 Kačerov SPO"});
    const std::vector<PlatformLine> roztyly =
        linesLeaving(feed, callingStops(*index.named("Roztyly").front()));
    ASSERT_EQ(routesOf(roztyly).size(), 2u);
    EXPECT_EQ(routesOf(roztyly)[0]->shortName, "136");
    EXPECT_EQ(routesOf(roztyly)[1]->shortName, "150");
    EXPECT_TRUE(goesTo(roztyly[0], "kacerov"));
    EXPECT_TRUE(goesTo(roztyly[1], "0"));
    EXPECT_FALSE(goesTo(roztyly[1], "Kačerov"));
}

} // namespace
} // namespace kvapomer::gtfs
