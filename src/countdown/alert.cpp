#include "countdown/alert.h"

namespace kvapomer {

AlertActions alertStep(const Remaining& left, bool windowNormal, const AlertSettings& settings,
                       bool& soundArmed, bool countdownHidden) {
    AlertActions actions;

    // Red only while the window is normal; a minimised window stays green and
    // keeps the sound armed, so the restore brings the red state and its sound.
    const bool withinRedSpan = left.hours <= 0 && left.minutes < settings.RedAlertMin;
    const bool red = withinRedSpan && windowNormal;
    if (red) {
        actions.colour = AlertColour::Red;
        if (soundArmed) {
            soundArmed = false;
            actions.playSound = true;
        }
    } else {
        actions.colour = AlertColour::Green;
        soundArmed = true;
    }

    // The seconds test looks at the seconds field alone, not at the total.
    actions.flashing = left.hours == 0 && left.minutes <= settings.BlinkAlertM &&
                       left.seconds < settings.BlinkAlert;
    if (!actions.flashing) {
        actions.reshowCountdown = countdownHidden;
    }
    return actions;
}

} // namespace kvapomer
