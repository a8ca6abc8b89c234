#include "gtfs_import/index/departures_index.h"

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/gtfs_time.h"
#include "gtfs_import/feed/table_reading.h"
#include "gtfs_import/index/boarding.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <tuple>
#include <unordered_map>

namespace kvapomer::gtfs {

namespace {

// A trip with more calls than this is no timetable any vehicle keeps.
constexpr std::uint32_t kMostCallsPerTrip = 100'000;
// Calls held at once for trips whose rows are scattered through the file.
constexpr std::size_t kScatteredCallsAtOnce = 2'000'000;
// Limits no real feed comes near, keeping the memory and the time bounded:
// the trips of a route, the services and directions they make up, the rows
// of frequencies.txt for them, and the runs of departures these give.
constexpr std::size_t kMostTripsPerRoute = 400'000;
constexpr std::size_t kMostSlots = 100'000;
constexpr std::size_t kMostFrequencyRows = 1'000'000;
constexpr std::size_t kMostFrequencyRuns = 100'000;

std::string clockText(std::int64_t seconds) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return buffer;
}

// A time of a service day, checked to lie before 72:00:00.
int serviceTime(const char* file, long rowNumber, std::string_view text) {
    const std::optional<int> time = parseGtfsTime(text);
    if (!time) {
        throw FeedError(Problem::BadFeed, std::string("Soubor ") + file + ": řádek " +
                                              std::to_string(rowNumber) + " má neplatný čas " +
                                              quoted(text) + ".");
    }
    if (*time >= kServiceDayEnd) {
        throw FeedError(Problem::BadFeed, std::string("Soubor ") + file + ": řádek " +
                                              std::to_string(rowNumber) + " má čas " +
                                              quoted(text) + ", nejvýše lze 71:59:59.");
    }
    return *time;
}

double distance(std::string_view text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::numeric_limits<double>::quiet_NaN(); // then by stop order
    }
    return value;
}

enum class Rows : std::uint8_t {
    Unread,    // none seen yet
    Read,      // seen together, summed up in `times`
    Scattered, // seen apart from each other: read again at the end
};

struct TripRecord {
    std::uint32_t route = 0; // of the routes asked about
    std::uint32_t direction = 0;
    std::uint32_t service = 0;
    std::uint32_t rowCount = 0;
    std::uint32_t place = 0; // among the trips asked about, in the order of trips.txt
    Rows rows = Rows::Unread;
    TripTimes times;
};

using Trips = TextMap<TripRecord>;
// The trips asked about in the order of trips.txt.
using TripOrder = std::vector<Trips::value_type*>;
// start, end, headway of each row of frequencies.txt for a trip
using Frequencies = std::unordered_map<const TripRecord*, std::vector<std::array<int, 3>>>;

const std::vector<Column> kStopTimeColumns{{"trip_id"},
                                           {"stop_id"},
                                           {"stop_sequence"},
                                           {"departure_time"},
                                           {"arrival_time", false},
                                           pickupColumn(),
                                           {"shape_dist_traveled", false},
                                           dropOffColumn()};

// The stops asked about: where to board, and where to get off (none: anywhere).
constexpr std::uint8_t kBoardingStop = 1;
constexpr std::uint8_t kDestinationStop = 2;
class StopSets {
public:
    // What one of them is, and for a stop to board at its place in the ids asked about.
    struct Place {
        std::uint8_t which = 0;
        std::uint32_t stop = 0;
    };

    StopSets(const std::vector<std::string>& from, const std::vector<std::string>& to)
        : toDestination_(!to.empty()) {
        for (std::size_t i = 0; i < from.size(); ++i) {
            Place& place = places_[from[i]];
            if ((place.which & kBoardingStop) == 0) {
                place = {kBoardingStop, static_cast<std::uint32_t>(i)};
            }
        }
        for (const std::string& id : to) {
            places_[id].which |= kDestinationStop;
        }
        if (places_.size() <= kFewPlaces) {
            few_.assign(places_.begin(), places_.end());
        }
    }

    bool toDestination() const { return toDestination_; }

