#include "gtfs_import/index/service_calendar.h"

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/table_reading.h"

#include <algorithm>
#include <cstdio>

namespace kvapomer::gtfs {

namespace {

using std::chrono::days;
using std::chrono::sys_days;

unsigned weekdayBit(sys_days date) {
    return std::chrono::weekday(date).iso_encoding() - 1;
}

} // namespace

std::optional<sys_days> parseGtfsDate(std::string_view text) {
    if (text.size() != 8 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int year = *parseNumber(text.substr(0, 4));
    const int month = *parseNumber(text.substr(4, 2));
    const int day = *parseNumber(text.substr(6, 2));
    const std::chrono::year_month_day date{std::chrono::year(year),
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok()) {
        return std::nullopt;
    }
    return sys_days(date);
}

std::string dateText(sys_days date) {
    const std::chrono::year_month_day ymd(date);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return buffer;
}

ServiceCalendar::ServiceCalendar(const FeedSource& source,
                                 const std::vector<std::string>& serviceIds)
    : services_(serviceIds.size()) {
    const bool weekly = source.contains("calendar.txt");
    const bool dated = source.contains("calendar_dates.txt");
    if (!weekly && !dated) {
        throw FeedError(Problem::BadFeed,
                        "V jízdním řádu chybí soubor calendar.txt i calendar_dates.txt.");
    }
    TextMap<std::size_t> index;
    for (std::size_t i = 0; i < serviceIds.size(); ++i) {
        index.emplace(serviceIds[i], i);
    }
    const auto service = [&](std::string_view id) -> Service* {
        const auto it = index.find(id);
        return it == index.end() ? nullptr : &services_[it->second];
    };
    const auto date = [](const char* file, const TableRow& row, std::size_t column) {
        const std::optional<sys_days> d = parseGtfsDate(row[column]);
        if (!d) {
            badRow(file, row, "datum", row[column]);
        }
        return *d;
    };
    if (weekly) {
        readTable(source, "calendar.txt",
                  {{"service_id"},
                   {"monday"},
                   {"tuesday"},
                   {"wednesday"},
                   {"thursday"},
                   {"friday"},
                   {"saturday"},
                   {"sunday"},
                   {"start_date"},
                   {"end_date"}},
                  [&](const TableRow& row) {
                      Weekly w{date("calendar.txt", row, 8), date("calendar.txt", row, 9)};
                      for (unsigned d = 0; d < 7; ++d) {
                          if (row[1 + d] == "1") {
                              w.weekdays |= static_cast<std::uint8_t>(1u << d);
                          }
                      }
                      // the first and the last date of the range on a weekday of the pattern
                      std::optional<sys_days> first, last;
                      for (int i = 0; i < 7 && w.start + days(i) <= w.end; ++i) {
                          if (!first && ((w.weekdays >> weekdayBit(w.start + days(i))) & 1u)) {
                              first = w.start + days(i);
                          }
                          if (!last && ((w.weekdays >> weekdayBit(w.end - days(i))) & 1u)) {
                              last = w.end - days(i);
                          }
                      }
                      if (!first) {
                          return; // runs on no date
                      }
                      widen(*first, *last);
                      if (Service* s = service(row[0])) {
                          s->weekly.push_back(w);
                      }
                  });
    }
    if (dated) {
        readTable(source, "calendar_dates.txt", {{"service_id"}, {"date"}, {"exception_type"}},
                  [&](const TableRow& row) {
                      const sys_days when = date("calendar_dates.txt", row, 1);
                      if (row[2] != "1" && row[2] != "2") {
                          badRow("calendar_dates.txt", row, "exception_type", row[2]);
                      }
                      const bool runs = row[2] == "1";
                      if (runs) {
                          widen(when, when);
                      }
                      if (Service* s = service(row[0])) {
                          s->exceptions.push_back({when, runs});
                      }
                  });
    }
    for (Service& s : services_) {
        std::stable_sort(s.exceptions.begin(), s.exceptions.end(),
                         [](const Exception& a, const Exception& b) { return a.date < b.date; });
    }
}

void ServiceCalendar::widen(sys_days first, sys_days last) {
    first_ = first_ ? std::min(*first_, first) : first;
    last_ = last_ ? std::max(*last_, last) : last;
}

bool ServiceCalendar::runs(std::size_t service, sys_days date) const {
    const Service& s = services_[service];
    const auto after = std::upper_bound(s.exceptions.begin(), s.exceptions.end(), date,
                                        [](sys_days d, const Exception& e) { return d < e.date; });
    if (after != s.exceptions.begin() && std::prev(after)->date == date) {
        return std::prev(after)->runs;
    }
    const unsigned bit = weekdayBit(date);
    return std::any_of(s.weekly.begin(), s.weekly.end(), [&](const Weekly& w) {
        return w.start <= date && date <= w.end && ((w.weekdays >> bit) & 1u);
    });
}

} // namespace kvapomer::gtfs
