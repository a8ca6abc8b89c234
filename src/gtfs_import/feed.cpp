#include "gtfs_import/feed.h"

#include "gtfs_import/csv_table.h"
#include "gtfs_import/feed_error.h"
#include "gtfs_import/text_match.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace kvapomer::gtfs {

namespace {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>{}(text);
    }
};
template <typename Value>
using TextMap = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;
using TextSet = std::unordered_set<std::string, TextHash, std::equal_to<>>;

std::string quoted(std::string_view text) {
    return "„" + std::string(text) + "“";
}

std::string dateText(std::chrono::year_month_day date) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return buffer;
}

std::optional<int> parseNumber(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

[[noreturn]] void badRow(const std::string& file, const TableRow& row, const std::string& what,
                         std::string_view value) {
    throw FeedError(Problem::BadFeed, "Soubor " + file + ": řádek " + std::to_string(row.number()) +
                                          " má neplatné " + what + " " + quoted(value) + ".");
}

void readTable(const FeedSource& source, const std::string& name, std::vector<Column> columns,
               const CsvTable::RowHandler& onRow) {
    CsvTable table(name, std::move(columns), onRow);
    source.read(name, [&](std::string_view chunk) { table.push(chunk); });
    table.finish();
}

// Route short names in the order people expect: numbers by value, then text.
bool routeBefore(const Route& a, const Route& b) {
    const std::optional<int> x = parseNumber(a.shortName);
    const std::optional<int> y = parseNumber(b.shortName);
    if (x && y && *x != *y) {
        return *x < *y;
    }
    if (x.has_value() != y.has_value()) {
        return x.has_value();
    }
    return std::tie(a.shortName, a.id) < std::tie(b.shortName, b.id);
}

// One trip of the chosen route, as far as the stop is concerned.
struct TripRecord {
    std::string serviceId;
    Direction direction;
    int firstSequence = INT_MAX;
    int firstTime = -1; // time at the trip's first stop
    int lastSequence = INT_MIN;
    std::vector<std::pair<int, int>> calls;      // (stop_sequence, time) at the stop
    std::vector<std::array<int, 3>> frequencies; // start, end, headway
};

struct ServedTrip {
    const TripRecord* trip;
    std::vector<int> times; // departures from the stop, seconds of the service day
};

} // namespace

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
    const int minute = (seconds / 60) % (24 * 60);
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", minute / 60, minute % 60);
    return buffer;
}

struct Feed::Impl {
    std::unique_ptr<FeedSource> source;
    std::vector<Stop> stops;
    TextMap<std::size_t> stopById;
    TextMap<std::vector<std::size_t>> childrenOf; // parent_station -> its stops
    std::vector<Route> routes;

    const Stop* stop(std::string_view id) const {
        const auto it = stopById.find(id);
        return it == stopById.end() ? nullptr : &stops[it->second];
    }

    // The station a stop belongs to, or the stop itself.
    const Stop& root(const Stop& s) const {
        const Stop* parent = s.parent.empty() ? nullptr : stop(s.parent);
        return parent ? *parent : s;
    }

    std::vector<const Stop*> children(const Stop& s) const {
        std::vector<const Stop*> result;
        if (const auto it = childrenOf.find(s.id); it != childrenOf.end()) {
            for (const std::size_t i : it->second) {
                result.push_back(&stops[i]);
            }
        }
        std::sort(result.begin(), result.end(),
                  [](const Stop* a, const Stop* b) { return a->id < b->id; });
        return result;
    }

    StopGroup group(const Stop& s) const {
        StopGroup g{s.id, s.name, {s.id}};
        for (const Stop* c : children(s)) {
            g.stopIds.push_back(c->id);
        }
        return g;
    }

    void readStops() {
        readTable(*source, "stops.txt",
                  {{"stop_id"},
                   {"stop_name", false},
                   {"parent_station", false},
                   {"location_type", false},
                   {"platform_code", false}},
                  [&](const TableRow& row) {
                      const std::optional<int> type =
                          row[3].empty() ? std::optional<int>(0) : parseNumber(row[3]);
                      stops.push_back(Stop{std::string(row[0]), std::string(row[1]),
                                           std::string(row[2]), std::string(row[4]), row[3] == "1",
                                           type && *type >= 0 && *type <= 4 ? *type : -1});
                  });
        for (std::size_t i = 0; i < stops.size(); ++i) {
            stopById.emplace(stops[i].id, i);
            if (!stops[i].parent.empty()) {
                childrenOf[stops[i].parent].push_back(i);
            }
        }
    }

    void readRoutes() {
        readTable(*source, "routes.txt",
                  {{"route_id"}, {"route_short_name", false}, {"route_long_name", false}},
                  [&](const TableRow& row) {
                      routes.push_back(
                          Route{std::string(row[0]), std::string(row[1]), std::string(row[2])});
                  });
    }

