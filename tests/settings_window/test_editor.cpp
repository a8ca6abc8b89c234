// Filling the settings window, the line switch, adding and removing times.

#include "settings_fixture.h"

#include <QTest>

namespace kvapomer::test {
namespace {

// Lines 1 (usable), 15 (first time not five characters) and 136 besides 150.
QStringList severalLines() {
    return settingsConfig({"06:15", "07:40"},
                          {"[1]", "Description=(jednička)", "t0=05:00", "NumberOfTimes=1", "[15]",
                           "Description=(patnáct)", "t0=5:00", "NumberOfTimes=1", "[136]",
                           "Description=(směr Háje)", "t0=09:10", "t1=10:20", "t2=11:30",
                           "NumberOfTimes=3"});
}

QStringList withMain(QStringList lines, const QString& from, const QString& to) {
    lines.replaceInStrings(from, to);
    return lines;
}

using EditorTest = SettingsTest;

TEST_F(EditorTest, OpeningFillsFromTheLoadedLine) {
    open(settingsConfig({"07:40", "06:15", "12:00"}));
    EXPECT_EQ(form->openingBus(), "150");
    EXPECT_EQ(text("Text1")->text(), "150");
    EXPECT_EQ(text("Text2")->text(), "(směr Kačerov)");
    EXPECT_EQ(listEntries(), QStringList({"06:15", "07:40", "12:00"}));
    EXPECT_EQ(selectedRow(), 0);
    EXPECT_TRUE(check("Check1")->isChecked());
    EXPECT_EQ(text("Text5")->text(), "5");
    EXPECT_EQ(text("Text7")->text(), "1");
    EXPECT_EQ(text("Text6")->text(), "30");
    EXPECT_EQ(text("Text3")->text(), "00");
    EXPECT_EQ(text("Text4")->text(), "00");
}

TEST_F(EditorTest, OpeningReloadsTheFileThroughTheNestedFilling) {
    writeConfig(settingsConfig());
    ASSERT_TRUE(startMain());
    // The file changes behind the program's back: the opening's line switch
    // reloads it, and the outer filling shows the reloaded values.
    writeConfig(withMain(withMain(settingsConfig({"08:00"}), "RedAlertMin=5", "RedAlertMin=7"),
                         "(směr Kačerov)", "(směr Depo)"));
    openSettings();
    EXPECT_EQ(listEntries(), QStringList({"08:00"}));
    EXPECT_EQ(text("Text2")->text(), "(směr Depo)");
    EXPECT_EQ(text("Text5")->text(), "7");
    EXPECT_EQ(main->noteText(), "(směr Depo)");
    EXPECT_EQ(main->state().alerts.RedAlertMin, 7);
    EXPECT_TRUE(fake.messageBox.shown.empty());
}

TEST_F(EditorTest, OpeningShowsAnInvalidStoredTimeAgain) {
    writeConfig(settingsConfig({"06:15", "7:40"}));
    ASSERT_TRUE(startMain());
    ASSERT_EQ(fake.messageBox.shown.size(), 1u);
    openSettings();
    ASSERT_EQ(fake.messageBox.shown.size(), 2u);
    EXPECT_EQ(fake.messageBox.shown[1].title, "Chyba vstupních dat");
    EXPECT_EQ(listEntries(), QStringList({"00:00", "06:15"}));
}

TEST_F(EditorTest, LowerCaseOnLeavesTheSoundUnticked) {
    open(withMain(settingsConfig(), "AlertON=ON", "AlertON=on"));
    EXPECT_FALSE(check("Check1")->isChecked());
}

TEST_F(EditorTest, AlertNumbersOpenAsPlainDecimals) {
    open(withMain(withMain(settingsConfig(), "RedAlertMin=5", "RedAlertMin=05"), "BlinkAlert=30",
                  "BlinkAlert=-4"));
    EXPECT_EQ(text("Text5")->text(), "5");
    EXPECT_EQ(text("Text6")->text(), "-4");
}

TEST_F(EditorTest, MissingNoteOpensAsUnknownValue) {
    open(withMain(settingsConfig(), "Description=(směr Kačerov)", "Poznamka=x"));
    EXPECT_EQ(text("Text2")->text(), "unknown value");
}

TEST_F(EditorTest, TypingSwitchesAtEveryIntermediateText) {
    open(withMain(severalLines(), "Bus=150", "Bus=136"));
    EXPECT_EQ(listEntries(), QStringList({"09:10", "10:20", "11:30"}));
    text("Text1")->clear();
    QTest::keyClicks(text("Text1"), QStringLiteral("1"));
    EXPECT_EQ(read("Main", "Bus"), "1");
    EXPECT_EQ(listEntries(), QStringList({"05:00"}));
    EXPECT_EQ(text("Text2")->text(), "(jednička)");
    EXPECT_EQ(main->state().timetable.Bus, "1");
    EXPECT_EQ(mainHeading(), "Příjezdy BUS č.1");

    QTest::keyClicks(text("Text1"), QStringLiteral("5")); // 15: first time is 4 characters
    EXPECT_EQ(text("Text1")->text(), "15");
    EXPECT_EQ(read("Main", "Bus"), "1");
    EXPECT_EQ(listEntries(), QStringList({"05:00"}));

    QTest::keyClicks(text("Text1"), QStringLiteral("0"));
    EXPECT_EQ(text("Text1")->text(), "150");
    EXPECT_EQ(read("Main", "Bus"), "150");
    EXPECT_EQ(listEntries(), QStringList({"06:15", "07:40"}));
    EXPECT_EQ(text("Text2")->text(), "(směr Kačerov)");
    EXPECT_EQ(mainHeading(), "Příjezdy BUS č.150");
    EXPECT_EQ(form->openingBus(), "136");
    EXPECT_TRUE(fake.messageBox.shown.empty());
}

TEST_F(EditorTest, SwitchReplacesUnsavedEdits) {
    open(severalLines());
    text("Text2")->setText(QStringLiteral("upraveno"));
    check("Check1")->setChecked(false);
    type("Text5", QStringLiteral("9"));
    addTime(QStringLiteral("23"), QStringLiteral("00"));
    type("Text1", QStringLiteral("136"));
    EXPECT_EQ(listEntries(), QStringList({"09:10", "10:20", "11:30"}));
    EXPECT_EQ(text("Text2")->text(), "(směr Háje)");
    EXPECT_TRUE(check("Check1")->isChecked());
    EXPECT_EQ(text("Text5")->text(), "5");
    EXPECT_EQ(selectedRow(), 0);
}

TEST_F(EditorTest, UnknownLineNumberChangesNothingButTheBox) {
    open(severalLines());
    text("Text2")->setText(QStringLiteral("upraveno"));
    type("Text5", QStringLiteral("9"));
    const QByteArray before = configBytes();
    type("Text1", QStringLiteral("999"));
    EXPECT_EQ(text("Text1")->text(), "999");
    EXPECT_EQ(listEntries(), QStringList({"06:15", "07:40"}));
    EXPECT_EQ(text("Text2")->text(), "upraveno");
    EXPECT_EQ(text("Text5")->text(), "9");
    EXPECT_EQ(configBytes(), before);
    EXPECT_EQ(main->state().timetable.Bus, "150");
}

// Lines that would stop the program if they were loaded are not switched to.
TEST_F(EditorTest, NoSwitchToALineThatWouldNotLoad) {
    for (const QString& count :
         {QStringLiteral("NumberOfTimes=0"), QStringLiteral("Pocet=1"),
          QStringLiteral("NumberOfTimes=abc"), QStringLiteral("NumberOfTimes=-32768"),
          QStringLiteral("NumberOfTimes=40000"), QStringLiteral("NumberOfTimes=")}) {
        SCOPED_TRACE(count.toStdString());
        closeSettings();
        main.reset();
        fake.programEnd.ended = false;
        open(settingsConfig({"06:15"}, {"[7]", "t0=05:00", count}));
        const QByteArray before = configBytes();
        type("Text1", QStringLiteral("7"));
        EXPECT_EQ(configBytes(), before);
        EXPECT_EQ(listEntries(), QStringList({"06:15"}));
        EXPECT_FALSE(fake.programEnd.ended);
        EXPECT_TRUE(fake.messageBox.shown.empty());
    }
}

TEST_F(EditorTest, NoSwitchWhileTheGlobalSettingsWouldNotLoad) {
    const std::vector<std::pair<QString, QString>> breaks{
        {"RedAlertMin=5", "RedAlertMin=x"},
        {"BlinkAlert=30", "BlinkAlert=99999"},
        {"BlinkAlertM=1", "BlinkAlertM="},
        {"Stav=0", "Stav=256"},
    };
    for (const auto& [from, to] : breaks) {
        SCOPED_TRACE(to.toStdString());
        closeSettings();
        main.reset();
        open(severalLines());
        // The file is spoilt while the window is open.
        writeConfig(withMain(severalLines(), from, to));
        const QByteArray before = configBytes();
        type("Text1", QStringLiteral("136"));
        EXPECT_EQ(configBytes(), before);
        EXPECT_EQ(listEntries(), QStringList({"06:15", "07:40"}));
        EXPECT_FALSE(fake.programEnd.ended);
    }
}

TEST_F(EditorTest, AddingPutsTheTimeAtItsSortedPlace) {
    open(settingsConfig({"06:15", "18:30"}));
    addTime(QStringLiteral("12"), QStringLiteral("00"));
    EXPECT_EQ(listEntries(), QStringList({"06:15", "12:00", "18:30"}));
    addTime(QStringLiteral("07"), QStringLiteral("05"));
    EXPECT_EQ(listEntries(), QStringList({"06:15", "07:05", "12:00", "18:30"}));
    EXPECT_EQ(text("Text3")->text(), "07");
    EXPECT_EQ(text("Text4")->text(), "05");
    addTime(QStringLiteral("00"), QStringLiteral("00"));
    addTime(QStringLiteral("23"), QStringLiteral("59"));
    EXPECT_EQ(listEntries().first(), "00:00");
    EXPECT_EQ(listEntries().last(), "23:59");
}

TEST_F(EditorTest, AddingTheSameTimeTwiceShowsItTwice) {
    open();
    addTime(QStringLiteral("08"), QStringLiteral("00"));
    addTime(QStringLiteral("08"), QStringLiteral("00"));
    EXPECT_EQ(listEntries(), QStringList({"06:15", "07:40", "08:00", "08:00"}));
}

TEST_F(EditorTest, AddingRefusesAnythingButTwoDigitFieldsInRange) {
    open();
    const std::vector<std::pair<QString, QString>> refused{
        {"7", "30"},  {"07", "3"},  {"24", "00"}, {"00", "60"}, {"-1", "05"},
        {"+1", "05"}, {" 7", "05"}, {"07", " 5"}, {"1.", "05"}, {"ab", "05"},
        {"", "05"},   {"07", ""},   {"99", "99"}, {"٠٧", "05"}};
    for (const auto& [hours, minutes] : refused) {
        addTime(hours, minutes);
        EXPECT_EQ(listEntries(), QStringList({"06:15", "07:40"}))
            << hours.toStdString() << ":" << minutes.toStdString();
    }
    EXPECT_TRUE(fake.messageBox.shown.empty());
}

TEST_F(EditorTest, RemovingSelectsTheEntryThatFollowed) {
    open(settingsConfig({"06:00", "07:00", "08:00"}));
    list()->setCurrentRow(1);
    button("Command4")->setEnabled(true);
    button("Command4")->click();
    EXPECT_EQ(listEntries(), QStringList({"06:00", "08:00"}));
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(list()->item(1)->text(), "08:00");
}

TEST_F(EditorTest, RemovingTheLastEntryLeavesNoneSelected) {
    open(settingsConfig({"06:00", "07:00", "08:00"}));
    list()->setCurrentRow(2);
    form->timer1Tick();
    ASSERT_TRUE(button("Command4")->isEnabled());
    button("Command4")->click();
    EXPECT_EQ(listEntries(), QStringList({"06:00", "07:00"}));
    EXPECT_EQ(selectedRow(), -1);
    form->timer1Tick();
    EXPECT_FALSE(button("Command4")->isEnabled());
}

TEST_F(EditorTest, RemovingWithoutSelectionRemovesNothing) {
    open(settingsConfig({"06:00", "07:00"}));
    list()->clearSelection();
    button("Command4")->setEnabled(true); // as in the moment before the next tick
    button("Command4")->click();
    EXPECT_EQ(listEntries(), QStringList({"06:00", "07:00"}));
}

TEST_F(EditorTest, RemovingTheOnlyEntryEmptiesTheList) {
    open(settingsConfig({"06:00"}));
    form->timer1Tick();
    button("Command4")->click();
    EXPECT_EQ(list()->count(), 0);
    form->timer1Tick();
    EXPECT_FALSE(button("Command4")->isEnabled());
}

TEST_F(EditorTest, Timer1EnablesRemovingWhileAnEntryIsSelected) {
    open();
    EXPECT_FALSE(button("Command4")->isEnabled()); // until the first tick
    QTest::qWait(300);
    EXPECT_TRUE(button("Command4")->isEnabled());
    list()->clearSelection();
    QTest::qWait(300);
    EXPECT_FALSE(button("Command4")->isEnabled());
}

TEST_F(EditorTest, ZpatkyAfterASwitchRestoresTheFileButNotTheMainWindow) {
    open(severalLines());
    type("Text1", QStringLiteral("136"));
    ASSERT_EQ(read("Main", "Bus"), "136");
    button("Command2")->click();
    EXPECT_EQ(read("Main", "Bus"), "150");
    EXPECT_EQ(main->state().timetable.Bus, "136");
    EXPECT_EQ(mainHeading(), "Příjezdy BUS č.136");
    EXPECT_TRUE(settingsClosed());
}

TEST_F(EditorTest, ZpatkyWithoutASwitchChangesNothing) {
    open();
    const QByteArray before = configBytes();
    text("Text2")->setText(QStringLiteral("upraveno"));
    addTime(QStringLiteral("09"), QStringLiteral("00"));
    button("Command2")->click();
    EXPECT_EQ(configBytes(), before);
    EXPECT_TRUE(settingsClosed());
    EXPECT_TRUE(fake.messageBox.shown.empty());
}

TEST_F(EditorTest, ClosingThroughTheFrameKeepsTheSwitchedLine) {
    open(severalLines());
    type("Text1", QStringLiteral("136"));
    const QByteArray before = configBytes();
    form->close();
    EXPECT_TRUE(settingsClosed());
    EXPECT_EQ(configBytes(), before);
    EXPECT_EQ(read("Main", "Bus"), "136");
}

TEST_F(EditorTest, NextOpeningStartsAfreshFromMemory) {
    open(severalLines());
    type("Text1", QStringLiteral("136"));
    button("Command2")->click();
    ASSERT_TRUE(settingsClosed());
    openSettings();
    EXPECT_EQ(form->openingBus(), "136");
    EXPECT_EQ(text("Text1")->text(), "136");
    EXPECT_EQ(read("Main", "Bus"), "136"); // the opening's switch wrote it again
}

} // namespace
} // namespace kvapomer::test
