// From a station to a destination on tests/data/gtfs/destination: lines 150
// and 177 from two platforms of Hlavní reach Metro; 9 goes elsewhere, 20
// comes from Metro, 30 may not set down there; trips after midnight of both
// belong to the next date.

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/queries/destination.h"

#include "feed_fixture.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace kvapomer::gtfs {
namespace {

using std::chrono::sys_days;

sys_days day(unsigned d) {
    return sys_days(std::chrono::year(2026) / 12 / d);
}

struct Place {
    Feed feed{FeedSource::open(KVAPOMER_GTFS_DATA "/destination")};
    StopPlace from = feed.findStop("Hlavní");
    StopPlace to = feed.findStop("Metro");
};

std::vector<std::string> numbers(const std::vector<Route>& routes) {
    std::vector<std::string> result;
    for (const Route& r : routes) {
        result.push_back(r.shortName);
    }
    return result;
}

TEST(Destination, OnlyTheRoutesThatSetDownThereLater) {
    const Place p;
    EXPECT_EQ(numbers(routesTo(p.feed, p.from, p.to)), (std::vector<std::string>{"150", "177"}));
    // Back from Metro: only 20 boards at Metro toward Hlavní.
    EXPECT_EQ(numbers(routesTo(p.feed, p.to, p.from)), (std::vector<std::string>{"20"}));
    EXPECT_EQ(test::problemOf([&] { routesTo(p.feed, p.from, p.to, {p.feed.findRoute("30")}); }),
              Problem::NotFound);
    EXPECT_EQ(test::problemOf([&] { routesTo(p.feed, p.from, p.to, {p.feed.findRoute("9")}); }),
              Problem::NotFound);
}

TEST(Destination, OneListWithTheLineOfEachDeparture) {
    const Place p;
    // Wednesday: Tuesday's 24:30 (177) and 25:10 (150), then 06:20 of both, in route order.
    const DayDeparturesTo wednesday =
        departuresTo(p.feed, p.from, p.to, {}, std::chrono::year_month_day(day(9)));
    EXPECT_EQ(wednesday.times,
              (std::vector<std::string>{"00:30", "01:10", "06:10", "06:20", "06:20"}));
    EXPECT_EQ(wednesday.lines.names, (QStringList{"150", "177"}));
    EXPECT_EQ(wednesday.lines.of, (LineOfDepartures{1, 0, 1, 0, 1}));

    const DeparturesTo dated = datedDeparturesTo(p.feed, p.from, p.to, {}, day(7));
    EXPECT_EQ(dated.dated.direction.headsign, "Metro");
    const auto listOf = [&](unsigned d) {
        return dated.dated
            .lists[dated.dated.days[static_cast<std::size_t>((day(d) - day(7)).count())]];
    };
    const auto linesOf = [&](unsigned d) {
        return dated.dated
            .lineOf[dated.dated.days[static_cast<std::size_t>((day(d) - day(7)).count())]];
    };
    EXPECT_EQ(listOf(7), (DayList{370, 380, 380})); // Monday: nothing from Sunday
    EXPECT_EQ(linesOf(7), (LineOfDepartures{1, 0, 1}));
    EXPECT_EQ(listOf(12), (DayList{30, 70})); // Saturday: Friday's trips after midnight
    EXPECT_EQ(linesOf(12), (LineOfDepartures{1, 0}));
    EXPECT_TRUE(listOf(13).empty());

    // One route named: a line of one line, as today's imports.
    const DeparturesTo only =
        datedDeparturesTo(p.feed, p.from, p.to, {p.feed.findRoute("150")}, day(7));
    EXPECT_TRUE(only.dated.lineNames.isEmpty());
    EXPECT_TRUE(only.dated.lineOf.empty());
    EXPECT_EQ(only.dated.lists[only.dated.days[2]], (DayList{70, 380}));
}

// What live departures match against: the trips of the date's service day
// (past midnight too) and those of the day before that leave on it, each
// with its number.
TEST(Destination, TheTripsOfADateForLiveDepartures) {
    const Place p;
    const auto row = [](const char* trip, unsigned serviceDay, int departure, const char* route,
                        const char* stop) {
        return ScheduledDeparture{trip, day(serviceDay), 1, departure, route, stop};
    };
    EXPECT_EQ(scheduledTo(p.feed, p.from, p.to, {}, day(8)),
              (std::vector<ScheduledDeparture>{
                  row("177c", 7, 88200, "177", "HL_B"), row("150b", 7, 90600, "150", "HL_A"),
                  row("177a", 8, 22200, "177", "HL_B"), row("150a", 8, 22800, "150", "HL_A"),
                  row("177b", 8, 22800, "177", "HL_B"), row("177c", 8, 88200, "177", "HL_B"),
                  row("150b", 8, 90600, "150", "HL_A")}));
    const std::vector<ScheduledDeparture> one =
        scheduledTo(p.feed, p.from, p.to, {p.feed.findRoute("150")}, day(8));
    ASSERT_EQ(one.size(), 3u);
    EXPECT_EQ(one[1].tripId, "150a");
}

// Toward a destination the rows of a trip are read only when it boards at
// the stop and sets down there; they are read as ever: in stop order, a blank
// time between two others, a trip whose rows lie apart, a broken row.
TEST(Destination, TheRowsOfATripThatGoesThereAreReadWhole) {
    const QByteArray header = "trip_id,arrival_time,departure_time,stop_id,stop_sequence,"
                              "pickup_type,drop_off_type\n";
    const QByteArray rows = "150a,06:40:00,06:40:00,MET,3,,\n"
                            "150a,06:10:00,06:10:00,POL,1,,\n"
                            "150a,,,HL_A,2,,\n"
                            "177a,06:10:00,06:10:00,HL_B,1,,\n"
                            "9a,07:00:00,07:00:00,HL_A,1,,\n"
                            "9a,7:xx,7:xx,POL,2,,\n";
    const QByteArray last = "177a,06:30:00,06:30:00,MET,2,,\n";
    const test::TempFolder folder;
    const auto departures = [&](const QString& name, const QByteArray& stopTimes) {
        const Feed feed(FeedSource::open(test::feedFolder(folder, name,
                                                          {{"stop_times.txt", header + stopTimes}},
                                                          QStringLiteral("destination"))
                                             .toStdString()));
        return departuresTo(feed, feed.findStop("Hlavní"), feed.findStop("Metro"), {},
                            std::chrono::year_month_day(day(9)));
    };
    // 9a does not go there: its broken time is none of this line's business.
    const DayDeparturesTo found = departures("apart", rows + last);
    EXPECT_EQ(found.times, (std::vector<std::string>{"06:10", "06:25"}));
    EXPECT_EQ(found.lines.names, (QStringList{"150", "177"}));
    EXPECT_EQ(found.lines.of, (LineOfDepartures{1, 0}));

    QByteArray broken = rows + last;
    broken.replace("06:40:00,06:40:00", "06:40:00,06:75:00");
    try {
        departures("broken", broken);
        ADD_FAILURE() << "no error";
    } catch (const FeedError& e) {
        EXPECT_EQ(e.problem(), Problem::BadFeed);
        EXPECT_STREQ(e.what(), "Soubor stop_times.txt: řádek 2 má neplatný čas „06:75:00“.");
    }
}

} // namespace
} // namespace kvapomer::gtfs