    // The services that run on `date`, from calendar.txt and calendar_dates.txt.
    TextSet servicesOn(std::chrono::year_month_day date) const {
        const bool weekly = source->contains("calendar.txt");
        const bool dated = source->contains("calendar_dates.txt");
        if (!weekly && !dated) {
            throw FeedError(Problem::BadFeed,
                            "V jízdním řádu chybí soubor calendar.txt i calendar_dates.txt.");
        }
        const int day = static_cast<int>(date.year()) * 10000 +
                        static_cast<int>(static_cast<unsigned>(date.month())) * 100 +
                        static_cast<int>(static_cast<unsigned>(date.day()));
        const unsigned weekday = std::chrono::weekday(std::chrono::sys_days(date)).iso_encoding();
        TextSet active;
        if (weekly) {
            readTable(*source, "calendar.txt",
                      {{"service_id"},
                       {"monday"},
                       {"tuesday"},
                       {"wednesday"},
                       {"thursday"},
                       {"friday"},
                       {"saturday"},
                       {"sunday"},
                       {"start_date"},
                       {"end_date"}},
                      [&](const TableRow& row) {
                          const std::optional<int> start = parseNumber(row[8]);
                          const std::optional<int> end = parseNumber(row[9]);
                          if (!start || !end) {
                              badRow("calendar.txt", row, "datum", start ? row[9] : row[8]);
                          }
                          if (*start <= day && day <= *end && row[weekday] == "1") {
                              active.emplace(row[0]);
                          }
                      });
        }
        if (dated) {
            readTable(*source, "calendar_dates.txt", {{"service_id"}, {"date"}, {"exception_type"}},
                      [&](const TableRow& row) {
                          const std::optional<int> when = parseNumber(row[1]);
                          if (!when) {
                              badRow("calendar_dates.txt", row, "datum", row[1]);
                          }
                          if (*when != day) {
                              return;
                          }
                          if (row[2] == "1") {
                              active.emplace(row[0]);
                          } else if (row[2] == "2") {
                              if (const auto it = active.find(row[0]); it != active.end()) {
                                  active.erase(it);
                              }
                          } else {
                              badRow("calendar_dates.txt", row, "exception_type", row[2]);
                          }
                      });
        }
        return active;
    }

    // Every trip of `route` with its departures from `stop`; stop_times.txt
    // is streamed once and only the route's trips are kept.
    std::pair<TextMap<TripRecord>, std::vector<ServedTrip>> serve(const StopGroup& stop,
                                                                  const Route& route) const {
        TextMap<TripRecord> trips;
        readTable(*source, "trips.txt",
                  {{"route_id"},
                   {"service_id"},
                   {"trip_id"},
                   {"trip_headsign", false},
                   {"direction_id", false}},
                  [&](const TableRow& row) {
                      if (row[0] == route.id) {
                          TripRecord& trip = trips[std::string(row[2])];
                          trip.serviceId = row[1];
                          trip.direction = Direction{std::string(row[4]), std::string(row[3])};
                      }
                  });
        const TextSet stopIds(stop.stopIds.begin(), stop.stopIds.end());
        readTable(*source, "stop_times.txt",
                  {{"trip_id"},
                   {"stop_id"},
                   {"stop_sequence"},
                   {"departure_time"},
                   {"arrival_time", false}},
                  [&](const TableRow& row) {
                      const auto it = trips.find(row[0]);
                      if (it == trips.end()) {
                          return;
                      }
                      TripRecord& trip = it->second;
                      const std::optional<int> sequence = parseNumber(row[2]);
                      if (!sequence) {
                          badRow("stop_times.txt", row, "stop_sequence", row[2]);
                      }
                      const std::string_view text = row[3].empty() ? row[4] : row[3];
                      std::optional<int> time;
                      if (!text.empty() && !(time = parseGtfsTime(text))) {
                          badRow("stop_times.txt", row, "čas", text);
                      }
                      if (*sequence < trip.firstSequence) {
                          trip.firstSequence = *sequence;
                          trip.firstTime = time.value_or(-1);
                      }
                      trip.lastSequence = std::max(trip.lastSequence, *sequence);
                      if (time && stopIds.contains(row[1])) {
                          trip.calls.emplace_back(*sequence, *time);
                      }
                  });
        if (source->contains("frequencies.txt")) {
            readTable(*source, "frequencies.txt",
                      {{"trip_id"}, {"start_time"}, {"end_time"}, {"headway_secs"}},
                      [&](const TableRow& row) {
                          const auto it = trips.find(row[0]);
                          if (it == trips.end()) {
                              return;
                          }
                          const std::optional<int> start = parseGtfsTime(row[1]);
                          const std::optional<int> end = parseGtfsTime(row[2]);
                          const std::optional<int> headway = parseNumber(row[3]);
                          if (!start || !end) {
                              badRow("frequencies.txt", row, "čas", start ? row[2] : row[1]);
                          }
                          if (!headway || *headway <= 0) {
                              badRow("frequencies.txt", row, "headway_secs", row[3]);
                          }
                          it->second.frequencies.push_back({*start, *end, *headway});
                      });
        }
        std::vector<ServedTrip> served;
        for (const auto& [id, trip] : trips) {
            ServedTrip s{&trip, {}};
            for (const auto& [sequence, time] : trip.calls) {
                if (sequence == trip.lastSequence) {
                    continue; // the trip ends here: an arrival, not a departure
                }
                if (trip.frequencies.empty()) {
                    s.times.push_back(time);
                    continue;
                }
                if (trip.firstTime < 0) {
                    continue; // no time at the first stop to count the offset from
                }
                const int offset = time - trip.firstTime;
                for (const auto& [start, end, headway] : trip.frequencies) {
                    for (int t = start; t < end; t += headway) {
                        s.times.push_back(t + offset);
                    }
                }
            }
            if (!s.times.empty()) {
                served.push_back(std::move(s));
            }
        }
        return {std::move(trips), std::move(served)};
    }
};

