#pragma once
// Times of stop_times.txt and frequencies.txt: seconds after the start of
// the service day, which may run past midnight ("25:10:00").

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvapomer::gtfs {

inline constexpr int kMinutesPerDay = 24 * 60;
inline constexpr std::int64_t kSecondsPerDay = 24 * 3600;

// A GTFS time as seconds after the start of the service day: "25:10:00",
// past midnight, reads 90600. Nothing for a text that is not H:MM:SS.
std::optional<int> parseGtfsTime(std::string_view text);

// The clock time of a time of the service day as the program lists it,
// "hh:mm", seconds dropped: "25:10:00" of one day is "01:10" of the next.
std::string dayTimeText(int seconds);

// "hh:mm" of a minute of the day, 0 … 1439 (others wrap into the day).
std::string minuteText(int minute);

} // namespace kvapomer::gtfs
