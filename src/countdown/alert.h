#pragma once
// The alert escalation: red countdown with one sound, flashing, and the
// decision of the flash timer's tick.

#include "config/config_store.h"
#include "countdown/departures.h"

#include <cstdint>

namespace kvapomer {

// Platform colour values 0x00BBGGRR.
inline constexpr std::uint32_t kColourRed = 255;
inline constexpr std::uint32_t kColourGreen = 32768;
inline constexpr std::uint32_t kColourDarkRed = 192;

struct AlertActions {
    std::uint32_t colour = kColourGreen; // new colour of the countdown
    bool playSound = false;              // PlayAlertSound is due now
    bool flashing = false;               // FlashT on (true) or off (false)
    bool reshowCountdown = false;        // show a hidden countdown again
};

// One alert step for the split remaining time. `soundArmed` is updated.
// `countdownHidden` tells whether the countdown is in the hidden phase of a flash.
AlertActions alertStep(const Remaining& left, bool windowNormal, const AlertSettings& settings,
                       bool& soundArmed, bool countdownHidden);

} // namespace kvapomer
