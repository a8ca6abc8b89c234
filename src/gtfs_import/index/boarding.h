#pragma once
// Where a passenger may board: the one rule every question about a stop
// follows. A call of a trip is a departure from its stop when its pickup
// allows boarding (regularly, by phoning ahead or by asking the driver) and
// it is not the trip's last call, which is its arrival. Toward a
// destination, a departure counts only when the trip calls at the
// destination later and lets passengers get off there.

#include "gtfs_import/feed/csv_table.h"

#include <string_view>

namespace kvapomer::gtfs {

// The column of stop_times.txt that says whether one may board there.
Column pickupColumn();

// Whether a call with this pickup value lets a passenger board: empty, 0, 2
// or 3; 1 (no pickup) and anything else do not.
bool pickupAllowed(std::string_view pickup);

// The column of stop_times.txt that says whether one may get off there.
Column dropOffColumn();

// Whether a call with this drop_off value lets a passenger get off: any
// value but 1 (no drop-off).
bool dropOffAllowed(std::string_view dropOff);

// Whether a call counts as a departure from its stop.
inline bool isDeparture(bool pickupAllowed, bool lastCall) {
    return pickupAllowed && !lastCall;
}

} // namespace kvapomer::gtfs
