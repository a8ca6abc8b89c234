#include "gtfs_import/feed/gtfs_time.h"

#include "gtfs_import/feed/table_reading.h"

#include <cstdio>

namespace kvapomer::gtfs {

std::optional<int> parseGtfsTime(std::string_view text) {
    const std::size_t first = text.find(':');
    if (first == std::string_view::npos || first == 0 || first > 3 || text.size() != first + 6 ||
        text[first + 3] != ':') {
        return std::nullopt;
    }
    const std::optional<int> h = parseNumber(text.substr(0, first));
    const std::optional<int> m = parseNumber(text.substr(first + 1, 2));
    const std::optional<int> s = parseNumber(text.substr(first + 4, 2));
    if (!h || !m || !s || *h < 0 || *m < 0 || *m > 59 || *s < 0 || *s > 59) {
        return std::nullopt;
    }
    return *h * 3600 + *m * 60 + *s;
}

std::string dayTimeText(int seconds) {
    return minuteText(seconds / 60 - (seconds % 60 < 0 ? 1 : 0));
}

std::string minuteText(int minute) {
    minute %= kMinutesPerDay;
    if (minute < 0) {
        minute += kMinutesPerDay;
    }
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", minute / 60, minute % 60);
    return buffer;
}

} // namespace kvapomer::gtfs