    // Which of the stops asked about `stopId` is: kBoardingStop, kDestinationStop, both or none.
    Place at(std::string_view stopId) const {
        if (places_.size() <= kFewPlaces) { // faster than hashing each row's id
            for (const auto& [id, which] : few_) {
                // numbered ids mostly differ in their last character
                if (id.size() == stopId.size() && (id.empty() || id.back() == stopId.back()) &&
                    id == stopId) {
                    return which;
                }
            }
            return {};
        }
        const auto it = places_.find(stopId);
        return it == places_.end() ? Place{} : it->second;
    }

private:
    static constexpr std::size_t kFewPlaces = 8;
    bool toDestination_;
    TextMap<Place> places_;
    std::vector<std::pair<std::string, Place>> few_;
};

// What a row of stop_times.txt says of a call, still as text.
struct CallFields {
    long number = 0; // of the row
    std::string_view sequence;
    std::string_view time; // departure, or else arrival
    std::string_view distance;
    std::uint8_t at = 0;    // which of the stops asked about it is at
    std::uint32_t stop = 0; // the boarding stop's place in the ids asked about
    bool boardable = true;  // pickup
    bool alighting = true;  // drop-off, toward a destination
};

// Pickup and drop-off count only at the stops asked about (tripTimes).
CallFields fieldsOf(const TableRow& row, const StopSets& stopIds) {
    CallFields fields;
    fields.number = row.number();
    fields.sequence = row[2];
    fields.time = row[3].empty() ? row[4] : row[3];
    fields.distance = row[6];
    const StopSets::Place place = stopIds.at(row[1]);
    fields.at = place.which;
    fields.stop = place.stop;
    if (fields.at != 0) {
        fields.boardable = pickupAllowed(row[5]);
        fields.alighting = !stopIds.toDestination() || dropOffAllowed(row[7]);
    }
    return fields;
}

Call readCall(const CallFields& fields) {
    const std::optional<int> sequence = parseNumber(fields.sequence);
    if (!sequence) {
        badRow("stop_times.txt", fields.number, "stop_sequence", fields.sequence);
    }
    Call call;
    call.sequence = *sequence;
    if (!fields.time.empty()) {
        call.time = serviceTime("stop_times.txt", fields.number, fields.time);
    }
    call.distance = distance(fields.distance);
    call.boardable = fields.boardable;
    call.atStop = (fields.at & kBoardingStop) != 0;
    call.stop = fields.stop;
    call.atDestination = (fields.at & kDestinationStop) != 0;
    call.alighting = fields.alighting;
    return call;
}

Call readCall(const TableRow& row, const StopSets& stopIds) {
    return readCall(fieldsOf(row, stopIds));
}

// The rows of the trip being read toward a destination, kept as text: only
// a trip that boards at the stop and lets passengers get off at the
// destination has its rows read into calls, as no other has a departure
// toward it.
// Copies a field of a few characters faster than a call of memcpy would:
// eight at a time, then one by one.
char* copyShort(std::string_view field, char* out) {
    const char* in = field.data();
    std::size_t left = field.size();
    for (; left >= 8; left -= 8, in += 8, out += 8) {
        std::memcpy(out, in, 8);
    }
    for (; left > 0; --left) {
        *out++ = *in++;
    }
    return out;
}

class HeldRows {
public:
    void clear() {
        used_ = 0;
        rows_.clear();
        boards_ = false;
        setsDown_ = false;
    }

    void add(const TableRow& row, const StopSets& stopIds) {
        const CallFields fields = fieldsOf(row, stopIds);
        const std::size_t size =
            fields.sequence.size() + fields.time.size() + fields.distance.size();
        if (text_.size() - used_ < size) {
            text_.resize(std::max(2 * text_.size(), used_ + size));
        }
        char* out = text_.data() + used_;
        for (const std::string_view field : {fields.sequence, fields.time, fields.distance}) {
            out = copyShort(field, out);
        }
        used_ += size;
        rows_.push_back({fields.number,
                         {static_cast<std::uint32_t>(fields.sequence.size()),
                          static_cast<std::uint32_t>(fields.time.size()),
                          static_cast<std::uint32_t>(fields.distance.size())},
                         fields.at,
                         fields.stop,
                         fields.boardable,
                         fields.alighting});
        boards_ = boards_ || ((fields.at & kBoardingStop) != 0 && fields.boardable);
        setsDown_ = setsDown_ || ((fields.at & kDestinationStop) != 0 && fields.alighting);
    }

