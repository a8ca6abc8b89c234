#pragma once
// The next departures when the line has live data: taken in the order of
// their expected times (hh:mm, seconds dropped); the one counted down to is
// the earliest not yet gone by its expected time; a cancelled trip or a
// skipped stop is shown at its timetable time but never counted down to.

#include "countdown/departures.h"

#include <QString>

#include <array>
#include <vector>

namespace kvapomer {

enum class LiveCall { Expected, Timetable, Skipped, Cancelled };

// One departure of the day as live data sees it; minutes from today's
// midnight (below 0 for yesterday, 1440 and more for tomorrow).
struct LiveDeparture {
    int scheduled = 0;
    int expected = 0; // the scheduled minute unless Expected
    LiveCall state = LiveCall::Timetable;
    QString line{}; // its line, named in a line of several lines
    bool operator==(const LiveDeparture&) const = default;
};

// What one slot shows beyond its caption.
struct LiveSlot {
    bool differs = false; // the expected hh:mm is not the timetable's: its own colour
    LiveCall state = LiveCall::Timetable;
    QString name;   // accessible name and tool tip
    QString line{}; // the departure's line, in a line of several lines
    bool operator==(const LiveSlot&) const = default;
};

struct LiveNext {
    std::array<QString, 4> slots; // hh:mm; slot 0 is counted down to
    std::array<LiveSlot, 4> live;
    bool busDue = false; // second 0 of the minute a departure is expected in
};

// `severalLines`: the departures' lines are named in the slots.
LiveNext nextLiveDepartures(const std::vector<LiveDeparture>& departures, const ClockSample& now,
                            bool severalLines = false);

// "1. 06:13, o 3 minuty později, podle jízdního řádu 06:10", "2. 06:10, zrušen";
// with `severalLines` "1. 06:13, linka 177, o 3 minuty později, …".
QString liveSlotName(int number, const LiveDeparture& departure, bool severalLines = false);

} // namespace kvapomer
