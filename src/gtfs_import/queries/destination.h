#pragma once
// From a place to a destination: every route whose trips, boarded at the
// place (index/boarding.h), call later at the destination where one may get
// off, and their departures merged into one list, each with its route.

#include "gtfs_import/queries/feed.h"

#include <chrono>
#include <string>
#include <vector>

namespace kvapomer::gtfs {

// The routes going from `stop` to `to`, of `named` (none: every route), in
// the order routes are listed (routeBefore). One pass over trips.txt and
// stop_times.txt. Throws FeedError NotFound for a route named that does not
// go there, BadFeed.
std::vector<Route> routesTo(const Feed& feed, const StopPlace& stop, const StopPlace& to,
                            const std::vector<Route>& named = {});

// The departures from `stop` toward `to` of every date from `from` on (as
// Feed::datedDepartures counts them), of the routes going there (of `named`,
// when given): a minute of two routes is kept once for each, in their
// order; with more than one route, each list says the route of each
// departure (lineNames are the routes' numbers). The direction's headsign
// is the destination's name. Throws FeedError NotFound, NoDepartures, BadFeed.
struct DeparturesTo {
    DatedDepartures dated;
    std::vector<Route> routes; // the routes going there, in order
};
DeparturesTo datedDeparturesTo(const Feed& feed, const StopPlace& stop, const StopPlace& to,
                               const std::vector<Route>& named, std::chrono::sys_days from,
                               int maxDays = 400);

// The departures of one date, "hh:mm" each, with the line of each.
struct DayDeparturesTo {
    std::vector<std::string> times;
    DepartureLines lines;
    std::vector<Route> routes;
    std::vector<std::string> warnings;
};
DayDeparturesTo departuresTo(const Feed& feed, const StopPlace& stop, const StopPlace& to,
                             const std::vector<Route>& named, std::chrono::year_month_day date);

// The trips from `stop` toward `to` (of `named`, when given) that leave on
// `date`, as Feed::scheduledOn gives them, each route named by its number as
// the line's departures are. Throws as datedDeparturesTo.
std::vector<ScheduledDeparture> scheduledTo(const Feed& feed, const StopPlace& stop,
                                            const StopPlace& to, const std::vector<Route>& named,
                                            std::chrono::sys_days date);

// The departures of `date` among `found` (asked from `stop` to `to`), as
// departuresTo gives them for that date. Throws FeedError NoDepartures for a
// date without any.
DayDeparturesTo departuresOnDate(const DeparturesTo& found, const StopPlace& stop,
                                 const StopPlace& to, std::chrono::sys_days date);

// "Ze zastávky X do zastávky Y žádná linka nejede."
std::string noLineGoes(const StopPlace& stop, const StopPlace& to);

} // namespace kvapomer::gtfs
