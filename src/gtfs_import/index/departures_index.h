#pragma once
// One route's departures from one stop, gathered in one pass over
// stop_times.txt: for each direction and service, the minutes of the day at
// which its trips depart, by how many days after the service day they fall.
// The memory needed grows with the route's trips, never with the number of
// departures: a trip every second for three days costs what one trip does.

#include "gtfs_import/feed/feed_source.h"
#include "gtfs_import/feed/records.h"
#include "gtfs_import/index/service_day.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace kvapomer::gtfs {

// One row of stop_times.txt for a trip of the route.
struct Call {
    int sequence = 0;
    int time = -1; // departure (or else arrival), seconds of the service day; -1 blank
    double distance = std::numeric_limits<double>::quiet_NaN(); // shape_dist_traveled
    bool atStop = false;                                        // at one of the stops asked about
    std::uint32_t stop = 0;     // which of them (its place in the ids asked about), when atStop
    bool boardable = true;      // a passenger may board (index/boarding.h); read at the stop only
    bool atDestination = false; // at one of the destination's stops
    bool alighting = true;      // a passenger may get off (index/boarding.h); at the destination
};

struct TripTimes {
    int firstTime = -1;               // at the trip's first stop; -1 blank
    std::vector<int> departures;      // from the stop, seconds of the service day
    std::vector<int> sequences;       // the stop_sequence of each departure
    std::vector<std::uint32_t> stops; // the stop of each departure (Call::stop)
    int untimed = 0; // calls at the stop left out: blank, not between two timed calls
};

// A trip's departures from the stop: its calls there that count as
// departures (index/boarding.h). A blank time between two timed calls is
// interpolated, by shape_dist_traveled when both of them and the call have
// it, otherwise evenly by stop order. `toDestination`: only the departures
// before a later call at the destination where one may get off. Sorts
// `calls` by stop_sequence.
TripTimes tripTimes(std::vector<Call>& calls, bool toDestination = false);

struct RouteDepartures {
    std::vector<Direction> directions; // of the route's trips, by direction_id then headsign
    std::vector<bool> departs;         // whether the direction has any departure from the stop
    std::vector<std::string> serviceIds;
    struct Slot {
        std::size_t direction;
        std::size_t service;
        ServiceMinutes minutes;
    };
    std::vector<Slot> slots;
    struct Note {
        std::size_t direction;
        std::string text; // one Czech line naming the trip
    };
    std::vector<Note> notes; // trips or calls left out, ordered by trip id
    // Each trip that runs by its own times (not by frequencies.txt) and
    // departs from the stop, by trip id; only when asked for.
    struct Trip {
        std::string id;
        std::size_t direction;
        std::size_t service;
        TripTimes times;
    };
    std::vector<Trip> trips;
};

// Reads trips.txt, stop_times.txt (once, and again only for trips whose rows
// are not together) and frequencies.txt. `keepTrips` keeps each trip's
// departures as well (RouteDepartures::trips). Throws FeedError BadFeed.
RouteDepartures collectDepartures(const FeedSource& source, const std::vector<std::string>& stopIds,
                                  std::string_view routeId, bool keepTrips = false);

// The departures from `stopIds` of the trips that later call at `toIds`
// where one may get off, of the routes `routeIds` (none: every route), in
// the same one pass; by route id, for each route with such a departure.
// Only the rows of trips that call at both are read as times, so a broken
// row of a trip that does not go there is not noticed, as for the trips of
// other routes in collectDepartures.
struct RouteDeparturesOf {
    std::string routeId;
    RouteDepartures departures;
};
std::vector<RouteDeparturesOf> collectDeparturesTo(const FeedSource& source,
                                                   const std::vector<std::string>& stopIds,
                                                   const std::vector<std::string>& toIds,
                                                   const std::vector<std::string>& routeIds,
                                                   bool keepTrips = false);

} // namespace kvapomer::gtfs
