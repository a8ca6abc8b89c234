#include "gtfs_import/queries/destination.h"

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/table_reading.h"
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

constexpr std::size_t kWarningLines = 10;

// One route going there: its departures and the calendar of their services.
struct Going {
    Route route;
    RouteDepartures found;
    ServiceCalendar calendar;
};

struct Answer {
    std::vector<Going> going; // in route order
    std::vector<std::string> warnings;
};

std::string placeText(const StopPlace& place) {
    return shown(place.stop->name);
}

Answer ask(const Feed& feed, const StopPlace& stop, const StopPlace& to,
           const std::vector<Route>& named, bool keepTrips = false) {
    std::vector<std::string> routeIds;
    for (const Route& r : named) {
        routeIds.push_back(r.id);
    }
    std::vector<RouteDeparturesOf> found = collectDeparturesTo(
        feed.source(), callingStopIds(stop), callingStopIds(to), routeIds, keepTrips);
    std::map<std::string, const Route*> byId;
    for (const Route& r : feed.routes()) {
        byId.try_emplace(r.id, &r);
    }
    Answer answer;
    for (RouteDeparturesOf& of : found) {
        const auto route = byId.find(of.routeId);
        const bool departs = std::find(of.departures.departs.begin(), of.departures.departs.end(),
                                       true) != of.departures.departs.end();
        if (route == byId.end() || !departs) {
            if (!named.empty()) {
                const Route shownRoute =
                    route == byId.end() ? Route{of.routeId, {}, {}} : *route->second;
                throw FeedError(Problem::NotFound, "Linka " + routeName(shownRoute) +
                                                       " nejede ze zastávky " + placeText(stop) +
                                                       " do zastávky " + placeText(to) + ".");
            }
            continue;
        }
        ServiceCalendar calendar(feed.source(), of.departures.serviceIds);
        answer.going.push_back({*route->second, std::move(of.departures), std::move(calendar)});
    }
    std::stable_sort(answer.going.begin(), answer.going.end(),
                     [](const Going& a, const Going& b) { return routeBefore(a.route, b.route); });
    std::size_t more = 0;
    for (const Going& g : answer.going) {
        for (const RouteDepartures::Note& note : g.found.notes) {
            if (answer.warnings.size() < kWarningLines) {
                answer.warnings.push_back(note.text);
            } else {
                ++more;
            }
        }
    }
    if (more > 0) {
        answer.warnings.push_back("… a " + std::to_string(more) +
                                  " dalších upozornění k jízdnímu řádu.");
    }
    return answer;
}

DayMinutes minutesOn(const Going& g, sys_days date) {
    DayMinutes result;
    for (const RouteDepartures::Slot& slot : g.found.slots) {
        std::size_t count = 0;
        result |= slot.minutes.on(
            date, [&](sys_days day) { return g.calendar.runs(slot.service, day); }, count);
    }
    return result;
}

// The departures of a date in minute order, a minute of two routes once for
// each in their order; the route of each.
void merge(const std::vector<DayMinutes>& perRoute, DayList& list, LineOfDepartures& of) {
    for (int m = 0; m < kMinutesPerDay; ++m) {
        for (std::size_t r = 0; r < perRoute.size(); ++r) {
            if (perRoute[r][static_cast<std::size_t>(m)]) {
                list.push_back(m);
                of.push_back(static_cast<std::uint8_t>(r));
            }
        }
    }
}

std::vector<Route> routesOf(const Answer& answer) {
    std::vector<Route> routes;
    for (const Going& g : answer.going) {
        routes.push_back(g.route);
    }
    return routes;
}

QStringList lineNames(const std::vector<Route>& routes) {
    QStringList names;
    if (routes.size() > 1) {
        for (const Route& r : routes) {
            const std::string_view number = routeNumber(r);
            names.push_back(
                QString::fromUtf8(number.data(), static_cast<qsizetype>(number.size())));
        }
    }
    return names;
}

[[noreturn]] void noneGoes(const StopPlace& stop, const StopPlace& to) {
    throw FeedError(Problem::NoDepartures, noLineGoes(stop, to));
}

[[noreturn]] void noneOn(sys_days date, const StopPlace& stop, const StopPlace& to) {
    throw FeedError(Problem::NoDepartures, "Dne " + dateText(date) + " ze zastávky " +
                                               placeText(stop) + " do zastávky " + placeText(to) +
                                               " nic nejede.");
}

void checkLines(const Answer& answer) {
    if (answer.going.size() > static_cast<std::size_t>(kMaxDepartureLines)) {
        throw FeedError(Problem::BadFeed, "Tam jede víc než " + std::to_string(kMaxDepartureLines) +
                                              " linek; vyberte některé přes --route.");
    }
}

} // namespace

std::string noLineGoes(const StopPlace& stop, const StopPlace& to) {
    return "Ze zastávky " + placeText(stop) + " do zastávky " + placeText(to) +
           " žádná linka nejede.";
}

