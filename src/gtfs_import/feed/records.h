#pragma once
// The rows of stops.txt and routes.txt as the import keeps them, and a
// direction of a route's trips.

#include <string>
#include <string_view>

namespace kvapomer::gtfs {

struct Stop {
    std::string id;
    std::string name;
    std::string parent;       // parent_station, empty for none
    std::string platformCode; // platform_code, the letter or number shown at the stop
    bool station = false;     // location_type 1
    // location_type: 0 a stop or platform, 1 a station, 2 an entrance, 3 a
    // generic node, 4 a boarding area; -1 for a value that is none of these.
    int locationType = 0;
    std::string code; // stop_code, the code shown to passengers; empty for none
};

struct Route {
    std::string id;
    std::string shortName;
    std::string longName;
};

// The number people know a route by: its short name, or its id when it has
// none. As the feed wrote it: not yet safe to show.
inline std::string_view routeNumber(const Route& route) {
    return route.shortName.empty() ? route.id : route.shortName;
}

struct Direction {
    std::string id; // direction_id as written, may be empty
    std::string headsign;
    bool operator==(const Direction&) const = default;
};

} // namespace kvapomer::gtfs
