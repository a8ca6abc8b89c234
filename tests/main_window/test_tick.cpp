// The one-second tick as the user sees it: departures, countdown, title,
// clock, view and the alerts it drives.

#include "main_window_fixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace kvapomer;
using namespace kvapomer::test;

namespace {
const QString kTitle = QStringLiteral("Orv Kvapomer  ver.1.5 [rev 22] CZ");
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
} // namespace

class TickTest : public MainWindowTest {
protected:
    void SetUp() override {
        writeConfig(sampleConfig());
        ASSERT_TRUE(startWindow());
        form->expandedView(); // built on first use
    }
    QStringList slotTexts() const {
        QStringList out;
        for (const char* n : {"Label3_0", "Label3_1", "Label3_2", "Label3_3"}) {
            out << label(n)->text();
        }
        return out;
    }
};

TEST_F(TickTest, ShowsTheNextDeparturesAndTheCountdown) {
    EXPECT_EQ(Form1::normalTitle(), kTitle);
    tickAt(6, 20, 30);
    EXPECT_EQ(slotTexts(), (QStringList{"06:45", "07:10", "07:40", "08:05"}));
    EXPECT_EQ(label("Label5")->text(), QStringLiteral("00:24:30"));
    EXPECT_EQ(form->windowTitle(), kTitle);
    EXPECT_EQ(form->state().clock.hour, 6);
    EXPECT_EQ(form->state().clock.second, 30);

    tickAt(8, 31, 0);
    EXPECT_EQ(slotTexts(), (QStringList{"", "", "", ""}));
    EXPECT_EQ(label("Label5")->text(), QStringLiteral("--:--:--"));
}

TEST_F(TickTest, ClockColonBlinksStartingWithTheColon) {
    tickAt(0, 0, 1);
    EXPECT_EQ(label("Label4")->text(), QStringLiteral("00:00"));
    tickAt(0, 0, 2);
    EXPECT_EQ(label("Label4")->text(), QStringLiteral("00 00"));
    tickAt(9, 5, 3);
    EXPECT_EQ(label("Label4")->text(), QStringLiteral("09:05"));
}

TEST_F(TickTest, NormalTitleIsSetOnlyWhenItDiffers) {
    QSignalSpy spy(form.get(), &QWidget::windowTitleChanged);
    tickAt(6, 20, 30);
    tickAt(6, 20, 31);
    tickAt(6, 20, 32);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(TickTest, MinimisedTitleIsTheCountdownAndReturnsOnRestore) {
    form->setWindowState(Qt::WindowMinimized);
    tickAt(6, 20, 30);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("00:24:30"));
    tickAt(6, 20, 31);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("00:24:29"));
    form->setWindowState(Qt::WindowNoState);
    tickAt(6, 20, 32);
    EXPECT_EQ(form->windowTitle(), kTitle);
}

TEST_F(TickTest, MinimisedWhileFlashingTheTickLeavesTheTitleToTheFlash) {
    form->setWindowState(Qt::WindowMinimized);
    tickAt(6, 44, 40); // 00:00:20 left: inside the flashing span
    ASSERT_TRUE(timer("FlashT")->isActive());
    form->flashTick();
    EXPECT_EQ(form->windowTitle(), QStringLiteral(" "));
    EXPECT_TRUE(label("Label5")->isHidden());
    tickAt(6, 44, 41);
    EXPECT_EQ(form->windowTitle(), QStringLiteral(" "));
    form->flashTick();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("00:00:19"));
    EXPECT_FALSE(label("Label5")->isHidden());
}