    bool goesThere() const { return boards_ && setsDown_; }

    void readCalls(std::vector<Call>& calls) const {
        const std::string_view text(text_.data(), used_);
        std::size_t at = 0;
        const auto next = [&](std::uint32_t size) {
            const std::string_view field = text.substr(at, size);
            at += size;
            return field;
        };
        for (const Held& held : rows_) {
            const std::string_view sequence = next(held.sizes[0]);
            const std::string_view time = next(held.sizes[1]);
            const std::string_view distance = next(held.sizes[2]);
            calls.push_back(readCall({held.number, sequence, time, distance, held.at, held.stop,
                                      held.boardable, held.alighting}));
        }
    }

private:
    struct Held {
        long number;
        std::array<std::uint32_t, 3> sizes; // of its sequence, time and distance in text_
        std::uint8_t at;
        std::uint32_t stop;
        bool boardable;
        bool alighting;
    };
    std::vector<char> text_; // the first used_ characters hold the trip's rows
    std::size_t used_ = 0;
    std::vector<Held> rows_;
    bool boards_ = false;
    bool setsDown_ = false;
};

void countRow(const TableRow& row, const std::string& tripId, TripRecord& trip) {
    if (++trip.rowCount > kMostCallsPerTrip) {
        throw FeedError(Problem::BadFeed, "Soubor stop_times.txt: řádek " +
                                              std::to_string(row.number()) + ": spoj " +
                                              quoted(tripId) + " má víc než 100 000 zastavení.");
    }
}

// Reads stop_times.txt once: the rows of a trip usually follow each other,
// so each trip is summed up when its rows end. A trip whose rows turn up
// again later is read again by itself, in as few further passes as the
// memory for its calls allows.
void readStopTimes(const FeedSource& source, const StopSets& stopIds, Trips& trips,
                   const TripOrder& inOrder) {
    const bool toDestination = stopIds.toDestination();
    std::string currentId;
    Trips::value_type* current = nullptr; // a trip of the route whose rows are being read
    std::vector<Call> calls;
    HeldRows held; // toward a destination, instead of `calls` while the trip is read
    std::vector<Trips::value_type*> scattered;
    std::size_t next = 0; // in `inOrder`, after the last trip found
    const auto close = [&] {
        if (current && current->second.rows == Rows::Unread) {
            if (toDestination && held.goesThere()) {
                held.readCalls(calls);
            }
            current->second.times = tripTimes(calls, toDestination);
            current->second.rows = Rows::Read;
        }
        calls.clear();
        held.clear();
    };
    readTable(source, "stop_times.txt", kStopTimeColumns, [&](const TableRow& row) {
        if (row[0] != currentId) {
            close();
            currentId = row[0];
            // Trips mostly come in the order of trips.txt: the next one is
            // tried before the map, which is slow to search when large.
            if (next < inOrder.size() && inOrder[next]->first == currentId) {
                current = inOrder[next];
            } else {
                const auto it = trips.find(currentId);
                current = it == trips.end() ? nullptr : &*it;
            }
            next = current ? current->second.place + 1 : next;
            if (current && current->second.rows == Rows::Read) {
                current->second.rows = Rows::Scattered;
                current->second.times = {};
                scattered.push_back(current);
            }
        }
        if (!current) {
            return;
        }
        countRow(row, current->first, current->second);
        if (current->second.rows != Rows::Unread) {
            return;
        }
        if (toDestination) {
            held.add(row, stopIds);
        } else {
            calls.push_back(readCall(row, stopIds));
        }
    });
    close();

    for (std::size_t next = 0; next < scattered.size();) {
        TextMap<std::pair<TripRecord*, std::vector<Call>>> batch;
        for (std::size_t held = 0;
             next < scattered.size() &&
             (batch.empty() || held + scattered[next]->second.rowCount <= kScatteredCallsAtOnce);
             ++next) {
            held += scattered[next]->second.rowCount;
            batch.try_emplace(scattered[next]->first, &scattered[next]->second,
                              std::vector<Call>());
        }
        readTable(source, "stop_times.txt", kStopTimeColumns, [&](const TableRow& row) {
            if (const auto it = batch.find(row[0]); it != batch.end()) {
                it->second.second.push_back(readCall(row, stopIds));
            }
        });
        for (auto& [id, trip] : batch) {
            trip.first->times = tripTimes(trip.second, toDestination);
        }
    }
}

