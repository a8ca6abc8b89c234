// One trip's departures from the stop asked about: which calls count (the
// boarding rule), and blank times between two timed calls interpolated.

#include "gtfs_import/index/boarding.h"
#include "gtfs_import/index/departures_index.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kvapomer::gtfs {
namespace {

const double kNone = std::nan("");

Call call(int sequence, int time, bool atStop, double distance = kNone, bool boardable = true) {
    Call c;
    c.sequence = sequence;
    c.time = time;
    c.atStop = atStop;
    c.distance = distance;
    c.boardable = boardable;
    return c;
}

TEST(DeparturesIndex, BoardingNeedsAPickupThatLetsOneOn) {
    for (const char* pickup : {"", "0", "2", "3"}) {
        EXPECT_TRUE(pickupAllowed(pickup)) << pickup;
    }
    for (const char* pickup : {"1", "4", "x", " 0"}) {
        EXPECT_FALSE(pickupAllowed(pickup)) << pickup;
    }
}

TEST(DeparturesIndex, TripTimesCountBoardableCallsButNotTheLast) {
    const struct {
        const char* name;
        std::vector<Call> calls;
        std::vector<int> departures;
        int untimed;
    } cases[] = {
        {"out of order", {call(3, 900, false), call(1, 0, false), call(2, 600, true)}, {600}, 0},
        {"no pickup", {call(1, 0, true, kNone, false), call(2, 60, false)}, {}, 0},
        {"last call is an arrival", {call(1, 0, false), call(2, 60, true)}, {}, 0},
        {"by stop order",
         {call(1, 0, false), call(2, -1, true), call(3, -1, false), call(4, 300, false)},
         {100},
         0},
        {"by distance",
         {call(1, 0, false, 0), call(2, -1, true, 10), call(3, -1, false), call(4, 300, false, 40)},
         {75},
         0},
        {"blank before any time", {call(1, -1, true), call(2, 60, false)}, {}, 1},
    };
    for (auto c : cases) {
        const TripTimes times = tripTimes(c.calls);
        EXPECT_EQ(times.departures, c.departures) << c.name;
        EXPECT_EQ(times.untimed, c.untimed) << c.name;
    }
}

} // namespace
} // namespace kvapomer::gtfs
