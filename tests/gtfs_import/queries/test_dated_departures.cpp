// A route's departures on every date of tests/data/gtfs/dated: weekday,
// Saturday and Sunday services, a holiday served as a Sunday, an added
// Saturday after the calendar's end, trips past midnight into the next and
// the second next day, a call without boarding, blank times between timed
// calls and a trip whose rows are not together; a line that does not run on
// Sundays; and the same feed with calendar_dates.txt alone.

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/queries/feed.h"

#include "feed_fixture.h"

#include <gtest/gtest.h>

namespace kvapomer::gtfs {
namespace {

using std::chrono::sys_days;
using Times = std::vector<std::string>;

sys_days day(int year, unsigned month, unsigned d) {
    return sys_days(std::chrono::year_month_day{std::chrono::year(year), std::chrono::month(month),
                                                std::chrono::day(d)});
}

struct DateCase {
    const char* name;
    sys_days date;
    Times times; // empty: no departure that day
};

Times texts(const std::vector<int>& minutes) {
    Times result;
    for (const int m : minutes) {
        result.push_back(minuteText(m));
    }
    return result;
}

// Each date's list, and the same list for that one date alone.
void expectDates(const Feed& feed, const char* stop, const char* route,
                 const DatedDepartures& dated, const std::vector<DateCase>& cases) {
    for (const DateCase& c : cases) {
        EXPECT_EQ(texts(listOn(dated, c.date)), c.times) << c.name;
        try {
            const Feed::Departures one = feed.departures(feed.findStop(stop), feed.findRoute(route),
                                                         "", std::chrono::year_month_day(c.date));
            EXPECT_EQ(one.times, c.times) << c.name << " (one date)";
        } catch (const FeedError& e) {
            EXPECT_EQ(e.problem(), Problem::NoDepartures) << c.name;
            EXPECT_TRUE(c.times.empty()) << c.name << ": " << e.what();
        }
    }
}

const Times kWeekday{"06:10", "07:06", "08:10"}; // 07:06 by distance, 08:10 by stop order

Feed datedFeed() {
    return Feed(FeedSource::open(KVAPOMER_GTFS_DATA "/dated"));
}

TEST(DatedDepartures, GivesEachDateTheDeparturesThatHappenOnIt) {
    const Feed feed = datedFeed();
    const DatedDepartures dated =
        feed.datedDepartures(feed.findStop("NEM"), feed.findRoute("10"), "", day(2026, 11, 20));
    EXPECT_EQ(dated.direction, (Direction{"0", "Konečná"}));
    EXPECT_EQ(dated.first, day(2026, 12, 1)); // the feed's first date
    EXPECT_EQ(dated.days.size(), 34u);        // to the last departure, 3 January
    EXPECT_EQ(dated.lists.size(), 10u);
    EXPECT_EQ(dated.warnings,
              Times{"Spoj „W6“ má v zastávce odjezd bez času, který neleží mezi dvěma časy; "
                    "vynechán."});
    expectDates(
        feed, "NEM", "10", dated,
        {
            {"first date: nothing from the evening before", day(2026, 12, 1), kWeekday},
            {"Tuesday: Monday's 24:30, Sunday's 48:15",
             day(2026, 12, 8),
             {"00:15", "00:30", "06:10", "07:06", "08:10"}},
            {"Thursday", day(2026, 12, 10), {"00:30", "06:10", "07:06", "08:10"}},
            {"Saturday after a Friday with a late trip", day(2026, 12, 12), {"00:30", "08:40"}},
            {"Sunday: Saturday's 25:15", day(2026, 12, 13), {"01:15", "09:40"}},
            {"Monday: nothing late from the weekend", day(2026, 12, 14), kWeekday},
            {"holiday run as a Sunday", day(2026, 12, 24), {"00:30", "09:40"}},
            {"after the holiday", day(2026, 12, 25), kWeekday},
            {"Saturday: the holiday's 48:15", day(2026, 12, 26), {"00:15", "00:30", "08:40"}},
            {"after the calendar's end", day(2027, 1, 1), {"00:30"}},
            {"added Saturday", day(2027, 1, 2), {"08:40"}},
            {"last date", day(2027, 1, 3), {"01:15"}},
            {"past the period", day(2027, 1, 4), {}},
        });
}

TEST(DatedDepartures, CoversThePeriodAskedFor) {
    const Feed feed = datedFeed();
    const auto dated = [&](const char* route, sys_days from, int maxDays = 400) {
        return feed.datedDepartures(feed.findStop("NEM"), feed.findRoute(route), "", from, maxDays);
    };
    const DatedDepartures fromHoliday = dated("10", day(2026, 12, 24));
    EXPECT_EQ(fromHoliday.first, day(2026, 12, 24));
    EXPECT_EQ(fromHoliday.days.size(), 11u);
    EXPECT_EQ(dated("10", day(2026, 12, 1), 5).days.size(), 5u);
    try {
        dated("10", day(2027, 1, 4));
        ADD_FAILURE() << "no error";
    } catch (const FeedError& e) {
        EXPECT_EQ(e.problem(), Problem::NoDepartures);
    }

    // A line that does not run on Sundays nor on the holiday.
    const DatedDepartures noSunday = dated("20", day(2026, 12, 1));
    EXPECT_EQ(noSunday.days.size(), 33u);
    EXPECT_EQ(noSunday.lists.size(), 3u);
    expectDates(feed, "NEM", "20", noSunday,
                {
                    {"weekday", day(2026, 12, 1), {"07:30"}},
                    {"Saturday", day(2026, 12, 5), {"10:30"}},
                    {"Sunday", day(2026, 12, 6), {}},
                    {"holiday", day(2026, 12, 24), {}},
                    {"added Saturday", day(2027, 1, 2), {"10:30"}},
                });
}

TEST(DatedDepartures, DatesAFeedWithCalendarDatesAlone) {
    test::TempFolder folder;
    const std::string path =
        test::feedFolder(folder, "dates_only",
                         {{"calendar.txt", {}},
                          {"calendar_dates.txt", "service_id,date,exception_type\n"
                                                 "WD,20261211,1\nSA,20261212,1\n"
                                                 "SU,20261213,1\nWD,20261214,1\n"}},
                         "dated")
            .toStdString();
    const Feed feed(FeedSource::open(path));
    const DatedDepartures dated =
        feed.datedDepartures(feed.findStop("NEM"), feed.findRoute("10"), "", day(2026, 12, 1));
    EXPECT_EQ(dated.first, day(2026, 12, 11));
    EXPECT_EQ(dated.days.size(), 5u);
    expectDates(
        feed, "NEM", "10", dated,
        {
            {"before the first date", day(2026, 12, 10), {}},
            {"Friday", day(2026, 12, 11), kWeekday},
            {"Saturday", day(2026, 12, 12), {"00:30", "08:40"}},
            {"Sunday", day(2026, 12, 13), {"01:15", "09:40"}},
            {"Monday", day(2026, 12, 14), kWeekday},
            {"Tuesday: only the trips past midnight", day(2026, 12, 15), {"00:15", "00:30"}},
        });
}

} // namespace
} // namespace kvapomer::gtfs