Feed::Feed(std::unique_ptr<FeedSource> source) : d_(std::make_unique<Impl>()) {
    d_->source = std::move(source);
    d_->readStops();
    d_->readRoutes();
    for (const char* required : {"trips.txt", "stop_times.txt"}) {
        if (!d_->source->contains(required)) {
            throw FeedError(Problem::BadFeed,
                            std::string("V jízdním řádu chybí soubor ") + required + ".");
        }
    }
}

Feed::~Feed() = default;

const std::vector<Stop>& Feed::stops() const {
    return d_->stops;
}

const std::vector<Route>& Feed::routes() const {
    return d_->routes;
}

const FeedSource& Feed::source() const {
    return *d_->source;
}

std::vector<const Stop*> Feed::stopsMatching(std::string_view text) const {
    std::vector<const Stop*> roots;
    for (const Stop& s : d_->stops) {
        if (containsIgnoringCase(s.name, text)) {
            const Stop* r = &d_->root(s);
            if (std::find(roots.begin(), roots.end(), r) == roots.end()) {
                roots.push_back(r);
            }
        }
    }
    std::sort(roots.begin(), roots.end(), [](const Stop* a, const Stop* b) {
        return std::tie(a->name, a->id) < std::tie(b->name, b->id);
    });
    std::vector<const Stop*> result;
    for (const Stop* r : roots) {
        result.push_back(r);
        for (const Stop* c : d_->children(*r)) {
            result.push_back(c);
        }
    }
    return result;
}

StopGroup Feed::findStop(std::string_view idOrName) const {
    if (const Stop* s = d_->stop(idOrName)) {
        return d_->group(*s);
    }
    std::vector<const Stop*> roots;
    for (const Stop& s : d_->stops) {
        if (equalIgnoringCase(s.name, idOrName)) {
            const Stop* r = &d_->root(s);
            if (std::find(roots.begin(), roots.end(), r) == roots.end()) {
                roots.push_back(r);
            }
        }
    }
    if (roots.empty()) {
        throw FeedError(Problem::NotFound, "Zastávka " + quoted(idOrName) +
                                               " v jízdním řádu není (viz --list-stops).");
    }
    if (roots.size() > 1) {
        std::string list;
        for (const Stop* r : roots) {
            list += (list.empty() ? "" : ", ") + r->id + " (" + r->name +
                    (r->platformCode.empty() ? "" : ", nástupiště " + r->platformCode) + ")";
        }
        throw FeedError(Problem::Ambiguous, "Názvu " + quoted(idOrName) +
                                                " odpovídá více zastávek: " + list +
                                                "; zadejte jednu z nich podle id.");
    }
    return d_->group(*roots.front());
}

Route Feed::findRoute(std::string_view idOrShortName) const {
    std::vector<const Route*> matches;
    for (const Route& r : d_->routes) {
        if (r.id == idOrShortName) {
            return r;
        }
        if (equalIgnoringCase(r.shortName, idOrShortName)) {
            matches.push_back(&r);
        }
    }
    if (matches.empty()) {
        throw FeedError(Problem::NotFound, "Linka " + quoted(idOrShortName) +
                                               " v jízdním řádu není (viz --list-routes).");
    }
    if (matches.size() > 1) {
        std::string list;
        for (const Route* r : matches) {
            list += (list.empty() ? "" : ", ") + r->id + " (" + r->longName + ")";
        }
        throw FeedError(Problem::Ambiguous, "Názvu " + quoted(idOrShortName) +
                                                " odpovídá více linek: " + list +
                                                "; zadejte jednu z nich podle id.");
    }
    return *matches.front();
}