std::vector<Route> routesTo(const Feed& feed, const StopPlace& stop, const StopPlace& to,
                            const std::vector<Route>& named) {
    return routesOf(ask(feed, stop, to, named));
}

DeparturesTo datedDeparturesTo(const Feed& feed, const StopPlace& stop, const StopPlace& to,
                               const std::vector<Route>& named, sys_days from, int maxDays) {
    const Answer answer = ask(feed, stop, to, named);
    if (answer.going.empty()) {
        noneGoes(stop, to);
    }
    checkLines(answer);
    sys_days first = from;
    bool anyCalendar = false;
    for (const Going& g : answer.going) {
        if (const std::optional<sys_days> f = g.calendar.firstDate()) {
            first = anyCalendar ? std::min(first, *f) : *f;
            anyCalendar = true;
        }
    }
    first = std::max(from, first);
    const std::size_t count = static_cast<std::size_t>(std::clamp(maxDays, 1, 65535));
    std::vector<std::vector<DayMinutes>> perDay(count);
    std::size_t covered = 0;
    for (std::size_t i = 0; i < count; ++i) {
        for (const Going& g : answer.going) {
            perDay[i].push_back(minutesOn(g, first + days(static_cast<int>(i))));
            if (perDay[i].back().any()) {
                covered = i + 1;
            }
        }
    }
    DeparturesTo result;
    result.routes = routesOf(answer);
    DatedDepartures& dated = result.dated;
    dated.first = first;
    dated.direction = Direction{{}, to.stop->name};
    dated.warnings = answer.warnings;
    dated.lineNames = lineNames(result.routes);
    if (covered == 0) {
        throw FeedError(Problem::NoDepartures,
                        "Od " + dateText(first) + " ze zastávky " + placeText(stop) +
                            " do zastávky " + placeText(to) + " podle jízdního řádu nic nejede.");
    }
    std::map<std::pair<DayList, LineOfDepartures>, std::uint16_t> known;
    for (std::size_t i = 0; i < covered; ++i) {
        std::pair<DayList, LineOfDepartures> day;
        merge(perDay[i], day.first, day.second);
        if (dated.lineNames.isEmpty()) {
            day.second.clear();
        }
        const auto [at, added] =
            known.try_emplace(std::move(day), static_cast<std::uint16_t>(dated.lists.size()));
        if (added) {
            dated.lists.push_back(at->first.first);
            if (!dated.lineNames.isEmpty()) {
                dated.lineOf.push_back(at->first.second);
            }
        }
        dated.days.push_back(at->second);
    }
    return result;
}

DayDeparturesTo departuresTo(const Feed& feed, const StopPlace& stop, const StopPlace& to,
                             const std::vector<Route>& named, std::chrono::year_month_day date) {
    const Answer answer = ask(feed, stop, to, named);
    if (answer.going.empty()) {
        noneGoes(stop, to);
    }
    checkLines(answer);
    std::vector<DayMinutes> perRoute;
    for (const Going& g : answer.going) {
        perRoute.push_back(minutesOn(g, sys_days(date)));
    }
    DayDeparturesTo result;
    result.routes = routesOf(answer);
    result.warnings = answer.warnings;
    DayList list;
    LineOfDepartures of;
    merge(perRoute, list, of);
    if (list.empty()) {
        noneOn(sys_days(date), stop, to);
    }
    for (const int m : list) {
        result.times.push_back(minuteText(m));
    }
    result.lines.names = lineNames(result.routes);
    if (!result.lines.names.isEmpty()) {
        result.lines.of = std::move(of);
    }
    return result;
}

std::vector<ScheduledDeparture> scheduledTo(const Feed& feed, const StopPlace& stop,
                                            const StopPlace& to, const std::vector<Route>& named,
                                            sys_days date) {
    const Answer answer = ask(feed, stop, to, named, true);
    ScheduledDay day(stop, date);
    for (const Going& g : answer.going) {
        const std::string number(routeNumber(g.route));
        for (const RouteDepartures::Trip& trip : g.found.trips) {
            day.add(trip, g.calendar, number);
        }
    }
    return day.take();
}

DayDeparturesTo departuresOnDate(const DeparturesTo& found, const StopPlace& stop,
                                 const StopPlace& to, sys_days date) {
    const DatedDepartures& dated = found.dated;
    const std::vector<int> list = listOn(dated, date);
    if (list.empty()) {
        noneOn(date, stop, to);
    }
    DayDeparturesTo result;
    result.routes = found.routes;
    result.warnings = dated.warnings;
    for (const int m : list) {
        result.times.push_back(minuteText(m));
    }
    // listOn found the date inside the period.
    result.lines =
        dated.linesOf(dated.days[static_cast<std::size_t>((date - dated.first).count())]);
    return result;
}

} // namespace kvapomer::gtfs
