#pragma once
// State shared by the whole program for the whole run.

#include "config/records.h"
#include "countdown/countdown_tick.h"
#include "countdown/departures.h"

namespace kvapomer {

struct ProgramState {
    Timetable timetable; // the active line as loaded
    // What the countdown runs on: the loaded line, or a dated line's list of
    // the day (empty on a day without service).
    Timetable today;
    AlertSettings alerts;
    QString heading; // the line heading, as loaded
    QString note;    // the note on the line, as loaded
    bool Expanded = false;
    ClockSample clock;
    CountdownState countdown; // SoundArmed, colour, flashing, clock colon
};

} // namespace kvapomer
