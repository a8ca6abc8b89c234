#include "gtfs_import/queries/stop_lines.h"

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/table_reading.h"
#include "gtfs_import/index/boarding.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>

namespace kvapomer::gtfs {

namespace {

std::string stopText(const Stop& s) {
    return shown(s.id) + " (" + shown(s.name) +
           (s.platformCode.empty() ? "" : ", nástupiště " + shown(s.platformCode)) + ")";
}

struct Trip {
    std::size_t route;
    std::size_t direction;
    int lastSequence = INT_MIN;
};

} // namespace

std::vector<PlatformLine> linesLeaving(const Feed& feed, const std::vector<const Stop*>& stops) {
    TextMap<std::size_t> stopIndex;
    for (std::size_t i = 0; i < stops.size(); ++i) {
        stopIndex.emplace(stops[i]->id, i);
    }
    if (stopIndex.empty()) {
        return {};
    }
    const std::vector<Route>& routes = feed.routes();
    TextMap<std::size_t> routeIndex;
    for (std::size_t i = 0; i < routes.size(); ++i) {
        routeIndex.emplace(routes[i].id, i);
    }
    std::vector<Direction> directions;
    std::map<std::pair<std::string, std::string>, std::size_t> directionIndex;
    TextMap<Trip> trips;
    readTable(
        feed.source(), "trips.txt",
        {{"route_id"}, {"trip_id"}, {"trip_headsign", false}, {"direction_id", false}},
        [&](const TableRow& row) {
            const auto route = routeIndex.find(row[0]);
            if (route == routeIndex.end()) {
                return;
            }
            auto [direction, added] = directionIndex.try_emplace(
                {std::string(row[3]), std::string(row[2])}, directions.size());
            if (added) {
                directions.push_back(Direction{direction->first.first, direction->first.second});
            }
            trips.insert_or_assign(std::string(row[1]), Trip{route->second, direction->second});
        });
    struct Call {
        const Trip* trip;
        std::size_t stop;
        int sequence;
        bool pickup; // a passenger may board
    };
    std::vector<Call> calls;
    readTable(
        feed.source(), "stop_times.txt",
        {{"trip_id"}, {"stop_id"}, {"stop_sequence"}, pickupColumn()}, [&](const TableRow& row) {
            const auto trip = trips.find(row[0]);
            if (trip == trips.end()) {
                return;
            }
            const std::optional<int> sequence = parseNumber(row[2]);
            if (!sequence) {
                throw FeedError(Problem::BadFeed,
                                "Soubor stop_times.txt: řádek " + std::to_string(row.number()) +
                                    " má neplatné stop_sequence " + quoted(row[2]) + ".");
            }
            trip->second.lastSequence = std::max(trip->second.lastSequence, *sequence);
            if (const auto stop = stopIndex.find(row[1]); stop != stopIndex.end()) {
                calls.push_back(
                    Call{&trip->second, stop->second, *sequence, pickupAllowed(row[3])});
            }
        });
    std::set<std::tuple<std::size_t, std::size_t, std::size_t>> leaving; // route, direction, stop
    for (const Call& call : calls) {
        if (isDeparture(call.pickup, call.sequence == call.trip->lastSequence)) {
            leaving.emplace(call.trip->route, call.trip->direction, call.stop);
        }
    }
    std::vector<PlatformLine> result;
    for (const auto& [route, direction, stop] : leaving) {
        result.push_back(PlatformLine{stops[stop], &routes[route], directions[direction]});
    }
    std::sort(result.begin(), result.end(), [](const PlatformLine& a, const PlatformLine& b) {
        if (a.route != b.route) {
            return routeBefore(*a.route, *b.route);
        }
        return std::tie(a.direction.id, a.direction.headsign, a.platform->id) <
               std::tie(b.direction.id, b.direction.headsign, b.platform->id);
    });
    return result;
}

std::vector<Route> routesLeaving(const Feed& feed, const StopPlace& stop) {
    std::vector<Route> result;
    for (const Route* route : routesOf(linesLeaving(feed, callingStops(stop)))) {
        result.push_back(*route);
    }
    return result;
}

std::vector<std::vector<const Route*>>
routesCalling(const Feed& feed, const std::vector<std::vector<const Stop*>>& groups) {
    TextMap<std::vector<std::size_t>> groupsOf; // stop id -> its groups
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (const Stop* stop : groups[g]) {
            groupsOf[stop->id].push_back(g);
        }
    }
    std::vector<std::vector<const Route*>> result(groups.size());
    if (groupsOf.empty()) {
        return result;
    }
    const std::vector<Route>& routes = feed.routes();
    TextMap<std::size_t> routeIndex;
    for (std::size_t i = 0; i < routes.size(); ++i) {
        routeIndex.emplace(routes[i].id, i);
    }
    TextMap<std::size_t> routeOfTrip;
    readTable(feed.source(), "trips.txt", {{"route_id"}, {"trip_id"}}, [&](const TableRow& row) {
        if (const auto route = routeIndex.find(row[0]); route != routeIndex.end()) {
            routeOfTrip.insert_or_assign(std::string(row[1]), route->second);
        }
    });
    std::set<std::pair<std::size_t, std::size_t>> calling; // group, route
    readTable(feed.source(), "stop_times.txt", {{"trip_id"}, {"stop_id"}},
              [&](const TableRow& row) {
                  const auto stop = groupsOf.find(row[1]);
                  if (stop == groupsOf.end()) {
                      return;
                  }
                  if (const auto trip = routeOfTrip.find(row[0]); trip != routeOfTrip.end()) {
                      for (const std::size_t g : stop->second) {
                          calling.emplace(g, trip->second);
                      }
                  }
              });
    for (const auto& [group, route] : calling) {
        result[group].push_back(&routes[route]);
    }
    for (std::vector<const Route*>& of : result) {
        std::stable_sort(of.begin(), of.end(),
                         [](const Route* a, const Route* b) { return routeBefore(*a, *b); });
    }
    return result;
}

