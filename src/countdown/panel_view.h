#pragma once
// What the status icon on the desktop's panel shows after a tick: a short
// number of the minutes left, its colour and the tooltip. A plain value, so
// that the window hands the panel only what has changed.

#include "config/records.h"
#include "countdown/countdown_tick.h"

#include <QString>

namespace kvapomer {

enum class PanelColour { Green, Red };

struct PanelView {
    QString text; // "7", "1h", "–"
    PanelColour colour = PanelColour::Green;
    QString toolTip;
    bool operator==(const PanelView&) const = default;
};

// The minutes left rounded up as the countdown's sentence counts them ("1"
// in the last minute) up to 99; from 100 of them the whole hours ("1h",
// "2h" from 120); "–" when nothing is left today.
QString panelText(const Remaining& left);

// The icon for one tick: red while less than RedAlertMin minutes remain,
// whether the window is minimised or not; the tooltip is the tick's sentence,
// with `dayNotice` (what the window says about the day) below it when there
// is one.
PanelView panelView(const TickView& tick, const AlertSettings& alerts, const QString& dayNotice);

} // namespace kvapomer
