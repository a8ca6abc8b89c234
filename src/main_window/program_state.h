#pragma once
// State shared by the whole program for the whole run.

#include "config/config_store.h"
#include "countdown/departures.h"

namespace kvapomer {

struct ProgramState {
    Timetable timetable;
    AlertSettings alerts;
    bool Expanded = false;
    bool SoundArmed = true;
    ClockSample clock;
};

} // namespace kvapomer
