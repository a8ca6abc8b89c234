// The dates on which services run, from calendar.txt, calendar_dates.txt or both.

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/queries/feed.h"

#include "feed_fixture.h"

#include <gtest/gtest.h>

namespace kvapomer::gtfs {
namespace {

using std::chrono::December;
using std::chrono::year_month_day;
using Times = std::vector<std::string>;

constexpr year_month_day kThursday{std::chrono::year(2026), December, std::chrono::day(10)};
constexpr year_month_day kHoliday{std::chrono::year(2026), December, std::chrono::day(24)};

TEST(GtfsFeed, EitherCalendarFileMayBeAbsent) {
    test::TempFolder folder;
    const auto times = [&](const QString& name, const test::FeedEdits& edits, year_month_day date) {
        const Feed feed(FeedSource::open(test::feedFolder(folder, name, edits).toStdString()));
        return feed.departures(feed.findStop("SPO"), feed.findRoute("150"), "", date).times;
    };
    EXPECT_EQ(times("weekly", {{"calendar_dates.txt", {}}}, kHoliday).size(), 6u);
    EXPECT_EQ(times("dated", {{"calendar.txt", {}}}, kHoliday), Times{"08:30"});
    EXPECT_EQ(test::problemOf([&] {
                  times("dated", {{"calendar.txt", {}}}, kThursday);
              }),
              Problem::NoDepartures);
    EXPECT_EQ(test::problemOf([&] {
                  times("none", {{"calendar.txt", {}}, {"calendar_dates.txt", {}}}, kThursday);
              }),
              Problem::BadFeed);
}

} // namespace
} // namespace kvapomer::gtfs
