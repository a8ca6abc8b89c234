// The value of one tick: title, clock colon, flash phase and what carries
// over to the next tick.

#include "countdown/countdown_tick.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace kvapomer {
namespace {

Timetable timetableOf(const QStringList& times) {
    Timetable t;
    t.Bus = QStringLiteral("150");
    t.Times = times;
    t.LastIndex = static_cast<std::int16_t>(times.size() - 1);
    return t;
}

AlertSettings alerts() {
    AlertSettings a;
    a.RedAlertMin = 5;
    a.BlinkAlertM = 1;
    a.BlinkAlert = 30;
    return a;
}

TickView tickAt(int h, int m, int s, const CountdownState& previous, bool minimised = false,
                const QStringList& times = {"10:00"}) {
    return countdownTick({h, m, s}, timetableOf(times), alerts(), minimised, previous);
}

TEST(CountdownTick, TitleFollowsTheWindowStateAndTheFlashing) {
    const CountdownState start;
    EXPECT_EQ(tickAt(9, 0, 0, start).title, normalTitle());
    EXPECT_EQ(normalTitle(), QStringLiteral("Orv Kvapomer  ver.1.5 [rev 22] CZ"));

    const TickView steady = tickAt(9, 0, 0, start, true);
    EXPECT_EQ(steady.title, QStringLiteral("01:00:00"));

    // Inside the flash span the flash timer owns the minimised title...
    const TickView flashing = tickAt(9, 59, 40, start, true);
    ASSERT_TRUE(flashing.flashing);
    EXPECT_FALSE(flashing.title.has_value());
    // ...and keeps it after the last departure, when the flashing carries on.
    const TickView after = tickAt(10, 0, 30, flashing.state, true);
    EXPECT_FALSE(after.alertStepRan);
    EXPECT_TRUE(after.state.flashing);
    EXPECT_FALSE(after.title.has_value());
}

TEST(CountdownTick, NothingLeftKeepsColourFlashingAndArming) {
    const TickView red = tickAt(9, 59, 50, CountdownState{});
    ASSERT_EQ(red.state.colour, AlertColour::Red);
    ASSERT_FALSE(red.state.SoundArmed);
    const TickView none = tickAt(10, 0, 1, red.state);
    EXPECT_EQ(none.countdownText, QStringLiteral("--:--:--"));
    EXPECT_FALSE(none.alertStepRan);
    EXPECT_FALSE(none.playSound);
    EXPECT_EQ(none.state.colour, AlertColour::Red);
    EXPECT_TRUE(none.state.flashing);
    EXPECT_FALSE(none.state.SoundArmed);
}

TEST(CountdownTick, ClockColonAlternatesFromTheFirstTick) {
    CountdownState state;
    QStringList clock;
    for (int s = 0; s < 3; ++s) {
        const TickView view = tickAt(0, 5, s, state);
        clock << view.clockText;
        state = view.state;
    }
    EXPECT_EQ(clock, (QStringList{"00:05", "00 05", "00:05"}));
}

TEST(CountdownTick, FlashPhaseIsHeldInTheStateAndEndsShown) {
    const TickView flashing = tickAt(9, 59, 31, CountdownState{}, true);
    ASSERT_TRUE(flashing.flashing);

    const FlashView hidden = flashTick(true, flashing.state);
    EXPECT_FALSE(hidden.countdownVisible);
    EXPECT_EQ(hidden.title, QStringLiteral(" "));
    const FlashView shown = flashTick(true, hidden.state);
    EXPECT_TRUE(shown.countdownVisible);
    EXPECT_EQ(shown.title, QStringLiteral("00:00:29"));
    EXPECT_FALSE(flashTick(false, hidden.state).title.has_value());

    // The flashing ends while hidden: the same tick shows the countdown again.
    const TickView steady = tickAt(9, 59, 10, hidden.state);
    EXPECT_FALSE(steady.flashing);
    EXPECT_TRUE(steady.reshowCountdown);
    EXPECT_FALSE(steady.state.countdownHidden);
    EXPECT_FALSE(tickAt(9, 59, 11, steady.state).reshowCountdown);
}

TEST(CountdownTick, BusInStationStartsOnlyAtSecondZeroOfADepartureMinute) {
    const CountdownState start;
    const QStringList times{"10:00", "10:30"};
    EXPECT_TRUE(tickAt(10, 0, 0, start, false, times).busInStationStarts);
    EXPECT_FALSE(tickAt(10, 0, 1, start, false, times).busInStationStarts);
    const TickView due = tickAt(10, 0, 0, start, false, times);
    EXPECT_EQ(due.slots[0], QStringLiteral("10:30"));
    EXPECT_EQ(due.countdownText, QStringLiteral("00:30:00"));
}

TEST(CountdownTick, WordsChangeWithTheMinutesAndAreAnnouncedOncePerRedEntry) {
    CountdownState state;
    QStringList sentences;
    QStringList announced;
    QStringList clocks;
    const QStringList times{"10:00", "10:02"};
    // 09:55:00 green, 00:04:59 red, then the departure with the next one red at once.
    for (const auto& [m, s] : std::vector<std::pair<int, int>>{
             {54, 59}, {55, 0}, {55, 1}, {55, 2}, {55, 59}, {56, 0}, {56, 1}}) {
        const TickView view = tickAt(9, m, s, state, false, times);
        if (sentences.isEmpty() || sentences.last() != view.sentence) {
            sentences << view.sentence;
        }
        if (!view.announcement.isEmpty()) {
            announced << view.announcement;
        }
        clocks << view.spokenClock;
        state = view.state;
    }
    EXPECT_EQ(sentences, (QStringList{"Autobus 150 odjíždí v 10:00, za 6 minut.",
                                      "Autobus 150 odjíždí v 10:00, za 5 minut.",
                                      "Autobus 150 odjíždí v 10:00, za 4 minuty."}));
    EXPECT_EQ(announced, QStringList{"Pozor, autobus 150 odjíždí v 10:00, za 5 minut."});
    EXPECT_EQ(clocks.first(), QStringLiteral("09:54"));
    EXPECT_EQ(clocks.at(1), QStringLiteral("09:55")) << "read with its colon on every tick";

    const TickView due = tickAt(10, 0, 0, state, false, times);
    EXPECT_EQ(due.announcement, QStringLiteral("Autobus 150 je ve stanici."));
    EXPECT_EQ(tickAt(10, 2, 1, due.state, false, times).sentence,
              QStringLiteral("Dnes už žádný autobus nejede."));
}

} // namespace
} // namespace kvapomer

