#pragma once
// A GTFS feed read offline, answering the questions needed to fill one line's
// timetable: which stops match a name, which routes serve a stop, which
// directions a route has there and when it departs there, on one date or on
// every date of the feed.
//
// stops.txt and routes.txt are held in memory; trips.txt and stop_times.txt
// are streamed for each question and only the trips of interest are kept.
//
// A departure belongs to the date on which it happens (index/service_day.h).
// Only calls that count as departures count (index/boarding.h), and a blank
// time between two timed calls is interpolated (index/departures_index.h).

#include "gtfs_import/feed/feed_source.h"
#include "gtfs_import/feed/gtfs_time.h"
#include "gtfs_import/feed/records.h"
#include "gtfs_import/index/departures_index.h"
#include "gtfs_import/index/service_calendar.h"
#include "timetable/dated_line.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvapomer::gtfs {

// A place to board as the user means it: a station with its platforms, a
// stop that belongs to no station, or one platform asked for by its id. The
// stop search's places (StopIndex) hold the platforms one can board at; a
// place found by id or name (Feed::findStop) holds every stop that belongs
// to it. Its stops live in the Feed (or the stops) it was made from.
struct StopPlace {
    const Stop* stop;                   // the station, the stop of no station, or the platform
    std::vector<const Stop*> platforms; // the stops that belong to it, by id
};

// Where the place's trips may call: its own stop, then its platforms.
std::vector<const Stop*> callingStops(const StopPlace& place);
std::vector<std::string> callingStopIds(const StopPlace& place);

// A route's departures from a stop on every date of a period: the list of
// each date (an empty one for days without service), as a dated line keeps it.
struct DatedDepartures : DatedLists {
    Direction direction;               // the chosen direction (as departures() chooses it)
    std::vector<std::string> warnings; // one Czech line each (skipped frequency trips, ...)
};

// One scheduled departure of a trip from the stop, as live departures match
// it with the operator's trip updates.
struct ScheduledDeparture {
    std::string tripId;
    std::chrono::sys_days serviceDay;
    int sequence = 0;  // stop_sequence
    int departure = 0; // seconds of the service day (past 24 h after midnight)
    std::string route; // routeName()
    std::string stopId;
    bool operator==(const ScheduledDeparture&) const = default;
};

// At most this many scheduled departures make one day's answer.
inline constexpr std::size_t kMostScheduledPerDay = 20'000;

// The scheduled calls of one date from a place, as live departures match
// them with the operator's trip updates: those of the date's own service day
// (past midnight too) and those of the two service days before it that leave
// on the date.
class ScheduledDay {
public:
    ScheduledDay(const StopPlace& stop, std::chrono::sys_days date);

    // The calls of `trip` (found with keepTrips) of its route `route` that
    // leave on the date. Throws FeedError BadFeed past kMostScheduledPerDay.
    void add(const RouteDepartures::Trip& trip, const ServiceCalendar& calendar,
             const std::string& route);

    // By service day, time, trip and stop sequence.
    std::vector<ScheduledDeparture> take();

private:
    std::string placeName_;
    std::vector<std::string> stopIds_;
    std::chrono::sys_days date_;
    std::vector<ScheduledDeparture> calls_;
};

// Route short names in the order people expect: numbers by value, then text.
bool routeBefore(const Route& a, const Route& b);

// How a message names a route: its short name, or its id when it has none,
// cut short and safe to show.
std::string routeName(const Route& route);

// The list of `date`; empty outside the period.
std::vector<int> listOn(const DatedDepartures& dated, std::chrono::sys_days date);

class Feed {
public:
    // Reads stops.txt and routes.txt. Throws FeedError.
    explicit Feed(std::unique_ptr<FeedSource> source);
    ~Feed();
    Feed(const Feed&) = delete;
    Feed& operator=(const Feed&) = delete;

    // The stop named by id or by name (a station's name covers its
    // platforms). Throws FeedError NotFound or Ambiguous.
    StopPlace findStop(std::string_view idOrName) const;

    // The route named by id or short name, without regard to case.
    Route findRoute(std::string_view idOrShortName) const;

    // The directions in which the route departs from the stop.
    std::vector<Direction> directionsAt(const StopPlace& stop, const Route& route) const;

    // Departures of one route from the stop that happen on one date: the
    // trips of that date's services and the trips past midnight of the two
    // service days before it.
    struct Departures {
        Direction direction;               // the chosen direction (its most frequent headsign)
        std::vector<std::string> times;    // "hh:mm", sorted, each once
        std::vector<std::string> warnings; // one Czech line each: trips or calls left out
    };
    // `direction` is a headsign or a direction_id; empty chooses the only
    // direction there is. Throws FeedError NotFound, Ambiguous, NoDepartures
    // or BadFeed.
    Departures departures(const StopPlace& stop, const Route& route, std::string_view direction,
                          std::chrono::year_month_day date) const;

    // For every date D from max(from, the feed's first service date) to the
    // last date on which any trip of the route departs from the stop in that
    // direction (at most maxDays days), the departures that happen on D:
    // service day D−k gives its times t with k·24 h ≤ t < (k+1)·24 h at
    // t − k·24 h, k = 0, 1, 2. Throws FeedError NotFound, Ambiguous,
    // NoDepartures (none in the whole period) or BadFeed.
    DatedDepartures datedDepartures(const StopPlace& stop, const Route& route,
                                    std::string_view direction, std::chrono::sys_days from,
                                    int maxDays = 400) const;

    // The trips of the routes departing from the stop in `direction` (each
    // route's as departures() chooses it) that belong to the service day
    // `date`, past midnight too, and those of the two service days before it
    // that leave on `date`; trips by frequencies.txt left out. By service
    // day and time. Throws FeedError NotFound, Ambiguous, NoDepartures (the
    // route never departs from the stop) or BadFeed (also for more than
    // kMostScheduledPerDay).
    std::vector<ScheduledDeparture> scheduledOn(const StopPlace& stop,
                                                const std::vector<Route>& routes,
                                                std::string_view direction,
                                                std::chrono::sys_days date) const;

    // agency_timezone of agency.txt's first row, as written; empty without one.
    std::string timeZone() const;

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
