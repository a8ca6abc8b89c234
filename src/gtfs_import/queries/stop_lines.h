#pragma once
// What leaves from a place: its lines, and for a line its directions, each
// with the platform it leaves from; and the choice of the place for an import
// when a name fits several of them.

#include "gtfs_import/queries/feed.h"
#include "gtfs_import/queries/stop_search.h"

#include "gtfs_import/feed/feed_error.h"

#include <string>
#include <string_view>
#include <vector>

namespace kvapomer::gtfs {

// One route leaving one platform in one direction.
struct PlatformLine {
    const Stop* platform;
    const Route* route;
    Direction direction;
};

// The routes that leave from `stops` (the calls that count as departures,
// index/boarding.h), ordered by route as people expect them (numbers by value),
// then by direction, then by platform id. One pass over trips.txt and
// stop_times.txt. Throws FeedError (BadFeed).
std::vector<PlatformLine> linesLeaving(const Feed& feed, const std::vector<const Stop*>& stops);

// The routes that leave from the stop (a station with its platforms), in
// the order of linesLeaving: what --list-routes lists.
std::vector<Route> routesLeaving(const Feed& feed, const StopPlace& stop);

// The routes whose trips call at each of `groups` (the stops of one place
// each), ordered as people expect them; a stop may belong to several groups.
// One pass over trips.txt and stop_times.txt. Throws FeedError (BadFeed).
std::vector<std::vector<const Route*>>
routesCalling(const Feed& feed, const std::vector<std::vector<const Stop*>>& groups);

// The distinct routes of `lines`, in their order.
std::vector<const Route*> routesOf(const std::vector<PlatformLine>& lines);

// Whether `line` goes in `direction`: its headsign without regard to case
// and diacritics, or its direction_id. An empty `direction` is any.
bool goesTo(const PlatformLine& line, std::string_view direction);

// The stop of an import or listing named by the user: an id, or a name. A
// name that fits one place is that place (a station with all its platforms).
// A name that fits several: with no `route`, FeedError Ambiguous listing them;
// with a route, the one platform the route leaves from (in `direction`, when
// given) or the one station all such platforms belong to, otherwise FeedError
// Ambiguous listing each platform with its lines and directions. Throws
// FeedError NotFound for a name no place has.
StopPlace chooseStop(const Feed& feed, const StopIndex& index, std::string_view idOrName,
                     const Route* route, std::string_view direction);

// The stop and route of an import as the user named them: the stop by id or
// name, a name that fits several places settled by the route and direction
// (as chooseStop does). A name no place has is reported before an unknown
// route. Throws FeedError.
struct ImportPlace {
    StopPlace stop;
    Route route;
};
ImportPlace chooseForImport(const Feed& feed, std::string_view stop, std::string_view route,
                            std::string_view direction);

// `question(direction)`; when the direction as typed fits none there (FeedError
// NotFound), the headsign of the stop's directions that it names without
// regard to diacritics ("kacerov" for "Kačerov") is asked instead.
template <typename Question>
auto askInDirection(const Feed& feed, const StopPlace& stop, const Route& route,
                    const std::string& direction, Question question) {
    try {
        return question(direction);
    } catch (const FeedError& e) {
        if (e.problem() != Problem::NotFound || direction.empty()) {
            throw;
        }
        const std::string folded = foldForSearch(direction);
        for (const Direction& d : feed.directionsAt(stop, route)) {
            if (foldForSearch(d.headsign) == folded) {
                return question(d.headsign);
            }
        }
        throw;
    }
}

} // namespace kvapomer::gtfs