namespace kvapomer {
namespace {

TEST(CountdownTick, ALineOfSeveralLinesNamesTheLineOfEachDeparture) {
    Timetable t = timetableOf({"06:10", "06:20", "06:20"});
    t.Bus = QStringLiteral("150+177");
    t.Lines = {{"150", "177"}, {1, 0, 1}};
    // Minimised, the sound on, entering the red span: the desktop notice is due.
    AlertSettings a = alerts();
    a.AlertON = QStringLiteral("ON");
    const TickView view = countdownTick({6, 6, 0}, t, a, true, CountdownState{});
    EXPECT_EQ(view.slots, (std::array<QString, 4>{"06:10", "06:20", "06:20", ""}));
    EXPECT_EQ(view.slotLines, (std::array<QString, 4>{"177", "150", "177", ""}));
    EXPECT_EQ(view.slotNames[1], QStringLiteral("2. 06:20, linka 150"));
    EXPECT_EQ(view.sentence, QStringLiteral("Autobus 177 odjíždí v 06:10, za 4 minuty."));
    ASSERT_TRUE(view.desktopNoticeDue);
    EXPECT_EQ(view.notice.summary, QStringLiteral("Linka 177 odjíždí v 06:10"));

    // Without lines: the line's own number, as always.
    t.Lines = {};
    const TickView plain = countdownTick({6, 6, 0}, t, a, false, CountdownState{});
    EXPECT_EQ(plain.slotLines, (std::array<QString, 4>{}));
    EXPECT_EQ(plain.slotNames[0], QStringLiteral("1. 06:10"));
    EXPECT_EQ(plain.sentence, QStringLiteral("Autobus 150+177 odjíždí v 06:10, za 4 minuty."));
}

} // namespace
} // namespace kvapomer
