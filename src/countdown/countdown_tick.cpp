#include "countdown/countdown_tick.h"

#include "countdown/spoken.h"
#include "version.h"

#include <algorithm>

namespace kvapomer {

QString normalTitle() {
    return QStringLiteral("Orv Kvapomer  ver.") + QString::number(version::kMajor) + u'.' +
           QString::number(version::kMinor) + QStringLiteral(" [rev ") +
           QString::number(version::kRevision) + QStringLiteral("] CZ");
}

namespace {

// What one tick counts down to: the departure itself, or with a walk the
// moment to set off for it.
struct Target {
    QString counted; // the departure counted down to
    Remaining left;
    bool anyLeft = false; // walking: a departure has not left yet
    QString due;          // the departure announced this tick
    int dueIndex = -1;    // its entry in the list
};

// The bus of the entry `index` of the list: its own line in a line of several.
QString busOf(const Timetable& timetable, int index) {
    const QString line = timetable.Lines.nameAt(index);
    return line.isEmpty() ? timetable.Bus : line;
}

// Each slot's line and name from the entries the slots hold.
void nameSlots(const Timetable& timetable, const std::array<int, 4>& index, TickView& view) {
    for (std::size_t k = 0; k < view.slots.size(); ++k) {
        view.slotLines[k] = timetable.Lines.nameAt(index[k]);
        view.slotNames[k] = departureSlotName(static_cast<int>(k) + 1, view.slots[k]);
        if (!view.slotLines[k].isEmpty()) {
            view.slotNames[k] += QStringLiteral(", linka ") + view.slotLines[k];
        }
    }
}

Target atTheStop(const ClockSample& clock, const Timetable& timetable, TickView& view) {
    const NextDepartures next = UpdateNextDepartures(timetable.Times, clock);
    view.slots = next.slots;
    view.busInStationStarts = next.busDue;
    nameSlots(timetable, next.index, view);
    // The departure counted down to is slot 0 as just chosen.
    return {view.slots[0], rozdil(view.slots[0], clock), false, QString(), -1};
}

Target onFoot(const ClockSample& clock, const Timetable& timetable, TickView& view) {
    const DeparturesOnFoot next = UpdateDeparturesOnFoot(timetable.Times, clock, timetable.WalkMin);
    view.walking = true;
    view.slots = next.slots;
    view.lateSlot = next.late;
    view.busInStationStarts = !next.leaveDue.isEmpty();
    view.leaveMessage = view.busInStationStarts;
    nameSlots(timetable, next.index, view);
    // One glance away: the next bus from the stop, for one who is there already.
    view.busSentence = countdownSentence(busOf(timetable, next.fromStopIndex), next.fromStop,
                                         rozdil(next.fromStop, clock));
    return {next.counted(), leaveIn(next.counted(), timetable.WalkMin, clock), next.anyLeft,
            next.leaveDue, next.leaveDueIndex};
}

Target liveAtTheStop(const ClockSample& clock, const Timetable& timetable,
                     const std::vector<LiveDeparture>& live, TickView& view) {
    const LiveNext next = nextLiveDepartures(live, clock, !timetable.Lines.empty());
    view.slots = next.slots;
    view.busInStationStarts = next.busDue;
    view.live = next.live;
    for (std::size_t k = 0; k < view.slots.size(); ++k) {
        view.slotLines[k] = next.live[k].line;
        view.slotNames[k] = next.live[k].name;
    }
    return {view.slots[0], rozdil(view.slots[0], clock), false, QString()};
}

// Live data and a walk: the walk counts from the expected times of the
// departures that come (a cancelled or skipped one is left out), today's in
// their expected order.
Target liveOnFoot(const ClockSample& clock, const Timetable& timetable,
                  const std::vector<LiveDeparture>& live, TickView& view) {
    std::vector<LiveDeparture> coming;
    for (const LiveDeparture& d : live) {
        if ((d.state == LiveCall::Expected || d.state == LiveCall::Timetable) && d.expected >= 0 &&
            d.expected < 24 * 60) {
            coming.push_back(d);
        }
    }
    std::stable_sort(
        coming.begin(), coming.end(),
        [](const LiveDeparture& a, const LiveDeparture& b) { return a.expected < b.expected; });
    const bool severalLines = !timetable.Lines.empty();
    Timetable expected = timetable;
    expected.Times.clear();
    expected.Lines.of.clear();
    for (const LiveDeparture& d : coming) {
        expected.Times.append(Nula(static_cast<std::int16_t>(d.expected / 60)) + u':' +
                              Nula(static_cast<std::int16_t>(d.expected % 60)));
        if (severalLines) {
            // A line the list does not name gets none (nameAt: empty).
            const qsizetype at = expected.Lines.names.indexOf(d.line);
            expected.Lines.of.push_back(at < 0 ? std::uint8_t{255} : static_cast<std::uint8_t>(at));
        }
    }
    const Target target = onFoot(clock, expected, view);
    // Each slot's departure: the first after the previous slot's with its time.
    std::array<LiveSlot, 4> slots;
    qsizetype from = 0;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        const qsizetype at =
            view.slots[k].isEmpty() ? -1 : expected.Times.indexOf(view.slots[k], from);
        if (at < 0) {
            slots[k].name = departureSlotName(static_cast<int>(k) + 1, QString());
            continue;
        }
        const LiveDeparture& d = coming[static_cast<std::size_t>(at)];
        slots[k] = {d.expected != d.scheduled, d.state,
                    liveSlotName(static_cast<int>(k) + 1, d, severalLines),
                    severalLines ? d.line : QString()};
        view.slotNames[k] = slots[k].name;
        from = at + 1;
    }
    view.live = slots;
    return target;
}

} // namespace

