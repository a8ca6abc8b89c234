// Alert escalation: the red state with its one sound, and the flashing.

#include "countdown/alert.h"
#include "countdown/countdown_tick.h"
#include "countdown/departures.h"
#include "countdown/sound_request.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kvapomer {
namespace {

int secondsOf(int h, int m, int s) {
    return h * 3600 + m * 60 + s;
}

ClockSample sampleAt(int t) {
    return {t / 3600, t / 60 % 60, t % 60};
}

std::string clockText(int t) {
    const ClockSample c = sampleAt(t);
    return (Nula(static_cast<std::int16_t>(c.hour)) + ':' +
            Nula(static_cast<std::int16_t>(c.minute)) + ':' +
            Nula(static_cast<std::int16_t>(c.second)))
        .toStdString();
}

AlertSettings settingsOf(int redMin, int blinkM, int blinkS) {
    AlertSettings s;
    s.RedAlertMin = static_cast<std::int16_t>(redMin);
    s.BlinkAlertM = static_cast<std::int16_t>(blinkM);
    s.BlinkAlert = static_cast<std::int16_t>(blinkS);
    s.AlertWav = "alarm.wav";
    s.AlertON = "ON";
    return s;
}

// The countdown side of the main window's tick, driven through the tick value
// the window paints: next departures, remaining time, then the alert step
// when a departure is left.
struct CountdownDisplay {
    CountdownDisplay(QStringList t, AlertSettings s) : settings(std::move(s)) {
        timetable.Times = std::move(t);
    }

    Timetable timetable;
    AlertSettings settings;
    test::FakeSound sound;
    bool windowNormal = true;
    CountdownState state; // the layout starts red, the sound armed
    bool& soundArmed = state.SoundArmed;
    AlertColour& colour = state.colour;
    bool& flashing = state.flashing;

    TickView tick(int t) {
        TickView view = countdownTick(sampleAt(t), timetable, settings, !windowNormal, state);
        state = view.state;
        if (view.playSound) {
            PlayAlertSound(settings, "/opt/kvapomer", sound);
        }
        return view;
    }

