#pragma once
// When a minimised main window asks the desktop to tell the user that the bus
// is near. The window itself stays as the alert step leaves it (green, with
// the sound armed) until it is restored.

#include "config/records.h"
#include "countdown/departures.h"

#include <QString>

namespace kvapomer {

// Whether `left` lies in the span in which the countdown is red, whatever the
// window's state: less than RedAlertMin minutes.
bool redByTime(const Remaining& left, const AlertSettings& settings);

class MinimisedNotice {
public:
    // One step per tick on which the alert step runs. True on the tick that
    // opens a span in which the countdown would be red but for the minimised
    // window, while the window is minimised and the sound switch is on: one
    // notice per continuous span.
    bool step(const Remaining& left, bool windowNormal, const AlertSettings& settings);

    bool operator==(const MinimisedNotice&) const = default;

private:
    bool inRedSpan_ = false;
};

struct NoticeText {
    QString summary;
    QString body;
    bool operator==(const NoticeText&) const = default;
};

// "Linka 150 odjíždí v 06:20" and "za 5 minut": which bus leaves when, for the
// departure in `slot0`, with the minutes rounded up as a screen reader hears them.
NoticeText busNotice(const QString& bus, const QString& slot0, const Remaining& left);

// With a walk to the stop: "Vyrazte za 5 minut" and "Linka 150 odjíždí v 06:20".
NoticeText leaveNotice(const QString& bus, const QString& slot, const Remaining& left);

} // namespace kvapomer