TickView countdownTick(const ClockSample& clock, const Timetable& timetable,
                       const AlertSettings& alerts, bool minimised, const CountdownState& previous,
                       const std::vector<LiveDeparture>* live) {
    TickView view;
    view.state = previous;
    CountdownState& state = view.state;

    const Target target =
        live ? (timetable.WalkMin > 0 ? liveOnFoot(clock, timetable, *live, view)
                                      : liveAtTheStop(clock, timetable, *live, view))
             : (timetable.WalkMin > 0 ? onFoot(clock, timetable, view)
                                      : atTheStop(clock, timetable, view));
    const Remaining& left = target.left;
    // The bus of the departure counted down to: its own line in a line of several.
    const QString& countedLine = view.slotLines[static_cast<std::size_t>(view.countedSlot())];
    const QString bus = countedLine.isEmpty() ? timetable.Bus : countedLine;
    view.alertStepRan = left.any;
    if (left.any) {
        const AlertActions act =
            alertStep(left, !minimised, alerts, state.SoundArmed, state.countdownHidden);
        view.colour = act.colour;
        view.playSound = act.playSound;
        view.flashing = act.flashing;
        view.reshowCountdown = act.reshowCountdown;
        view.desktopNoticeDue = state.minimisedNotice.step(left, !minimised, alerts);
        if (view.desktopNoticeDue) {
            view.notice = view.walking ? leaveNotice(bus, target.counted, left)
                                       : busNotice(bus, target.counted, left);
        }
        state.colour = act.colour;
        state.flashing = act.flashing;
        if (act.reshowCountdown) {
            state.countdownHidden = false;
        }
    } else {
        // Nothing left today: colour and flashing stay as the last departure left them.
        view.colour = state.colour;
        view.flashing = state.flashing;
    }
    view.countdownText = left.text;
    view.left = left;
    state.countdownText = left.text;
    view.sentence = view.walking ? leaveSentence(bus, target.counted, left, target.anyLeft)
                                 : countdownSentence(bus, target.counted, left);
    if (view.busInStationStarts) {
        view.announcement = view.walking
                                ? leaveNowSentence(busOf(timetable, target.dueIndex), target.due)
                                : busInStationSentence(timetable.Bus);
    }
    // The red warning begins exactly when its sound is due, whether or not
    // the sound is switched on.
    if (view.playSound) {
        const QString warning =
            view.walking ? view.sentence : redWarningSentence(bus, target.counted, left);
        view.announcement =
            view.announcement.isEmpty() ? warning : view.announcement + u' ' + warning;
    }

    if (!minimised) {
        view.title = normalTitle();
    } else if (!state.flashing) {
        // A minimised window shows the countdown in its taskbar entry.
        view.title = left.text;
    }

    const auto hour = static_cast<std::int16_t>(clock.hour);
    const auto minute = static_cast<std::int16_t>(clock.minute);
    view.clockText =
        Nula(hour) + (state.colonShown ? QStringLiteral(" ") : QStringLiteral(":")) + Nula(minute);
    view.spokenClock = Nula(hour) + u':' + Nula(minute);
    state.colonShown = !state.colonShown;
    return view;
}

FlashView flashTick(bool minimised, const CountdownState& previous) {
    FlashView view;
    view.state = previous;
    view.state.countdownHidden = !previous.countdownHidden;
    view.countdownVisible = !view.state.countdownHidden;
    if (minimised) {
        view.title = view.countdownVisible ? previous.countdownText : QStringLiteral(" ");
    }
    return view;
}

} // namespace kvapomer
