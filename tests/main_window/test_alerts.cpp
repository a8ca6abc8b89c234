// The alert escalation as the window shows it over a worked stretch of day.

#include "main_window_fixture.h"

using namespace kvapomer;
using namespace kvapomer::test;

namespace {
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);

struct Row {
    int h, m, s;
    const char* countdown;
    bool red;
    int sounds; // total so far
    bool flashing;
    bool message;
};
} // namespace

TEST_F(MainWindowTest, WorkedDayEscalatesTickByTick) {
    writeConfig(sampleConfig({"10:00", "10:30"}));
    ASSERT_TRUE(startWindow());
    form->expandedView(); // built before it is first needed, to watch its message
    const std::vector<Row> rows{
        {9, 55, 0, "00:05:00", false, 0, false, false},
        {9, 55, 1, "00:04:59", true, 1, false, false},
        {9, 58, 30, "00:01:30", true, 1, false, false},
        {9, 58, 31, "00:01:29", true, 1, true, false},
        {9, 59, 0, "00:01:00", true, 1, true, false},
        {9, 59, 1, "00:00:59", true, 1, false, false},
        {9, 59, 31, "00:00:29", true, 1, true, false},
        {9, 59, 59, "00:00:01", true, 1, true, false},
        {10, 0, 0, "00:30:00", false, 1, false, true},
    };
    std::size_t next = 0;
    // Every second from 09:54:50 to 10:00:05, the flash timer's ticks in between.
    for (int t = 9 * 3600 + 54 * 60 + 50; t <= 10 * 3600 + 5; ++t) {
        tickAt(t / 3600, t / 60 % 60, t % 60);
        if (timer("FlashT")->isActive()) {
            form->flashTick();
            form->flashTick();
        }
        if (next < rows.size() && t == rows[next].h * 3600 + rows[next].m * 60 + rows[next].s) {
            const Row& r = rows[next++];
            SCOPED_TRACE(r.countdown);
            EXPECT_EQ(label("Label5")->text(), QString::fromLatin1(r.countdown));
            EXPECT_EQ(colourOf(label("Label5")), r.red ? kRed : kGreen);
            EXPECT_EQ(fake.sound.played.size(), r.sounds);
            EXPECT_EQ(timer("FlashT")->isActive(), r.flashing);
            EXPECT_EQ(!label("Label9")->isHidden(), r.message);
            EXPECT_EQ(timer("StayT")->isActive(), r.message);
        }
    }
    EXPECT_EQ(next, rows.size());
    EXPECT_EQ(fake.sound.played.size(), 1);
    EXPECT_FALSE(label("Label5")->isHidden());
}

TEST_F(MainWindowTest, MinimisedWindowStaysGreenAndSoundsOnRestore) {
    writeConfig(sampleConfig({"10:00"}));
    ASSERT_TRUE(startWindow());
    form->setWindowState(Qt::WindowMinimized);
    tickAt(9, 57, 0);
    EXPECT_EQ(colourOf(label("Label5")), kGreen);
    EXPECT_TRUE(form->state().countdown.SoundArmed);
    EXPECT_TRUE(fake.sound.played.isEmpty());
    form->setWindowState(Qt::WindowNoState);
    tickAt(9, 57, 1);
    EXPECT_EQ(colourOf(label("Label5")), kRed);
    EXPECT_EQ(fake.sound.played.size(), 1);
    // Minimised again inside the same red period: re-armed, sounds once more.
    form->setWindowState(Qt::WindowMinimized);
    tickAt(9, 57, 2);
    form->setWindowState(Qt::WindowNoState);
    tickAt(9, 57, 3);
    EXPECT_EQ(fake.sound.played.size(), 2);
}

TEST_F(MainWindowTest, NoDepartureLeftKeepsTheAlertStateOfTheLastTick) {
    writeConfig(sampleConfig({"10:00"}));
    ASSERT_TRUE(startWindow());
    tickAt(9, 59, 50);
    ASSERT_EQ(colourOf(label("Label5")), kRed);
    ASSERT_TRUE(timer("FlashT")->isActive());
    tickAt(10, 0, 0);
    EXPECT_EQ(label("Label5")->text(), QStringLiteral("--:--:--"));
    EXPECT_EQ(colourOf(label("Label5")), kRed);
    EXPECT_TRUE(timer("FlashT")->isActive());
    EXPECT_FALSE(form->state().countdown.SoundArmed);
}

TEST_F(MainWindowTest, SoundSwitchedOffStaysSilent) {
    QStringList lines = sampleConfig({"10:00"});
    lines.replace(lines.indexOf(QStringLiteral("AlertON=ON")), QStringLiteral("AlertON=OFF"));
    writeConfig(lines);
    ASSERT_TRUE(startWindow());
    tickAt(9, 57, 0);
    EXPECT_EQ(colourOf(label("Label5")), kRed);
    EXPECT_TRUE(fake.sound.played.isEmpty());
}