std::vector<const Route*> routesOf(const std::vector<PlatformLine>& lines) {
    std::vector<const Route*> result;
    for (const PlatformLine& line : lines) {
        if (std::find(result.begin(), result.end(), line.route) == result.end()) {
            result.push_back(line.route);
        }
    }
    return result;
}

bool goesTo(const PlatformLine& line, std::string_view direction) {
    return direction.empty() || line.direction.id == direction ||
           foldForSearch(line.direction.headsign) == foldForSearch(direction);
}

StopPlace chooseStop(const Feed& feed, const StopIndex& index, std::string_view idOrName,
                     const Route* route, std::string_view direction) {
    for (const Stop& s : feed.stops()) {
        if (s.id == idOrName) {
            return feed.findStop(idOrName);
        }
    }
    const std::vector<const StopPlace*> places = index.named(idOrName);
    if (places.empty()) {
        throw FeedError(Problem::NotFound, "Zastávka " + quoted(idOrName) +
                                               " v jízdním řádu není (viz --list-stops).");
    }
    if (places.size() == 1) {
        return feed.findStop(places.front()->stop->id);
    }
    if (route == nullptr) {
        const std::string list =
            listed(places, [](const StopPlace* p) { return stopText(*p->stop); });
        throw FeedError(Problem::Ambiguous, "Názvu " + quoted(idOrName) +
                                                " odpovídá více zastávek: " + list +
                                                "; zadejte jednu z nich podle id.");
    }

    std::vector<const Stop*> stops;
    for (const StopPlace* p : places) {
        const std::vector<const Stop*> calling = callingStops(*p);
        stops.insert(stops.end(), calling.begin(), calling.end());
    }
    const std::vector<PlatformLine> lines = linesLeaving(feed, stops);
    std::vector<const Stop*> serving;
    std::vector<const StopPlace*> servingPlaces;
    for (const PlatformLine& line : lines) {
        if (line.route->id != route->id || !goesTo(line, direction)) {
            continue;
        }
        if (std::find(serving.begin(), serving.end(), line.platform) == serving.end()) {
            serving.push_back(line.platform);
        }
        const StopPlace* place = index.placeOf(*line.platform);
        if (std::find(servingPlaces.begin(), servingPlaces.end(), place) == servingPlaces.end()) {
            servingPlaces.push_back(place);
        }
    }
    if (serving.size() == 1) {
        return feed.findStop(serving.front()->id);
    }
    if (servingPlaces.size() == 1) {
        return feed.findStop(servingPlaces.front()->stop->id);
    }

    const std::string what =
        "Linka " + routeName(*route) + (direction.empty() ? "" : " směrem " + quoted(direction));
    std::string message =
        serving.empty()
            ? what + " neodjíždí z žádné zastávky názvu " + quoted(idOrName) + "; odjíždí z nich:"
            : what + " odjíždí z více zastávek názvu " + quoted(idOrName) +
                  "; zadejte jednu z nich podle id:";
    std::vector<std::string> entries;
    for (const Stop* s : stops) {
        std::string leaving;
        for (const PlatformLine& line : lines) {
            if (line.platform == s) {
                leaving += (leaving.empty() ? "" : "; ") + routeName(*line.route) + " směr " +
                           shown(line.direction.headsign.empty() ? line.direction.id
                                                                 : line.direction.headsign);
            }
        }
        // A station is listed only when vehicles call at it, not only at its platforms.
        if (leaving.empty() && s->station) {
            continue;
        }
        entries.push_back(stopText(*s) + ": " + (leaving.empty() ? "nic neodjíždí" : leaving));
    }
    constexpr std::size_t kListed = 10; // stops listed; beyond these, how many in all
    for (std::size_t i = 0; i < entries.size() && i < kListed; ++i) {
        message += "\n  " + entries[i];
    }
    if (entries.size() > kListed) {
        message += "\n  a další, celkem " + std::to_string(entries.size());
    }
    throw FeedError(Problem::Ambiguous, message);
}

ImportPlace chooseForImport(const Feed& feed, std::string_view stopArg, std::string_view routeArg,
                            std::string_view direction) {
    const StopIndex index(feed.stops());
    std::optional<StopPlace> chosen;
    try {
        chosen = chooseStop(feed, index, stopArg, nullptr, {});
    } catch (const FeedError& e) {
        if (e.problem() != Problem::Ambiguous) {
            throw;
        }
    }
    const Route route = feed.findRoute(routeArg);
    if (!chosen) {
        chosen = chooseStop(feed, index, stopArg, &route, direction);
    }
    return {*chosen, route};
}

} // namespace kvapomer::gtfs
