// The countdown to the moment to set off, for a line with a walk to the
// stop: which departure it runs to, the bus one can only catch by running,
// the alerts on the new countdown, and its words.

#include "config/loader.h"
#include "countdown/countdown_tick.h"
#include "support/sample_config.h"

#include <gtest/gtest.h>

namespace kvapomer {
namespace {

Timetable line(const QStringList& times, int walk) {
    Timetable t;
    t.Bus = QStringLiteral("150");
    t.Times = times;
    t.LastIndex = static_cast<std::int16_t>(times.size() - 1);
    t.WalkMin = walk;
    return t;
}

AlertSettings alerts() {
    AlertSettings a;
    a.RedAlertMin = 5;
    a.BlinkAlertM = 1;
    a.BlinkAlert = 30;
    a.AlertON = QStringLiteral("ON");
    return a;
}

const QStringList kMorning{"06:20", "06:40"};

TickView walkAt(int h, int m, int s, const QStringList& times = kMorning, int walk = 7,
                const CountdownState& previous = {}, bool minimised = false) {
    return countdownTick({h, m, s}, line(times, walk), alerts(), minimised, previous);
}

std::array<QString, 4> slotsOf(std::initializer_list<const char*> times) {
    std::array<QString, 4> slots;
    std::size_t k = 0;
    for (const char* t : times) {
        slots[k++] = QString::fromLatin1(t);
    }
    return slots;
}

TEST(WalkCountdown, CountsToTheMomentToSetOffAndMovesOnWhenItHasPassed) {
    const TickView early = walkAt(6, 10, 0);
    EXPECT_TRUE(early.walking);
    EXPECT_EQ(early.slots, slotsOf({"06:20", "06:40"}));
    EXPECT_FALSE(early.lateSlot);
    EXPECT_EQ(early.countedSlot(), 0);
    EXPECT_EQ(early.countdownText, QStringLiteral("00:03:00"));
    EXPECT_EQ(early.sentence, QStringLiteral("Autobus 150 odjíždí v 06:20, vyrazte za 3 minuty."));
    EXPECT_EQ(early.busSentence, QStringLiteral("Autobus 150 odjíždí v 06:20, za 10 minut."));

    EXPECT_EQ(walkAt(6, 12, 59).countdownText, QStringLiteral("00:00:01"));
    EXPECT_EQ(walkAt(6, 12, 30).sentence,
              QStringLiteral("Autobus 150 odjíždí v 06:20, vyrazte za méně než minutu."));

    // 06:13: the 06:20 bus can only be caught by running. It stays in front,
    // and the countdown runs to setting off for 06:40.
    const TickView late = walkAt(6, 14, 0);
    EXPECT_EQ(late.slots, slotsOf({"06:20", "06:40"}));
    EXPECT_TRUE(late.lateSlot);
    EXPECT_EQ(late.countedSlot(), 1);
    EXPECT_EQ(late.countdownText, QStringLiteral("00:19:00"));
    EXPECT_EQ(late.title, normalTitle());
    EXPECT_EQ(late.sentence, QStringLiteral("Autobus 150 odjíždí v 06:40, vyrazte za 19 minut."));
    EXPECT_EQ(late.busSentence, QStringLiteral("Autobus 150 odjíždí v 06:20, za 6 minut."));

    // The 06:20 bus has left: no late slot; the due minute says nothing.
    const TickView left = walkAt(6, 20, 0);
    EXPECT_EQ(left.slots, slotsOf({"06:40"}));
    EXPECT_FALSE(left.lateSlot);
    EXPECT_FALSE(left.busInStationStarts);
    EXPECT_TRUE(left.announcement.isEmpty());
    EXPECT_EQ(left.countdownText, QStringLiteral("00:13:00"));
}

TEST(WalkCountdown, NoneReachableOnFootShowsNoCountdownButTheBusLeft) {
    CountdownState red = walkAt(6, 32, 0).state; // 06:40 is a minute away from setting off
    ASSERT_EQ(red.colour, AlertColour::Red);
    const TickView none = walkAt(6, 33, 30, kMorning, 7, red);
    EXPECT_EQ(none.slots, slotsOf({"06:40"}));
    EXPECT_TRUE(none.lateSlot);
    EXPECT_EQ(none.countdownText, QStringLiteral("--:--:--"));
    EXPECT_FALSE(none.alertStepRan);
    EXPECT_EQ(none.state.colour, AlertColour::Red) << "kept as the last countdown left it";
    EXPECT_EQ(none.sentence, QStringLiteral("Žádný další autobus už pěšky nestihnete."));
    EXPECT_EQ(none.busSentence, QStringLiteral("Autobus 150 odjíždí v 06:40, za 7 minut."));

    const TickView gone = walkAt(6, 41, 0);
    EXPECT_EQ(gone.slots, slotsOf({}));
    EXPECT_FALSE(gone.lateSlot);
    EXPECT_EQ(gone.sentence, QStringLiteral("Dnes už žádný autobus nejede."));
    EXPECT_EQ(gone.busSentence, QStringLiteral("Dnes už žádný autobus nejede."));
}

TEST(WalkCountdown, AtMostOneSlotIsLateAndThreeReachableFollowIt) {
    const QStringList many{"06:00", "06:05", "06:08", "06:10", "06:30", "06:50", "07:10", "07:30"};
    // At 06:04 with a 7-minute walk 06:05, 06:08 and 06:10 cannot be reached;
    // the last of them is shown.
    const TickView view = walkAt(6, 4, 10, many);
    EXPECT_EQ(view.slots, slotsOf({"06:10", "06:30", "06:50", "07:10"}));
    EXPECT_TRUE(view.lateSlot);
    EXPECT_EQ(view.countdownText, QStringLiteral("00:18:50"));
    // Without a late bus the four reachable ones fill the slots.
    EXPECT_EQ(walkAt(5, 50, 0, many).slots, slotsOf({"06:00", "06:05", "06:08", "06:10"}));
}

TEST(WalkCountdown, NothingWrapsOverMidnight) {
    const QStringList night{"00:05", "06:20"};
    // 00:05 would mean setting off at 23:58 the day before.
    const TickView midnight = walkAt(0, 0, 0, night);
    EXPECT_EQ(midnight.slots, slotsOf({"00:05", "06:20"}));
    EXPECT_TRUE(midnight.lateSlot);
    EXPECT_FALSE(midnight.busInStationStarts);
    EXPECT_EQ(midnight.countdownText, QStringLiteral("06:13:00"));
    EXPECT_FALSE(walkAt(0, 5, 0, night).busInStationStarts);
    // A two-hour walk: 01:59 is never counted to; at 00:30 even 02:01 is out of reach.
    EXPECT_EQ(walkAt(0, 0, 0, {"01:59", "02:01"}, 120).slots, slotsOf({"01:59", "02:01"}));
    EXPECT_EQ(walkAt(0, 30, 0, {"01:59", "02:01"}, 120).slots, slotsOf({"02:01"}));
    EXPECT_EQ(walkAt(0, 30, 0, {"01:59", "02:01"}, 120).countdownText, QStringLiteral("--:--:--"));
    EXPECT_EQ(walkAt(0, 0, 0, {"01:59", "02:01"}, 120).countdownText, QStringLiteral("00:01:00"));
}

TEST(WalkCountdown, TheTimeToSetOffIsShownOnceAtSecondZeroOfItsMinute) {
    const TickView due = walkAt(6, 13, 0);
    EXPECT_TRUE(due.busInStationStarts);
    EXPECT_TRUE(due.leaveMessage);
    EXPECT_EQ(due.announcement, QStringLiteral("Je čas vyrazit na autobus 150 v 06:20."));
    EXPECT_TRUE(due.lateSlot);
    EXPECT_EQ(due.countdownText, QStringLiteral("00:20:00"));
    const TickView after = walkAt(6, 13, 1, kMorning, 7, due.state);
    EXPECT_FALSE(after.busInStationStarts);
    EXPECT_TRUE(after.announcement.isEmpty());
    EXPECT_FALSE(walkAt(6, 12, 0).busInStationStarts);
}

// The countdown with a walk at t is the countdown to the bus itself at t + W:
// the same text, colours, sound, flashing and title, second by second.
TEST(WalkCountdown, TheAlertsRunOnTheNewCountdownWithTheSameThresholds) {
    const QStringList one{"06:20"};
    for (const bool minimised : {false, true}) {
        CountdownState walking;
        CountdownState atStop;
        int sounds = 0;
        int notices = 0;
        for (int second = 6 * 3600; second < 6 * 3600 + 13 * 60; ++second) {
            const int h = second / 3600;
            const int m = second / 60 % 60;
            const int s = second % 60;
            const TickView w = walkAt(h, m, s, one, 7, walking, minimised);
            const TickView b =
                countdownTick({h, m + 7, s}, line(one, 0), alerts(), minimised, atStop);
            ASSERT_EQ(w.countdownText, b.countdownText) << second;
            ASSERT_EQ(w.colour, b.colour) << w.countdownText.toStdString();
            ASSERT_EQ(w.playSound, b.playSound) << w.countdownText.toStdString();
            ASSERT_EQ(w.flashing, b.flashing) << w.countdownText.toStdString();
            ASSERT_EQ(w.title, b.title) << w.countdownText.toStdString();
            ASSERT_EQ(w.desktopNoticeDue, b.desktopNoticeDue) << w.countdownText.toStdString();
            sounds += w.playSound;
            if (w.desktopNoticeDue) {
                ++notices;
                EXPECT_EQ(w.notice.summary, QStringLiteral("Vyrazte za 5 minut"));
                EXPECT_EQ(w.notice.body, QStringLiteral("Linka 150 odjíždí v 06:20"));
            }
            if (w.playSound) {
                EXPECT_EQ(w.countdownText, QStringLiteral("00:04:59"));
                EXPECT_EQ(w.announcement,
                          QStringLiteral("Autobus 150 odjíždí v 06:20, vyrazte za 5 minut."));
            }
            walking = w.state;
            atStop = b.state;
        }
        EXPECT_EQ(sounds, minimised ? 0 : 1);
        EXPECT_EQ(notices, minimised ? 1 : 0);
    }
}

// A value of the walk key that does not switch it on: the ticks of a day are
// those of a file without the key.
TEST(WalkCountdown, AnOffValueOfTheKeyChangesNoTick) {
    const QStringList times{"00:00", "06:15", "06:45", "07:10", "23:59"};
    const auto loaded = [&](const QStringList& extra) {
        const LoadResult r = loadConfiguration(
            {true, ProfileDocument(test::fileBytes(test::lineConfig(times, "0", extra)))});
        EXPECT_EQ(r.status, LoadStatus::Loaded);
        return r.config;
    };
    const LoadedConfig without = loaded({});
    for (const char* value : {"0", "7.0", "abc", "500", "-7", "", "121"}) {
        const LoadedConfig off = loaded({QStringLiteral("WalkMin=") + value});
        CountdownState a;
        CountdownState b;
        for (int second = 0; second < 24 * 3600; second += 7) {
            const ClockSample at{second / 3600, second / 60 % 60, second % 60};
            const bool minimised = second % 3 == 0;
            const TickView x = countdownTick(at, without.timetable, without.alerts, minimised, a);
            const TickView y = countdownTick(at, off.timetable, off.alerts, minimised, b);
            ASSERT_EQ(x, y) << value << " at " << second;
            ASSERT_FALSE(y.walking);
            a = x.state;
            b = y.state;
        }
    }
}

} // namespace
} // namespace kvapomer
