#include "countdown/countdown_tick.h"

#include "countdown/spoken.h"
#include "version.h"

namespace kvapomer {

QString normalTitle() {
    return QStringLiteral("Orv Kvapomer  ver.") + QString::number(version::kMajor) + u'.' +
           QString::number(version::kMinor) + QStringLiteral(" [rev ") +
           QString::number(version::kRevision) + QStringLiteral("] CZ");
}

TickView countdownTick(const ClockSample& clock, const Timetable& timetable,
                       const AlertSettings& alerts, bool minimised, const CountdownState& previous,
                       const std::vector<LiveDeparture>* live) {
    TickView view;
    view.state = previous;
    CountdownState& state = view.state;

    if (live) {
        const LiveNext next = nextLiveDepartures(*live, clock);
        view.slots = next.slots;
        view.busInStationStarts = next.busDue;
        view.live = next.live;
    } else {
        const NextDepartures next = UpdateNextDepartures(timetable.Times, clock);
        view.slots = next.slots;
        view.busInStationStarts = next.busDue;
    }

    // The departure counted down to is slot 0 as just chosen.
    const Remaining left = rozdil(view.slots[0], clock);
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
            view.notice = busNotice(timetable.Bus, view.slots[0], left);
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
    view.sentence = countdownSentence(timetable.Bus, view.slots[0], left);
    if (view.busInStationStarts) {
        view.announcement = busInStationSentence(timetable.Bus);
    }
    // The red warning begins exactly when its sound is due, whether or not
    // the sound is switched on.
    if (view.playSound) {
        const QString warning = redWarningSentence(timetable.Bus, view.slots[0], left);
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