Frequencies readFrequencies(const FeedSource& source, const Trips& trips) {
    Frequencies result;
    if (!source.contains("frequencies.txt")) {
        return result;
    }
    std::size_t rows = 0;
    readTable(
        source, "frequencies.txt", {{"trip_id"}, {"start_time"}, {"end_time"}, {"headway_secs"}},
        [&](const TableRow& row) {
            const auto it = trips.find(row[0]);
            if (it == trips.end()) {
                return;
            }
            const int start = serviceTime("frequencies.txt", row.number(), row[1]);
            const int end = serviceTime("frequencies.txt", row.number(), row[2]);
            const std::optional<int> headway = parseNumber(row[3]);
            if (!headway) {
                badRow("frequencies.txt", row, "headway_secs", row[3]);
            }
            if (*headway < 1 || *headway > kSecondsPerDay) {
                throw FeedError(Problem::BadFeed, "Soubor frequencies.txt: řádek " +
                                                      std::to_string(row.number()) +
                                                      " má headway_secs " + quoted(row[3]) +
                                                      " mimo rozsah 1 až 86400.");
            }
            if (++rows > kMostFrequencyRows) {
                throw FeedError(Problem::BadFeed,
                                "Soubor frequencies.txt: řádek " + std::to_string(row.number()) +
                                    ": spoje linky mají víc než 1 000 000 řádků.");
            }
            result[&it->second].push_back({start, end, *headway});
        });
    return result;
}

} // namespace

namespace {

// The time of the blank call `i` interpolated between the timed calls around
// it, or nothing when it does not lie between two.
std::optional<int> between(const std::vector<Call>& calls, std::optional<std::size_t> before,
                           std::size_t i, std::vector<std::size_t>& after) {
    if (!before) {
        return std::nullopt;
    }
    const std::size_t n = calls.size();
    if (after.empty()) {
        after.assign(n, n);
        for (std::size_t j = n - 1; j-- > 0;) {
            after[j] = calls[j + 1].time >= 0 ? j + 1 : after[j + 1];
        }
    }
    if (after[i] == n) {
        return std::nullopt;
    }
    const Call& call = calls[i];
    const Call& a = calls[*before];
    const Call& b = calls[after[i]];
    const std::int64_t span = std::int64_t{b.time} - a.time;
    std::int64_t time = 0;
    if (a.distance < b.distance && a.distance <= call.distance &&
        call.distance <= b.distance) { // false when any of them is blank
        time = a.time + static_cast<std::int64_t>(
                            std::floor(static_cast<double>(span) * (call.distance - a.distance) /
                                       (b.distance - a.distance)));
    } else {
        time = a.time + span * static_cast<std::int64_t>(i - *before) /
                            static_cast<std::int64_t>(after[i] - *before);
    }
    return static_cast<int>(
        std::clamp<std::int64_t>(time, std::min(a.time, b.time), std::max(a.time, b.time)));
}

} // namespace

TripTimes tripTimes(std::vector<Call>& calls, bool toDestination) {
    TripTimes result;
    if (calls.empty()) {
        return result;
    }
    const auto bySequence = [](const Call& a, const Call& b) { return a.sequence < b.sequence; };
    if (!std::is_sorted(calls.begin(), calls.end(), bySequence)) {
        std::stable_sort(calls.begin(), calls.end(), bySequence);
    }
    result.firstTime = calls.front().time;
    const std::size_t n = calls.size();
    // Departures count before the last call where one may get off at the destination.
    std::size_t end = n;
    if (toDestination) {
        end = 0;
        for (std::size_t i = n; i-- > 0;) {
            if (calls[i].atDestination && calls[i].alighting) {
                end = i;
                break;
            }
        }
    }
    std::optional<std::size_t> before; // the last timed call so far
    std::vector<std::size_t> after;    // the next timed call after each, n for none; when needed
    for (std::size_t i = 0; i < end; ++i) {
        const Call& call = calls[i];
        if (call.atStop && isDeparture(call.boardable, i + 1 == n)) {
            const std::optional<int> time =
                call.time >= 0 ? std::optional(call.time) : between(calls, before, i, after);
            if (time) {
                result.departures.push_back(*time);
                result.sequences.push_back(call.sequence);
                result.stops.push_back(call.stop);
            } else {
                ++result.untimed;
            }
        }
        if (call.time >= 0) {
            before = i;
        }
    }
    return result;
}

