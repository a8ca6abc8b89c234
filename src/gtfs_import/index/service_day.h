#pragma once
// Which date a departure happens on. A trip belongs to a service day, and its
// times count from that day's start: a time t with k·24 h ≤ t < (k+1)·24 h
// leaves at t − k·24 h on the k-th date after the service day (25:10:00 of
// Friday's service is 01:10 on Saturday). A time reaches at most into the
// third day. Nothing else in the import works this out.

#include "gtfs_import/feed/gtfs_time.h"

#include <array>
#include <bitset>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kvapomer::gtfs {

// A time of a service day is at most this (exclusive).
inline constexpr std::int64_t kServiceDayEnd = 3 * kSecondsPerDay;

using DayMinutes = std::bitset<kMinutesPerDay>;

// The date on which the time `second` (≥ 0) of the service day `serviceDay` happens.
inline std::chrono::sys_days dateOf(std::chrono::sys_days serviceDay, std::int64_t second) {
    return serviceDay + std::chrono::days(second / kSecondsPerDay);
}

// The departures of one service, by day offset: byOffset[k] holds each time t
// of the service day with k·24 h ≤ t < (k+1)·24 h as the minute t − k·24 h of
// the k-th date after the service day.
struct ServiceMinutes {
    std::array<DayMinutes, 3> byOffset;

    void mark(std::int64_t second); // left out unless 0 ≤ second < 72 h
    // Departures at first, first + headway, … while before `end` (headway
    // ≥ 1), those outside 0 … 72 h left out; at most one step per minute.
    void markEvery(std::int64_t first, std::int64_t end, std::int64_t headway);
    bool any() const;

    // The minutes at which departures of the service happen on `date`: those
    // of the service days date − k on which `runs` says it runs. Adds to
    // `count` the departures of each such service day.
    DayMinutes on(std::chrono::sys_days date,
                  const std::function<bool(std::chrono::sys_days)>& runs, std::size_t& count) const;
};

} // namespace kvapomer::gtfs
