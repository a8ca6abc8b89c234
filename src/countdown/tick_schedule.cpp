#include "countdown/tick_schedule.h"

#include <algorithm>

namespace kvapomer {

TickSchedule::Decision TickSchedule::onFire(const QTime& now) {
    Decision decision;
    if (!now.isValid()) {
        // No usable sample: try again a period later.
        decision.delayMs = kPeriodMs;
        return decision;
    }

    const int msOfDay = now.msecsSinceStartOfDay();
    const int secondOfDay = msOfDay / 1000;
    const int msIntoSecond = msOfDay % 1000;

    // A different second than last time is always new: the next one, one
    // after a stall, the first after midnight or one after the clock was set
    // back. The same second means the timer fired before the boundary.
    decision.tick = secondOfDay != lastSecondOfDay_;
    if (decision.tick) {
        lastSecondOfDay_ = secondOfDay;
    }
    decision.delayMs = std::clamp(kPeriodMs - msIntoSecond + kMarginMs, 1, kPeriodMs + kMarginMs);
    return decision;
}

} // namespace kvapomer
