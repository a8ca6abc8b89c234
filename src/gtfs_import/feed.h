#pragma once
// A GTFS feed read offline, answering the questions needed to fill one line's
// timetable: which stops match a name, which routes serve a stop, which
// directions a route has there and when it departs there on a given date.
//
// stops.txt and routes.txt are held in memory; trips.txt and stop_times.txt
// are streamed for each question and only the trips of interest are kept.

#include "gtfs_import/feed_source.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
};

// A stop as the user means it: a station together with its platforms, or a
// single stop that belongs to no station.
struct StopGroup {
    std::string id; // the station's or the single stop's id
    std::string name;
    std::vector<std::string> stopIds; // every stop a vehicle can call at
};

struct Route {
    std::string id;
    std::string shortName;
    std::string longName;
};

struct Direction {
    std::string id; // direction_id as written, may be empty
    std::string headsign;
    bool operator==(const Direction&) const = default;
};

// A GTFS time as seconds after the start of the service day: "25:10:00",
// past midnight, reads 90600. Nothing for a text that is not H:MM:SS.
std::optional<int> parseGtfsTime(std::string_view text);

// A time of the service day as the program lists it: "hh:mm", past midnight
// wrapped into the same day's list ("25:10:00" gives "01:10"); seconds dropped.
std::string dayTimeText(int seconds);

class Feed {
public:
    // Reads stops.txt and routes.txt. Throws FeedError.
    explicit Feed(std::unique_ptr<FeedSource> source);
    ~Feed();
    Feed(const Feed&) = delete;
    Feed& operator=(const Feed&) = delete;

    // Stops whose name contains `text` without regard to case, ordered by
    // name, each station followed by its platforms.
    std::vector<const Stop*> stopsMatching(std::string_view text) const;

    // The stop named by id or by name (a station's name covers its
    // platforms). Throws FeedError NotFound or Ambiguous.
    StopGroup findStop(std::string_view idOrName) const;

    // The route named by id or short name, without regard to case.
    Route findRoute(std::string_view idOrShortName) const;

    // The routes that call at the stop, ordered by short name.
    std::vector<Route> routesAt(const StopGroup& stop) const;

    // The directions in which the route departs from the stop.
    std::vector<Direction> directionsAt(const StopGroup& stop, const Route& route) const;

    // Departures of one route from the stop on one service date.
    struct Departures {
        Direction direction;            // the chosen direction (its most frequent headsign)
        std::vector<std::string> times; // "hh:mm", sorted, each once
    };
    // `direction` is a headsign or a direction_id; empty chooses the only
    // direction there is. Throws FeedError NotFound, Ambiguous or NoDepartures.
    Departures departures(const StopGroup& stop, const Route& route, std::string_view direction,
                          std::chrono::year_month_day date) const;

    // Every stop, station, entrance and node of stops.txt, in its order;
    // every route of routes.txt; the files themselves, to stream the rest.
    const std::vector<Stop>& stops() const;
    const std::vector<Route>& routes() const;
    const FeedSource& source() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace kvapomer::gtfs
