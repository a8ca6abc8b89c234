#include "gtfs_import/queries/feed.h"

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/table_reading.h"
#include "gtfs_import/feed/text_match.h"
#include "gtfs_import/index/departures_index.h"
#include "gtfs_import/index/service_calendar.h"
#include "gtfs_import/index/service_day.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace kvapomer::gtfs {

namespace {

using std::chrono::days;
using std::chrono::sys_days;

// Warnings shown one to a line; beyond these, a count of the rest.
constexpr std::size_t kWarningLines = 10;

} // namespace

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

std::string routeName(const Route& route) {
    return shown(routeNumber(route));
}

std::vector<const Stop*> callingStops(const StopPlace& place) {
    std::vector<const Stop*> result{place.stop};
    result.insert(result.end(), place.platforms.begin(), place.platforms.end());
    return result;
}

std::vector<std::string> callingStopIds(const StopPlace& place) {
    std::vector<std::string> result;
    for (const Stop* s : callingStops(place)) {
        result.push_back(s->id);
    }
    return result;
}

std::vector<int> listOn(const DatedDepartures& dated, sys_days date) {
    const auto i = (date - dated.first).count();
    if (i < 0 || i >= static_cast<long>(dated.days.size())) {
        return {};
    }
    return dated.lists[dated.days[static_cast<std::size_t>(i)]];
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

    StopPlace group(const Stop& s) const { return StopPlace{&s, children(s)}; }

    void readStops() {
        readTable(*source, "stops.txt",
                  {{"stop_id"},
                   {"stop_name", false},
                   {"parent_station", false},
                   {"location_type", false},
                   {"platform_code", false},
                   {"stop_code", false}},
                  [&](const TableRow& row) {
                      const std::optional<int> type =
                          row[3].empty() ? std::optional<int>(0) : parseNumber(row[3]);
                      stops.push_back(Stop{std::string(row[0]), std::string(row[1]),
                                           std::string(row[2]), std::string(row[4]), row[3] == "1",
                                           type && *type >= 0 && *type <= 4 ? *type : -1,
                                           std::string(row[5])});
                      // Indexed as it is read, so that the index is in what the
                      // table's watch over the heap sees.
                      const std::size_t i = stops.size() - 1;
                      stopById.emplace(stops[i].id, i);
                      if (!stops[i].parent.empty()) {
                          childrenOf[stops[i].parent].push_back(i);
                      }
                  });
    }

    void readRoutes() {
        readTable(*source, "routes.txt",
                  {{"route_id"}, {"route_short_name", false}, {"route_long_name", false}},
                  [&](const TableRow& row) {
                      routes.push_back(
                          Route{std::string(row[0]), std::string(row[1]), std::string(row[2])});
                  });
    }

    // What the route's trips give at the stop, with the directions the user
    // chose there and the calendar of their services.
    struct Answer {
        RouteDepartures found;
        std::vector<bool> chosen; // by direction
        Direction direction;      // the first chosen one
        ServiceCalendar calendar;
        std::vector<std::string> warnings;
    };

    Answer answer(const StopPlace& stop, const Route& route, std::string_view direction,
                  bool keepTrips = false) const {
        RouteDepartures found =
            collectDepartures(*source, callingStopIds(stop), route.id, keepTrips);
        std::vector<bool> chosen(found.directions.size(), false);
        std::vector<std::size_t> departing;
        for (std::size_t d = 0; d < found.directions.size(); ++d) {
            if (found.departs[d]) {
                departing.push_back(d);
            }
        }
        if (departing.empty()) {
            throw FeedError(Problem::NoDepartures, "Linka " + routeName(route) + " ze zastávky " +
                                                       shown(stop.stop->name) + " neodjíždí.");
        }
        if (direction.empty()) {
            if (departing.size() > 1) {
                const std::string list = listed(departing, [&](std::size_t d) {
                    return shown(found.directions[d].headsign) + " (" +
                           shown(found.directions[d].id) + ")";
                });
                throw FeedError(Problem::Ambiguous,
                                "Linka " + routeName(route) + " jede ze zastávky " +
                                    shown(stop.stop->name) + " více směry: " + list +
                                    "; zvolte jeden přes --direction.");
            }
            chosen[departing.front()] = true;
        } else {
            for (const std::size_t d : departing) {
                chosen[d] = equalIgnoringCase(found.directions[d].headsign, direction);
            }
            if (std::find(chosen.begin(), chosen.end(), true) == chosen.end()) {
                for (const std::size_t d : departing) {
                    chosen[d] = found.directions[d].id == direction;
                }
            }
        }
        const auto first = std::find(chosen.begin(), chosen.end(), true);
        if (first == chosen.end()) {
            throw FeedError(Problem::NotFound, "Linka " + routeName(route) +
                                                   " nejede ze zastávky " + shown(stop.stop->name) +
                                                   " směrem " + quoted(direction) +
                                                   " (viz --list-directions).");
        }
        const Direction firstChosen =
            found.directions[static_cast<std::size_t>(first - chosen.begin())];
        std::vector<std::string> warnings;
        std::size_t more = 0;
        for (const RouteDepartures::Note& note : found.notes) {
            if (!chosen[note.direction]) {
                continue;
            }
            if (warnings.size() < kWarningLines) {
                warnings.push_back(note.text);
            } else {
                ++more;
            }
        }
        if (more > 0) {
            warnings.push_back("… a " + std::to_string(more) +
                               " dalších upozornění k jízdnímu řádu.");
        }
        ServiceCalendar calendar(*source, found.serviceIds);
        return Answer{std::move(found), std::move(chosen), firstChosen, std::move(calendar),
                      std::move(warnings)};
    }

    // The minutes at which the chosen directions depart on `date`; adds the
    // number of departures to the count of each headsign.
    static DayMinutes minutesOn(const Answer& a, sys_days date,
                                std::map<std::string, std::size_t>& perHeadsign) {
        DayMinutes result;
        for (const RouteDepartures::Slot& slot : a.found.slots) {
            if (!a.chosen[slot.direction]) {
                continue;
            }
            std::size_t count = 0;
            result |= slot.minutes.on(
                date, [&](sys_days day) { return a.calendar.runs(slot.service, day); }, count);
            if (count > 0) {
                perHeadsign[a.found.directions[slot.direction].headsign] += count;
            }
        }
        return result;
    }

    // The chosen direction named by its most frequent headsign.
    static Direction mostFrequent(const Answer& a,
                                  const std::map<std::string, std::size_t>& perHeadsign) {
        Direction result = a.direction;
        std::size_t best = 0;
        for (const auto& [headsign, count] : perHeadsign) {
            if (count > best) {
                best = count;
                result.headsign = headsign;
            }
        }
        return result;
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

StopPlace Feed::findStop(std::string_view idOrName) const {
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
        const std::string list = listed(roots, [](const Stop* r) {
            return shown(r->id) + " (" + shown(r->name) +
                   (r->platformCode.empty() ? "" : ", nástupiště " + shown(r->platformCode)) + ")";
        });
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
        const std::string list = listed(
            matches, [](const Route* r) { return shown(r->id) + " (" + shown(r->longName) + ")"; });
        throw FeedError(Problem::Ambiguous, "Názvu " + quoted(idOrShortName) +
                                                " odpovídá více linek: " + list +
                                                "; zadejte jednu z nich podle id.");
    }
    return *matches.front();
}

std::vector<Direction> Feed::directionsAt(const StopPlace& stop, const Route& route) const {
    const RouteDepartures found = collectDepartures(*d_->source, callingStopIds(stop), route.id);
    std::vector<Direction> result;
    for (std::size_t d = 0; d < found.directions.size(); ++d) {
        if (found.departs[d]) {
            result.push_back(found.directions[d]);
        }
    }
    return result;
}

Feed::Departures Feed::departures(const StopPlace& stop, const Route& route,
                                  std::string_view direction,
                                  std::chrono::year_month_day date) const {
    const Impl::Answer a = d_->answer(stop, route, direction);
    std::map<std::string, std::size_t> perHeadsign;
    const DayMinutes minutes = Impl::minutesOn(a, sys_days(date), perHeadsign);
    Departures result{Impl::mostFrequent(a, perHeadsign), {}, a.warnings};
    if (minutes.none()) {
        throw FeedError(Problem::NoDepartures, "Dne " + dateText(sys_days(date)) + " linka " +
                                                   routeName(route) + " ze zastávky " +
                                                   shown(stop.stop->name) + " směr " +
                                                   shown(result.direction.headsign) + " nejede.");
    }
    for (int m = 0; m < kMinutesPerDay; ++m) {
        if (minutes[static_cast<std::size_t>(m)]) {
            result.times.push_back(minuteText(m));
        }
    }
    return result;
}

ScheduledDay::ScheduledDay(const StopPlace& stop, sys_days date)
    : placeName_(shown(stop.stop->name)), stopIds_(callingStopIds(stop)), date_(date) {}

void ScheduledDay::add(const RouteDepartures::Trip& trip, const ServiceCalendar& calendar,
                       const std::string& route) {
    for (int back = 0; back <= 2; ++back) {
        const sys_days serviceDay = date_ - days(back);
        if (!calendar.runs(trip.service, serviceDay)) {
            continue;
        }
        const TripTimes& times = trip.times;
        for (std::size_t i = 0; i < times.departures.size(); ++i) {
            if (back > 0 && dateOf(serviceDay, times.departures[i]) != date_) {
                continue;
            }
            if (calls_.size() == kMostScheduledPerDay) {
                throw FeedError(Problem::BadFeed, "Ze zastávky " + placeName_ + " by dne " +
                                                      dateText(date_) +
                                                      " odjelo víc než 20 000 spojů.");
            }
            calls_.push_back({trip.id, serviceDay, times.sequences[i], times.departures[i], route,
                              stopIds_[times.stops[i]]});
        }
    }
}

std::vector<ScheduledDeparture> ScheduledDay::take() {
    std::sort(calls_.begin(), calls_.end(),
              [](const ScheduledDeparture& x, const ScheduledDeparture& y) {
                  return std::tie(x.serviceDay, x.departure, x.tripId, x.sequence) <
                         std::tie(y.serviceDay, y.departure, y.tripId, y.sequence);
              });
    return std::move(calls_);
}

std::vector<ScheduledDeparture> Feed::scheduledOn(const StopPlace& stop,
                                                  const std::vector<Route>& routes,
                                                  std::string_view direction, sys_days date) const {
    ScheduledDay day(stop, date);
    for (const Route& route : routes) {
        const Impl::Answer a = d_->answer(stop, route, direction, true);
        const std::string name = routeName(route);
        for (const RouteDepartures::Trip& trip : a.found.trips) {
            if (a.chosen[trip.direction]) {
                day.add(trip, a.calendar, name);
            }
        }
    }
    return day.take();
}

std::string Feed::timeZone() const {
    std::string zone;
    if (!d_->source->contains("agency.txt")) {
        return zone;
    }
    bool first = true;
    readTable(*d_->source, "agency.txt", {{"agency_timezone", false}}, [&](const TableRow& row) {
        if (first) {
            zone = std::string(row[0]);
            first = false;
        }
    });
    return zone;
}

DatedDepartures Feed::datedDepartures(const StopPlace& stop, const Route& route,
                                      std::string_view direction, sys_days from,
                                      int maxDays) const {
    const Impl::Answer a = d_->answer(stop, route, direction);
    const sys_days first = std::max(from, a.calendar.firstDate().value_or(from));
    const std::size_t count = static_cast<std::size_t>(std::clamp(maxDays, 1, 65535));
    std::vector<DayMinutes> perDay(count);
    std::map<std::string, std::size_t> perHeadsign;
    std::size_t covered = 0;
    for (std::size_t i = 0; i < count; ++i) {
        perDay[i] = Impl::minutesOn(a, first + days(static_cast<int>(i)), perHeadsign);
        if (perDay[i].any()) {
            covered = i + 1;
        }
    }
    DatedDepartures result{{first, {}, {}, {}, {}}, Impl::mostFrequent(a, perHeadsign), a.warnings};
    if (covered == 0) {
        throw FeedError(Problem::NoDepartures,
                        "Od " + dateText(first) + " linka " + routeName(route) + " ze zastávky " +
                            shown(stop.stop->name) + " směr " + shown(result.direction.headsign) +
                            " podle jízdního řádu nejede.");
    }
    std::map<std::vector<int>, std::uint16_t> known;
    for (std::size_t i = 0; i < covered; ++i) {
        std::vector<int> list;
        for (int m = 0; m < kMinutesPerDay; ++m) {
            if (perDay[i][static_cast<std::size_t>(m)]) {
                list.push_back(m);
            }
        }
        const auto [at, added] =
            known.try_emplace(std::move(list), static_cast<std::uint16_t>(result.lists.size()));
        if (added) {
            result.lists.push_back(at->first);
        }
        result.days.push_back(at->second);
    }
    return result;
}

} // namespace kvapomer::gtfs