std::vector<Route> Feed::routesAt(const StopGroup& stop) const {
    const TextSet stopIds(stop.stopIds.begin(), stop.stopIds.end());
    TextSet tripIds;
    readTable(*d_->source, "stop_times.txt", {{"trip_id"}, {"stop_id"}}, [&](const TableRow& row) {
        if (stopIds.contains(row[1]) && !tripIds.contains(row[0])) {
            tripIds.emplace(row[0]);
        }
    });
    TextSet routeIds;
    readTable(*d_->source, "trips.txt", {{"route_id"}, {"trip_id"}}, [&](const TableRow& row) {
        if (tripIds.contains(row[1]) && !routeIds.contains(row[0])) {
            routeIds.emplace(row[0]);
        }
    });
    std::vector<Route> result;
    for (const Route& r : d_->routes) {
        if (routeIds.contains(r.id)) {
            result.push_back(r);
        }
    }
    std::sort(result.begin(), result.end(), routeBefore);
    return result;
}

std::vector<Direction> Feed::directionsAt(const StopGroup& stop, const Route& route) const {
    const auto [trips, served] = d_->serve(stop, route);
    std::vector<Direction> result;
    for (const ServedTrip& s : served) {
        if (std::find(result.begin(), result.end(), s.trip->direction) == result.end()) {
            result.push_back(s.trip->direction);
        }
    }
    std::sort(result.begin(), result.end(), [](const Direction& a, const Direction& b) {
        return std::tie(a.id, a.headsign) < std::tie(b.id, b.headsign);
    });
    return result;
}

Feed::Departures Feed::departures(const StopGroup& stop, const Route& route,
                                  std::string_view direction,
                                  std::chrono::year_month_day date) const {
    const auto [trips, served] = d_->serve(stop, route);
    std::vector<Direction> all;
    for (const ServedTrip& s : served) {
        if (std::find(all.begin(), all.end(), s.trip->direction) == all.end()) {
            all.push_back(s.trip->direction);
        }
    }
    const std::string routeName = route.shortName.empty() ? route.id : route.shortName;
    if (all.empty()) {
        throw FeedError(Problem::NoDepartures,
                        "Linka " + routeName + " ze zastávky " + stop.name + " neodjíždí.");
    }
    std::vector<Direction> chosen;
    if (direction.empty()) {
        if (all.size() > 1) {
            std::string list;
            for (const Direction& d : all) {
                list += (list.empty() ? "" : ", ") + d.headsign + " (" + d.id + ")";
            }
            throw FeedError(Problem::Ambiguous, "Linka " + routeName + " jede ze zastávky " +
                                                    stop.name + " více směry: " + list +
                                                    "; zvolte jeden přes --direction.");
        }
        chosen = all;
    } else {
        for (const Direction& d : all) {
            if (equalIgnoringCase(d.headsign, direction)) {
                chosen.push_back(d);
            }
        }
        if (chosen.empty()) {
            for (const Direction& d : all) {
                if (d.id == direction) {
                    chosen.push_back(d);
                }
            }
        }
        if (chosen.empty()) {
            throw FeedError(Problem::NotFound, "Linka " + routeName + " nejede ze zastávky " +
                                                   stop.name + " směrem " + quoted(direction) +
                                                   " (viz --list-directions).");
        }
    }
    const TextSet services = d_->servicesOn(date);
    std::set<int> minutes;
    std::map<std::string, std::size_t> headsignCounts;
    for (const ServedTrip& s : served) {
        if (std::find(chosen.begin(), chosen.end(), s.trip->direction) == chosen.end() ||
            !services.contains(s.trip->serviceId)) {
            continue;
        }
        headsignCounts[s.trip->direction.headsign] += s.times.size();
        for (const int t : s.times) {
            minutes.insert((t / 60) % (24 * 60));
        }
    }
    Departures result;
    result.direction = chosen.front();
    std::size_t best = 0;
    for (const auto& [headsign, count] : headsignCounts) {
        if (count > best) {
            best = count;
            result.direction.headsign = headsign;
        }
    }
    if (minutes.empty()) {
        throw FeedError(Problem::NoDepartures, "Dne " + dateText(date) + " linka " + routeName +
                                                   " ze zastávky " + stop.name + " směr " +
                                                   result.direction.headsign + " nejede.");
    }
    for (const int m : minutes) {
        result.times.push_back(dayTimeText(m * 60));
    }
    return result;
}

} // namespace kvapomer::gtfs
