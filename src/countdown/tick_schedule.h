#pragma once
// Keeps the one-second tick aligned just after each wall-clock second, so
// that every second is sampled exactly once while the program runs freely.

#include <QTime>

namespace kvapomer {

class TickSchedule {
public:
    // Milliseconds after a second boundary at which the tick aims to run.
    static constexpr int kMarginMs = 15;
    static constexpr int kPeriodMs = 1000;

    struct Decision {
        bool tick = false; // run the tick on this sample
        int delayMs = 0;   // when to fire next
    };

    // Called each time the timer fires, with the clock sampled then.
    Decision onFire(const QTime& now);

private:
    int lastSecondOfDay_ = -1;
};

} // namespace kvapomer