    int sounds() const { return static_cast<int>(sound.played.size()); }
};

// --- The worked day -------------------------------------------------------

struct WorkedRow {
    int t;
    const char* countdown;
    AlertColour colour;
    int soundsSoFar;
    bool flashing;
    bool busDue;
};

TEST(AlertWorkedDay, TickByTickFollowsTheTable) {
    CountdownDisplay d{{"10:00", "10:30"}, settingsOf(5, 1, 30)};

    // clang-format off
    const std::vector<WorkedRow> rows{
        {secondsOf(9, 55, 0), "00:05:00", AlertColour::Green, 0, false, false},
        {secondsOf(9, 55, 1), "00:04:59", AlertColour::Red, 1, false, false},
        {secondsOf(9, 58, 30), "00:01:30", AlertColour::Red, 1, false, false},
        {secondsOf(9, 58, 31), "00:01:29", AlertColour::Red, 1, true, false},
        {secondsOf(9, 59, 0), "00:01:00", AlertColour::Red, 1, true, false},
        {secondsOf(9, 59, 1), "00:00:59", AlertColour::Red, 1, false, false},
        {secondsOf(9, 59, 31), "00:00:29", AlertColour::Red, 1, true, false},
        {secondsOf(9, 59, 59), "00:00:01", AlertColour::Red, 1, true, false},
        {secondsOf(10, 0, 0), "00:30:00", AlertColour::Green, 1, false, true},
    };
    // clang-format on
    auto row = rows.begin();

    const int red0 = secondsOf(9, 55, 1);
    const int departure = secondsOf(10, 0, 0);
    for (int t = secondsOf(9, 54, 50); t <= secondsOf(10, 0, 5); ++t) {
        SCOPED_TRACE(clockText(t));
        const auto tick = d.tick(t);
        ASSERT_TRUE(tick.alertStepRan);

        // Every tick, not only the table rows: red from 00:04:59 to 00:00:01,
        // flashing from 00:01:29 to 00:01:00 and from 00:00:29 to 00:00:01.
        const int left = departure - t;
        const bool expectRed = t >= red0 && t < departure;
        const bool expectFlash = (left >= 60 && left <= 89) || (left >= 1 && left <= 29);
        EXPECT_EQ(d.colour, expectRed ? AlertColour::Red : AlertColour::Green);
        EXPECT_EQ(d.flashing, expectFlash);
        EXPECT_EQ(d.soundArmed, !expectRed);
        EXPECT_EQ(tick.busInStationStarts, t == departure);

        if (row != rows.end() && row->t == t) {
            EXPECT_EQ(tick.countdownText, row->countdown);
            EXPECT_EQ(d.colour, row->colour);
            EXPECT_EQ(d.sounds(), row->soundsSoFar);
            EXPECT_EQ(d.flashing, row->flashing);
            EXPECT_EQ(tick.busInStationStarts, row->busDue);
            ++row;
        }
    }
    EXPECT_TRUE(row == rows.end()) << "not every row of the table was visited";
    EXPECT_EQ(d.sound.played, QStringList{"/opt/kvapomer/alarm.wav"});
    EXPECT_TRUE(d.soundArmed);
}

// --- Edge cases --------------------------------------------------------------

TEST(AlertEdges, StartUpInsideTheRedPeriodSoundsOnTheFirstTick) {
    CountdownDisplay d{{"10:00"}, settingsOf(5, 1, 30)};
    d.tick(secondsOf(9, 57, 12));
    EXPECT_EQ(d.colour, AlertColour::Red);
    EXPECT_EQ(d.sounds(), 1);
    EXPECT_FALSE(d.soundArmed);
    d.tick(secondsOf(9, 57, 13));
    EXPECT_EQ(d.sounds(), 1);
}

TEST(AlertEdges, DeparturesCloserThanTheRedSpanSoundOnce) {
    CountdownDisplay d{{"10:00", "10:03"}, settingsOf(5, 1, 30)};
    for (int t = secondsOf(9, 50, 0); t < secondsOf(10, 3, 0); ++t) {
        SCOPED_TRACE(clockText(t));
        d.tick(t);
        EXPECT_EQ(d.colour, t >= secondsOf(9, 55, 1) ? AlertColour::Red : AlertColour::Green);
    }
    EXPECT_EQ(d.sounds(), 1);
}

TEST(AlertEdges, MinimisedAcrossTheThresholdStaysGreenUntilRestored) {
    CountdownDisplay d{{"10:00"}, settingsOf(5, 1, 30)};
    d.windowNormal = false;
    for (int t = secondsOf(9, 54, 0); t <= secondsOf(9, 56, 30); ++t) {
        SCOPED_TRACE(clockText(t));
        d.tick(t);
        EXPECT_EQ(d.colour, AlertColour::Green);
        EXPECT_TRUE(d.soundArmed);
    }
    EXPECT_EQ(d.sounds(), 0);

    d.windowNormal = true;
    d.tick(secondsOf(9, 56, 31));
    EXPECT_EQ(d.colour, AlertColour::Red);
    EXPECT_EQ(d.sounds(), 1);
}

TEST(AlertEdges, MinimisedStillFlashesInsideTheFlashSpan) {
    CountdownDisplay d{{"10:00"}, settingsOf(5, 1, 30)};
    d.windowNormal = false;
    d.tick(secondsOf(9, 59, 45));
    EXPECT_EQ(d.colour, AlertColour::Green);
    EXPECT_TRUE(d.flashing);
}

TEST(AlertEdges, RestoreInsideASoundedRedPeriodSoundsAgain) {
    CountdownDisplay d{{"10:00"}, settingsOf(5, 1, 30)};
    for (int t = secondsOf(9, 54, 0); t < secondsOf(9, 56, 0); ++t) {
        d.tick(t);
    }
    ASSERT_EQ(d.sounds(), 1);

    d.windowNormal = false;
    for (int t = secondsOf(9, 56, 0); t < secondsOf(9, 56, 10); ++t) {
        d.tick(t);
        EXPECT_EQ(d.colour, AlertColour::Green);
    }
    EXPECT_TRUE(d.soundArmed);
    EXPECT_EQ(d.sounds(), 1);

    d.windowNormal = true;
    d.tick(secondsOf(9, 56, 10));
    EXPECT_EQ(d.colour, AlertColour::Red);
    EXPECT_EQ(d.sounds(), 2);
    d.tick(secondsOf(9, 56, 11));
    EXPECT_EQ(d.sounds(), 2);
}

TEST(AlertEdges, TwoRedPeriodsSoundTwice) {
    CountdownDisplay d{{"10:00", "10:30"}, settingsOf(5, 1, 30)};
    for (int t = secondsOf(9, 50, 0); t < secondsOf(10, 30, 0); ++t) {
        d.tick(t);
    }
    EXPECT_EQ(d.sounds(), 2);
}

TEST(AlertEdges, AfterTheLastDepartureColourFlashAndArmingStay) {
    CountdownDisplay d{{"00:03", "23:59"}, settingsOf(5, 1, 30)};
    for (int t = secondsOf(23, 50, 0); t < secondsOf(23, 59, 0); ++t) {
        d.tick(t);
    }
    ASSERT_EQ(d.sounds(), 1);
    ASSERT_EQ(d.colour, AlertColour::Red);
    ASSERT_TRUE(d.flashing);

    for (int t = secondsOf(23, 59, 0); t < 24 * 3600; ++t) {
        SCOPED_TRACE(clockText(t));
        const auto tick = d.tick(t);
        EXPECT_FALSE(tick.alertStepRan);
        EXPECT_EQ(tick.countdownText, "--:--:--");
        EXPECT_EQ(d.colour, AlertColour::Red);
        EXPECT_TRUE(d.flashing);
        EXPECT_FALSE(d.soundArmed);
    }

    // The first departure of the new day already lies inside the red span,
    // and the sound was used up before midnight.
    const auto tick = d.tick(0);
    EXPECT_EQ(tick.countdownText, "00:03:00");
    EXPECT_EQ(d.colour, AlertColour::Red);
    EXPECT_FALSE(d.flashing);
    EXPECT_EQ(d.sounds(), 1);
}

struct SpanCase {
    std::string name;
    int redMin;
    int blinkM;
    int blinkS;
    int firstRed;  // seconds left on the first red tick, 0 for never
    int flashFrom; // flashing exactly when from >= left >= to; 0 for never
    int flashTo;
    int flashFrom2; // a second flashing span, 0 for none
    int flashTo2;
};

void PrintTo(const SpanCase& c, std::ostream* os) {
    *os << c.name;
}

class AlertSpans : public ::testing::TestWithParam<SpanCase> {};

// Counts down the last hour and a bit to one departure and checks, for every
// remaining time, the colour and the flashing.
TEST_P(AlertSpans, LastHourTickByTick) {
    const SpanCase& c = GetParam();
    CountdownDisplay d{{"12:00"}, settingsOf(c.redMin, c.blinkM, c.blinkS)};
    const int departure = secondsOf(12, 0, 0);
    for (int left = 3700; left >= 1; --left) {
        SCOPED_TRACE(clockText(left));
        d.tick(departure - left);
        const bool red = c.firstRed > 0 && left <= c.firstRed;
        const bool flash = (c.flashFrom > 0 && left <= c.flashFrom && left >= c.flashTo) ||
                           (c.flashFrom2 > 0 && left <= c.flashFrom2 && left >= c.flashTo2);
        ASSERT_EQ(d.colour, red ? AlertColour::Red : AlertColour::Green);
        ASSERT_EQ(d.flashing, flash);
    }
    EXPECT_EQ(d.sounds(), c.firstRed > 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, AlertSpans,
    ::testing::Values(SpanCase{"WorkedDay", 5, 1, 30, 299, 89, 60, 29, 1},
                      SpanCase{"SecondsOnly", 5, 0, 30, 299, 29, 1, 0, 0},
                      SpanCase{"ZeroSecondsNeverFlash", 5, 2, 0, 299, 0, 0, 0, 0},
                      SpanCase{"NegativeMinutesNeverFlash", 5, -1, 30, 299, 0, 0, 0, 0},
                      SpanCase{"RedZeroNeverRed", 0, 0, 30, 0, 29, 1, 0, 0},
                      SpanCase{"RedNegativeNeverRed", -3, 0, 0, 0, 0, 0, 0, 0},
                      SpanCase{"RedSixtyWholeLastHour", 60, 0, 0, 3599, 0, 0, 0, 0},
                      SpanCase{"RedOneMinute", 1, 0, 0, 59, 0, 0, 0, 0}),
    [](const ::testing::TestParamInfo<SpanCase>& info) { return info.param.name; });

// --- The step on its own -------------------------------------------------------

Remaining leftOf(int h, int m, int s) {
    Remaining r;
    r.any = true;
    r.hours = h;
    r.minutes = m;
    r.seconds = s;
    return r;
}

TEST(AlertStep, FlashingEndingInTheHiddenPhaseReshowsTheCountdown) {
    const AlertSettings s = settingsOf(5, 1, 30);
    bool armed = false;
    const AlertActions a = alertStep(leftOf(0, 0, 59), true, s, armed, /*countdownHidden=*/true);
    EXPECT_FALSE(a.flashing);
    EXPECT_TRUE(a.reshowCountdown);
}

TEST(AlertStep, NoReshowWhileFlashingOrWhenShown) {
    const AlertSettings s = settingsOf(5, 1, 30);
    bool armed = false;
    const AlertActions flashingHidden = alertStep(leftOf(0, 0, 29), true, s, armed, true);
    EXPECT_TRUE(flashingHidden.flashing);
    EXPECT_FALSE(flashingHidden.reshowCountdown);
    const AlertActions steadyShown = alertStep(leftOf(0, 0, 59), true, s, armed, false);
    EXPECT_FALSE(steadyShown.flashing);
    EXPECT_FALSE(steadyShown.reshowCountdown);
}

TEST(AlertStep, RedWithoutArmingPlaysNothing) {
    const AlertSettings s = settingsOf(5, 1, 30);
    bool armed = false;
    const AlertActions a = alertStep(leftOf(0, 3, 0), true, s, armed, false);
    EXPECT_EQ(a.colour, AlertColour::Red);
    EXPECT_FALSE(a.playSound);
    EXPECT_FALSE(armed);
}

TEST(AlertStep, AnHourOrMoreIsNeverRedNorFlashing) {
    const AlertSettings s = settingsOf(59, 59, 59);
    bool armed = true;
    const AlertActions a = alertStep(leftOf(1, 0, 0), true, s, armed, false);
    EXPECT_EQ(a.colour, AlertColour::Green);
    EXPECT_FALSE(a.playSound);
    EXPECT_FALSE(a.flashing);
    EXPECT_TRUE(armed);
}

TEST(AlertStep, SoundSwitchedOffStillUsesUpTheArming) {
    CountdownDisplay d{{"10:00"}, settingsOf(5, 1, 30)};
    d.settings.AlertON = "OFF";
    d.tick(secondsOf(9, 57, 0));
    EXPECT_EQ(d.colour, AlertColour::Red);
    EXPECT_FALSE(d.soundArmed);
    EXPECT_EQ(d.sounds(), 0);
}

} // namespace
} // namespace kvapomer
