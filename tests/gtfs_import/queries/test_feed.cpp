// The questions a feed answers: a stop by id or name with its platforms, a
// route, the routes and directions that leave a stop, and a day's departures
// from the service calendar, frequencies and times past midnight.

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/queries/feed.h"
#include "gtfs_import/queries/stop_lines.h"

#include "feed_fixture.h"

#include <gtest/gtest.h>

namespace kvapomer::gtfs {
namespace {

using std::chrono::December;
using std::chrono::January;
using std::chrono::year_month_day;
using Times = std::vector<std::string>;

constexpr year_month_day kThursday{std::chrono::year(2026), December, std::chrono::day(10)};
constexpr year_month_day kSaturday{std::chrono::year(2026), December, std::chrono::day(12)};
constexpr year_month_day kHoliday{std::chrono::year(2026), December, std::chrono::day(24)};
constexpr year_month_day kNoService{std::chrono::year(2027), January, std::chrono::day(5)};

Feed cityFeed() {
    return Feed(FeedSource::open(KVAPOMER_GTFS_DATA "/city"));
}

TEST(GtfsFeed, FindsStopsAndRoutes) {
    const Feed feed = cityFeed();
    EXPECT_EQ(callingStopIds(feed.findStop("KAČEROV")),
              (std::vector<std::string>{"KAC", "KAC_A", "KAC_B"}));
    EXPECT_EQ(callingStopIds(feed.findStop("KAC_B")), std::vector<std::string>{"KAC_B"});
    EXPECT_EQ(feed.findStop("spořilov, SÍDLIŠTĚ").stop->id, "SPO");
    EXPECT_EQ(test::problemOf([&] { feed.findStop("Roztyly"); }), Problem::Ambiguous);
    EXPECT_EQ(test::problemOf([&] { feed.findStop("Letňany"); }), Problem::NotFound);

    EXPECT_EQ(feed.findRoute("150").id, "L150");
    EXPECT_EQ(feed.findRoute("L136").shortName, "136");
    EXPECT_EQ(test::problemOf([&] { feed.findRoute("999"); }), Problem::NotFound);
    std::vector<std::string> routes;
    for (const Route& r : routesLeaving(feed, feed.findStop("ROZ"))) {
        routes.push_back(r.shortName);
    }
    EXPECT_EQ(routes, (std::vector<std::string>{"136", "150"}));
}

TEST(GtfsFeed, ListsDirectionsThatDepart) {
    const Feed feed = cityFeed();
    const Route route = feed.findRoute("150");
    EXPECT_EQ(feed.directionsAt(feed.findStop("ROZ"), route),
              (std::vector<Direction>{{"0", "Spořilov, sídliště"}, {"1", "Kačerov"}}));
    // Trips toward Kačerov end there: arrivals, not departures.
    EXPECT_EQ(feed.directionsAt(feed.findStop("KAC"), route),
              (std::vector<Direction>{{"0", "Spořilov, sídliště"}}));
}

TEST(GtfsFeed, GivesTheDaysDepartures) {
    const Feed feed = cityFeed();
    const struct {
        const char* name;
        const char* stop;
        const char* direction;
        year_month_day date;
        Times times;
    } cases[] = {
        // a trip at 25:10, a duplicate 06:15 once, a frequency 12:00-13:00 every 20 min
        {"weekday", "SPO", "", kThursday, {"01:10", "06:15", "07:40", "12:00", "12:20", "12:40"}},
        {"offset from the first stop",
         "ROZ",
         "KAČEROV",
         kThursday,
         {"01:15", "06:20", "07:45", "12:05", "12:25", "12:45"}},
        {"direction by id", "ROZ", "0", kThursday, {"06:05"}},
        {"station covers its platforms", "Kačerov", "", kThursday, {"06:00", "07:00"}},
        // Friday's trip at 25:10 leaves early on Saturday
        {"weekend", "SPO", "", kSaturday, {"01:10", "08:30"}},
        {"holiday: weekday removed, weekend added", "SPO", "", kHoliday, {"01:10", "08:30"}},
    };
    const Route route = feed.findRoute("150");
    for (const auto& c : cases) {
        EXPECT_EQ(feed.departures(feed.findStop(c.stop), route, c.direction, c.date).times, c.times)
            << c.name;
    }
    EXPECT_EQ(feed.departures(feed.findStop("ROZ"), route, "1", kThursday).direction.headsign,
              "Kačerov");

    const auto problem = [&](const char* stop, const char* direction, year_month_day date) {
        return test::problemOf(
            [&] { feed.departures(feed.findStop(stop), route, direction, date); });
    };
    EXPECT_EQ(problem("SPO", "", kNoService), Problem::NoDepartures);
    EXPECT_EQ(problem("SPV", "", kThursday), Problem::NoDepartures);
    EXPECT_EQ(problem("ROZ", "", kThursday), Problem::Ambiguous);
    EXPECT_EQ(problem("ROZ", "Letňany", kThursday), Problem::NotFound);
}

} // namespace
} // namespace kvapomer::gtfs
