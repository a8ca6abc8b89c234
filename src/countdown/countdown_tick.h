#pragma once
// One clock tick of the main window as a plain value: from the clock sample,
// the timetable, the alert settings and what the previous tick left behind,
// everything the window shows after the tick. The window only paints it.

#include "config/records.h"
#include "countdown/alert.h"
#include "countdown/departures.h"
#include "countdown/live_departures.h"
#include "countdown/minimised_notice.h"

#include <QString>

#include <array>
#include <optional>

namespace kvapomer {

// What the countdown carries from one tick to the next (and to the flash timer).
struct CountdownState {
    bool SoundArmed = true;
    AlertColour colour = AlertColour::Red; // the countdown's colour; red as laid out
    bool flashing = false;                 // the flash timer runs
    bool countdownHidden = false;          // hidden phase of a flash
    bool colonShown = false;               // the last clock text showed its colon
    QString countdownText;                 // the countdown of the latest tick
    MinimisedNotice minimisedNotice;       // red span of a minimised window
    bool operator==(const CountdownState&) const = default;
};

// The effects of one tick, in the order the window applies them.
// With a walk to the stop (the line's WalkMin) the countdown, its colours,
// sound, flashing and notice run to the moment to set off instead of the
// departure itself.
struct TickView {
    std::array<QString, 4> slots; // captions of the four next-departure labels
    // A line of several lines: the line of each slot's departure (empty for
    // an empty slot, and everywhere for a line of one line), and each slot
    // as read ("1. 06:20, linka 150"; "1. 06:20" for a line of one line).
    std::array<QString, 4> slotLines;
    std::array<QString, 4> slotNames;
    bool busInStationStarts = false; // show the bus-in-station message, start its timer
    bool walking = false;            // the countdown runs to the moment to set off
    // Walking: slot 0 holds a bus that has not left but can no longer be
    // reached on foot; the departure counted down to is then slot 1.
    bool lateSlot = false;
    bool leaveMessage = false; // walking: the message is the one to set off, not the bus's
    QString busSentence;       // walking: the countdown to the bus itself, in words
    bool alertStepRan = false; // a next departure exists: the four below apply
    AlertColour colour = AlertColour::Green;
    bool playSound = false;
    bool flashing = false;         // flash timer on (true) or off (false)
    bool reshowCountdown = false;  // flashing ended in the hidden phase: show again
    bool desktopNoticeDue = false; // a minimised window would turn red now: tell the desktop
    NoticeText notice;             // what the desktop notice says, when due
    QString countdownText;         // hh:mm:ss or "--:--:--"
    Remaining left;                // the time the countdown counts down (any: false when none)
    // The title to set; nothing leaves the title as the flash timer last set it.
    std::optional<QString> title;
    QString clockText;   // hh:mm, or hh mm on every other tick
    QString spokenClock; // hh:mm, whatever the colon does
    // The countdown in words; it changes only with the minutes left (rounded
    // up) or the departure counted down to.
    QString sentence;
    // Said once, as the red warning begins or a bus is in the station; empty
    // on every other tick.
    QString announcement;
    CountdownState state; // carried to the next tick
    // With live departures: what each slot shows beyond its caption.
    std::optional<std::array<LiveSlot, 4>> live;

    int countedSlot() const { return lateSlot ? 1 : 0; }
    bool operator==(const TickView&) const = default;
};

// The window title in the normal state: "Orv Kvapomer  ver.1.5 [rev 22] CZ".
QString normalTitle();

TickView countdownTick(const ClockSample& clock, const Timetable& timetable,
                       const AlertSettings& alerts, bool minimised, const CountdownState& previous,
                       const std::vector<LiveDeparture>* live = nullptr);

// One tick of the flash timer.
struct FlashView {
    bool countdownVisible = true;
    std::optional<QString> title; // set only while minimised
    CountdownState state;
};

FlashView flashTick(bool minimised, const CountdownState& previous);

} // namespace kvapomer
