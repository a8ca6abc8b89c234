#pragma once
// The dates on which services of a feed run: calendar.txt gives a weekly
// pattern between a start and an end date, calendar_dates.txt adds and
// removes single dates; a feed may have either file alone, or both.

#include "gtfs_import/feed/feed_source.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvapomer::gtfs {

// A GTFS date, "20261224"; nothing for anything else.
std::optional<std::chrono::sys_days> parseGtfsDate(std::string_view text);

// "2026-12-24".
std::string dateText(std::chrono::sys_days date);

class ServiceCalendar {
public:
    // Reads calendar.txt and calendar_dates.txt, keeping the dates of the
    // services in `serviceIds` (a service is then named by its position
    // there). Throws FeedError BadFeed when neither file is present or a row
    // is malformed.
    ServiceCalendar(const FeedSource& source, const std::vector<std::string>& serviceIds);

    bool runs(std::size_t service, std::chrono::sys_days date) const;

    // The first and the last date on which the calendar names any service of
    // the feed (not only the kept ones), dates removed by calendar_dates.txt
    // aside; nothing when it names none.
    std::optional<std::chrono::sys_days> firstDate() const { return first_; }
    std::optional<std::chrono::sys_days> lastDate() const { return last_; }

private:
    struct Weekly {
        std::chrono::sys_days start, end;
        std::uint8_t weekdays = 0; // bit 0 Monday … bit 6 Sunday
    };
    struct Exception {
        std::chrono::sys_days date;
        bool runs = false;
    };
    struct Service {
        std::vector<Weekly> weekly;
        std::vector<Exception> exceptions; // by date; of equal dates the last read decides
    };
    void widen(std::chrono::sys_days first, std::chrono::sys_days last);

    std::vector<Service> services_;
    std::optional<std::chrono::sys_days> first_, last_;
};

} // namespace kvapomer::gtfs
