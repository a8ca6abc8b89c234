#pragma once
// The line of each departure slot, for a line of several lines: a small
// number at the right end inside each Label3 slot (its own text stays the
// bare "hh:mm"), in the slot's own colour, so whatever colours the slot
// colours its line too; the line counted down to above the expanded view's
// countdown; and the slots' tooltips: naming the line, or with live data the
// slot's whole name. A line of one line shows no line.

#include "countdown/countdown_tick.h"

#include <QString>

#include <array>

class QLabel;
class QWidget;

namespace kvapomer {

class SlotLines {
public:
    // Makes a hidden line label inside each slot; keeps the slots' tooltips.
    explicit SlotLines(const std::array<QLabel*, 4>& slots);

    // The lines of one tick: each slot's line and tooltip; in the expanded
    // view `expanded` (nothing while it is not built) the line counted down to.
    void paint(const TickView& view, QWidget* expanded);

private:
    std::array<QLabel*, 4> slots_{};
    std::array<QLabel*, 4> lines_{};
    std::array<QString, 4> tips_;
    std::array<QString, 4> shown_;  // the tips last set here
    QLabel* countedLine_ = nullptr; // in the expanded view, made when first needed
};

} // namespace kvapomer