namespace {

// What one route's trips give, while they are gathered.
struct RouteBuilder {
    std::string routeId;
    std::size_t trips = 0;
    std::map<std::pair<std::string, std::string>, std::size_t> directions;
    TextMap<std::size_t> services;
    std::vector<std::size_t> order; // direction index -> its place in result.directions
    RouteDepartures result;
    std::map<std::pair<std::size_t, std::size_t>, std::size_t> slotOf;
    std::size_t frequencyRuns = 0;
    std::vector<std::tuple<std::string_view, std::size_t, std::string>> notes;
};

// A feed with more trips than this is no timetable of one region.
constexpr std::size_t kMostTripsPerFeed = 4'000'000;

void addTrip(RouteBuilder& b, std::string_view id, TripRecord& trip, Frequencies& frequencies,
             bool keepTrips) {
    const TripTimes& times = trip.times;
    const auto runs = frequencies.find(&trip);
    const std::size_t direction = b.order[trip.direction];
    const auto note = [&](const std::string& text) {
        b.notes.emplace_back(id, direction, "Spoj " + quoted(id) + " " + text);
    };
    if (times.untimed > 0) {
        note("má v zastávce odjezd bez času, který neleží mezi dvěma časy; vynechán.");
    }
    if (times.departures.empty()) {
        return;
    }
    if (runs != frequencies.end()) {
        if (times.firstTime < 0) {
            note("jede podle frequencies.txt, ale na první zastávce nemá čas; vynechán.");
            return;
        }
        const int earliest = *std::min_element(times.departures.begin(), times.departures.end());
        if (earliest < times.firstTime) {
            note("jede podle frequencies.txt, ale ze zastávky odjíždí (" + clockText(earliest) +
                 ") dřív než z první zastávky (" + clockText(times.firstTime) + "); vynechán.");
            return;
        }
    }
    const auto [at, added] = b.slotOf.try_emplace({direction, trip.service}, b.result.slots.size());
    if (added && b.result.slots.size() == kMostSlots) {
        throw FeedError(Problem::BadFeed, "Soubor trips.txt: spoje linky " + quoted(b.routeId) +
                                              " mají víc než 100 000 různých dvojic směru a "
                                              "kalendáře.");
    }
    if (added) {
        b.result.slots.push_back({direction, trip.service, {}});
    }
    ServiceMinutes& minutes = b.result.slots[at->second].minutes;
    if (runs == frequencies.end()) {
        for (const int t : times.departures) {
            minutes.mark(t);
        }
        if (keepTrips) {
            b.result.trips.push_back({std::string(id), direction, trip.service, times});
        }
        return;
    }
    std::vector<std::array<int, 3>>& rows = runs->second;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    b.frequencyRuns += rows.size() * times.departures.size();
    if (b.frequencyRuns > kMostFrequencyRuns) {
        throw FeedError(Problem::BadFeed, "Soubor frequencies.txt: spoje linky " +
                                              quoted(b.routeId) +
                                              " by v zastávce měly víc než 100 000 úseků "
                                              "s pravidelným intervalem.");
    }
    for (const int t : times.departures) {
        const std::int64_t offset = t - times.firstTime;
        for (const auto& [start, end, headway] : rows) {
            minutes.markEvery(start + offset, end + offset, headway);
        }
    }
}

// The departures of the routes `routeIds` (none: every route) from
// `stops.from`, toward `stops.to` when it is not empty, by route in the order
// of their first trip.
std::vector<RouteBuilder> collect(const FeedSource& source, const StopSets& stops,
                                  const std::vector<std::string>& routeIds, bool keepTrips) {
    const bool everyRoute = routeIds.empty();
    std::vector<RouteBuilder> builders;
    TextMap<std::size_t> routeIndex;
    for (const std::string& id : routeIds) {
        if (routeIndex.try_emplace(id, builders.size()).second) {
            builders.emplace_back().routeId = id;
        }
    }
    Trips trips;
    TripOrder inOrder;
    readTable(
        source, "trips.txt",
        {{"route_id"},
         {"service_id"},
         {"trip_id"},
         {"trip_headsign", false},
         {"direction_id", false}},
        [&](const TableRow& row) {
            auto r = routeIndex.find(row[0]);
            if (r == routeIndex.end()) {
                if (!everyRoute) {
                    return;
                }
                r = routeIndex.emplace(std::string(row[0]), builders.size()).first;
                builders.emplace_back().routeId = std::string(row[0]);
            }
            RouteBuilder& b = builders[r->second];
            const bool known = trips.contains(row[2]);
            if (!known && (b.trips == kMostTripsPerRoute || trips.size() == kMostTripsPerFeed)) {
                throw FeedError(
                    Problem::BadFeed,
                    "Soubor trips.txt: řádek " + std::to_string(row.number()) +
                        (b.trips == kMostTripsPerRoute
                             ? ": linka " + quoted(b.routeId) + " má víc než 400 000 spojů."
                             : ": jízdní řád má víc než 4 000 000 spojů."));
            }
            b.trips += known ? 0 : 1;
            const auto entry = trips.try_emplace(std::string(row[2])).first;
            TripRecord& trip = entry->second;
            if (!known) {
                trip.place = static_cast<std::uint32_t>(inOrder.size());
                inOrder.push_back(&*entry);
            }
            trip.route = static_cast<std::uint32_t>(r->second);
            const auto d = b.directions.try_emplace({std::string(row[4]), std::string(row[3])},
                                                    b.directions.size());
            trip.direction = static_cast<std::uint32_t>(d.first->second);
            auto s = b.services.find(row[1]);
            if (s == b.services.end()) {
                s = b.services.emplace(std::string(row[1]), b.services.size()).first;
                b.result.serviceIds.emplace_back(row[1]);
            }
            trip.service = static_cast<std::uint32_t>(s->second);
        });
    for (RouteBuilder& b : builders) {
        // directions in the order of the map, so that they read the same every time
        b.order.resize(b.directions.size());
        for (const auto& [key, index] : b.directions) {
            b.order[index] = b.result.directions.size();
            b.result.directions.push_back(Direction{key.first, key.second});
        }
        b.result.departs.assign(b.result.directions.size(), false);
    }

    readStopTimes(source, stops, trips, inOrder);
    Frequencies frequencies = readFrequencies(source, trips);
    for (auto& entry : trips) {
        addTrip(builders[entry.second.route], entry.first, entry.second, frequencies, keepTrips);
    }
    for (RouteBuilder& b : builders) {
        for (const RouteDepartures::Slot& slot : b.result.slots) {
            if (slot.minutes.any()) {
                b.result.departs[slot.direction] = true;
            }
        }
        std::sort(b.result.trips.begin(), b.result.trips.end(),
                  [](const RouteDepartures::Trip& x, const RouteDepartures::Trip& y) {
                      return x.id < y.id;
                  });
        std::sort(b.notes.begin(), b.notes.end());
        for (auto& [trip, direction, text] : b.notes) {
            b.result.notes.push_back({direction, std::move(text)});
        }
        b.notes.clear();
    }
    return builders;
}

} // namespace

RouteDepartures collectDepartures(const FeedSource& source, const std::vector<std::string>& stopIds,
                                  std::string_view routeId, bool keepTrips) {
    std::vector<RouteBuilder> found =
        collect(source, StopSets(stopIds, {}), {std::string(routeId)}, keepTrips);
    return std::move(found.front().result);
}

std::vector<RouteDeparturesOf> collectDeparturesTo(const FeedSource& source,
                                                   const std::vector<std::string>& stopIds,
                                                   const std::vector<std::string>& toIds,
                                                   const std::vector<std::string>& routeIds,
                                                   bool keepTrips) {
    std::vector<RouteBuilder> found =
        collect(source, StopSets(stopIds, toIds), routeIds, keepTrips);
    std::vector<RouteDeparturesOf> result;
    for (RouteBuilder& b : found) {
        const bool departs = std::find(b.result.departs.begin(), b.result.departs.end(), true) !=
                             b.result.departs.end();
        if (departs || !routeIds.empty()) {
            result.push_back({std::move(b.routeId), std::move(b.result)});
        }
    }
    return result;
}

} // namespace kvapomer::gtfs
