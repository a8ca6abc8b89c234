#pragma once
// The alert escalation: red countdown with one sound, flashing, and the
// decision of the flash timer's tick.

#include "config/records.h"
#include "countdown/departures.h"

#include <cstdint>

namespace kvapomer {

// Colours of the countdown, as platform colour values 0x00BBGGRR.
enum class AlertColour : std::uint32_t {
    Red = 255,     // (255, 0, 0): less than the red threshold remains
    Green = 32768, // (0, 128, 0): otherwise
};

struct AlertActions {
    AlertColour colour = AlertColour::Green; // new colour of the countdown
    bool playSound = false;                  // PlayAlertSound is due now
    bool flashing = false;                   // FlashT on (true) or off (false)
    bool reshowCountdown = false;            // show a hidden countdown again
};

// One alert step for the split remaining time. `soundArmed` is updated.
// `countdownHidden` tells whether the countdown is in the hidden phase of a flash.
AlertActions alertStep(const Remaining& left, bool windowNormal, const AlertSettings& settings,
                       bool& soundArmed, bool countdownHidden);

} // namespace kvapomer