TEST_F(TickTest, ViewChangesAtTheNextTickAndMirrorsTheCountdown) {
    tickAt(6, 20, 30);
    QPushButton* command1 = control<QPushButton>("Command1");
    QTest::mouseClick(command1, Qt::LeftButton);
    EXPECT_TRUE(form->state().Expanded);
    EXPECT_EQ(command1->text(), QStringLiteral("Zvětšit"));
    EXPECT_TRUE(control("Frame4")->isHidden());

    tickAt(6, 41, 0); // 00:04:00 left: red
    EXPECT_EQ(command1->text(), QStringLiteral("Zmenšit"));
    EXPECT_FALSE(control("Frame4")->isHidden());
    EXPECT_EQ(label("Label8")->text(), QStringLiteral("00:04:00"));
    EXPECT_EQ(colourOf(label("Label8")), kRed);

    tickAt(8, 31, 0);
    EXPECT_EQ(label("Label8")->text(), QStringLiteral("--:--:--"));
    EXPECT_EQ(colourOf(label("Label8")), colourOf(label("Label5")));

    // Two clicks between ticks leave the view as it was.
    QTest::mouseClick(command1, Qt::LeftButton);
    QTest::mouseClick(command1, Qt::LeftButton);
    tickAt(8, 31, 1);
    EXPECT_FALSE(control("Frame4")->isHidden());
    QTest::mouseClick(command1, Qt::LeftButton);
    tickAt(8, 31, 2);
    EXPECT_TRUE(control("Frame4")->isHidden());
    EXPECT_EQ(command1->text(), QStringLiteral("Zvětšit"));
}

TEST_F(TickTest, RestoredExpandedViewShowsOnTheFirstTick) {
    writeConfig(sampleConfig({"06:15"}, QStringLiteral("1")));
    ASSERT_TRUE(form->LoadData());
    tickAt(6, 0, 0);
    EXPECT_FALSE(control("Frame4")->isHidden());
    EXPECT_EQ(control<QPushButton>("Command1")->text(), QStringLiteral("Zmenšit"));
}

TEST_F(TickTest, RedWarningPlaysTheSoundOnceAndTurnsGreenAfterTheDeparture) {
    tickAt(6, 40, 0); // 00:05:00: still green
    EXPECT_EQ(colourOf(label("Label5")), kGreen);
    EXPECT_TRUE(fake.sound.played.isEmpty());
    tickAt(6, 40, 1); // 00:04:59: red, sound
    EXPECT_EQ(colourOf(label("Label5")), kRed);
    ASSERT_EQ(fake.sound.played.size(), 1);
    EXPECT_EQ(fake.sound.played[0], folder.path() + QStringLiteral("/alarm.wav"));
    tickAt(6, 40, 2);
    EXPECT_EQ(fake.sound.played.size(), 1);
    tickAt(6, 45, 0); // departure: next one 25 minutes ahead
    EXPECT_EQ(colourOf(label("Label5")), kGreen);
    EXPECT_TRUE(form->state().countdown.SoundArmed);
}

TEST_F(TickTest, BusInStationMessageStartsAtSecondZeroForTenAndAHalfSeconds) {
    tickAt(6, 44, 59);
    EXPECT_TRUE(label("Label9")->isHidden());
    tickAt(6, 45, 0);
    EXPECT_FALSE(label("Label9")->isHidden());
    ASSERT_TRUE(timer("StayT")->isActive());
    const int remaining = timer("StayT")->remainingTime();
    tickAt(6, 45, 1); // the message is not started again
    EXPECT_LE(timer("StayT")->remainingTime(), remaining);
    form->stayTick();
    EXPECT_TRUE(label("Label9")->isHidden());
    EXPECT_FALSE(timer("StayT")->isActive());
}

TEST_F(TickTest, FlashingEndsWithTheCountdownShown) {
    tickAt(6, 43, 31); // 00:01:29
    ASSERT_TRUE(timer("FlashT")->isActive());
    form->flashTick();
    ASSERT_TRUE(label("Label5")->isHidden());
    ASSERT_TRUE(label("Label8")->isHidden());
    tickAt(6, 44, 1); // 00:00:59: steady
    EXPECT_FALSE(timer("FlashT")->isActive());
    EXPECT_FALSE(label("Label5")->isHidden());
    EXPECT_FALSE(label("Label8")->isHidden());
}

TEST_F(TickTest, TheRealTimerTicksOncePerSecond) {
    // Driven by the real event loop; the fake clock follows the tick count so
    // that every firing is a new second.
    int ticks = 0;
    QObject::connect(timer("Timer1"), &QTimer::timeout, form.get(), [&] {
        ++ticks;
        fake.clock.set(6, 20, ticks % 60, 20);
    });
    QTest::qWait(2300);
    EXPECT_GE(ticks, 2);
    EXPECT_LE(ticks, 4);
    EXPECT_TRUE(timer("Timer1")->isActive());
}
