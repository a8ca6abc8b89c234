#pragma once
// What leaves from a place: its lines, and for a line its directions, each
// with the platform it leaves from; and the choice of the place for an import
// when a name fits several of them.

#include "gtfs_import/feed.h"
#include "gtfs_import/stop_search.h"

#include <string_view>
#include <vector>

namespace kvapomer::gtfs {

// One route leaving one platform in one direction.
struct PlatformLine {
    const Stop* platform;
    const Route* route;
    Direction direction;
};

// The routes that leave from `stops` (a trip's last call is its arrival, not
// a departure), ordered by route as people expect them (numbers by value),
// then by direction, then by platform id. One pass over trips.txt and
// stop_times.txt. Throws FeedError (BadFeed).
std::vector<PlatformLine> linesLeaving(const Feed& feed, const std::vector<const Stop*>& stops);

// The stops of a place where a vehicle can call: the platforms and the
// station or lone stop itself.
std::vector<const Stop*> callingStops(const StopPlace& place);

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
StopGroup chooseStop(const Feed& feed, const StopIndex& index, std::string_view idOrName,
                     const Route* route, std::string_view direction);

} // namespace kvapomer::gtfs
