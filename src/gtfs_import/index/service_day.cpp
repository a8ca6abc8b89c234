#include "gtfs_import/index/service_day.h"

#include <algorithm>

namespace kvapomer::gtfs {

void ServiceMinutes::mark(std::int64_t second) {
    if (second >= 0 && second < kServiceDayEnd) {
        const std::int64_t minute = second / 60;
        byOffset[static_cast<std::size_t>(minute / kMinutesPerDay)].set(
            static_cast<std::size_t>(minute % kMinutesPerDay));
    }
}

void ServiceMinutes::markEvery(std::int64_t first, std::int64_t end, std::int64_t headway) {
    end = std::min(end, kServiceDayEnd);
    if (first < 0) {
        first += (-first + headway - 1) / headway * headway;
    }
    if (first >= end) {
        return;
    }
    if (headway > 60) {
        for (std::int64_t t = first; t < end; t += headway) {
            mark(t);
        }
        return;
    }
    // Departures at most a minute apart leave no minute between the first
    // and the last one without a departure.
    const std::int64_t last = first + (end - 1 - first) / headway * headway;
    for (std::int64_t minute = first / 60; minute <= last / 60; ++minute) {
        mark(minute * 60);
    }
}

bool ServiceMinutes::any() const {
    return std::any_of(byOffset.begin(), byOffset.end(),
                       [](const DayMinutes& m) { return m.any(); });
}

DayMinutes ServiceMinutes::on(std::chrono::sys_days date,
                              const std::function<bool(std::chrono::sys_days)>& runs,
                              std::size_t& count) const {
    DayMinutes result;
    for (std::size_t k = 0; k < byOffset.size(); ++k) {
        const DayMinutes& minutes = byOffset[k];
        if (minutes.any() && runs(date - std::chrono::days(static_cast<int>(k)))) {
            result |= minutes;
            count += minutes.count();
        }
    }
    return result;
}

} // namespace kvapomer::gtfs
