// "Uložit" and the refusals of a save, through the settings window.

#include "profile/profile_store.h"
#include "settings_fixture.h"

#include <QDir>

namespace kvapomer::test {
namespace {

// Line 150 in the middle of the file, between the view and line 136, with a
// stored alert sound and the expanded view.
QStringList middleLine() {
    return lineConfig({"05:00", "06:15", "07:40"}, QStringLiteral("1"),
                      {"[136]", "Description=(směr Háje)", "t0=09:10", "NumberOfTimes=1"});
}

class SaveTest : public SettingsTest {
protected:
    void TearDown() override {
        testing::setFaultHook({});
        SettingsTest::TearDown();
    }
    void removeSelected() {
        form->timer1Tick();
        button("Command4")->click();
    }
    void expectSaveError(int number, const QString& description) {
        ASSERT_FALSE(fake.messageBox.shown.empty());
        const ShownMessage& m = fake.messageBox.shown.back();
        EXPECT_EQ(m.text, "Chyba při ukládání");
        EXPECT_EQ(m.title, QStringLiteral("Error #%1 [%2]").arg(number).arg(description));
        EXPECT_EQ(m.style, MessageStyle::Error);
    }
};

TEST_F(SaveTest, AsksBeforeSaving) {
    open();
    save(MessageAnswer::No);
    ASSERT_EQ(fake.messageBox.shown.size(), 1u);
    EXPECT_EQ(fake.messageBox.shown[0].text, "Opravdu chcete uložit toto nastavení?");
    EXPECT_EQ(fake.messageBox.shown[0].title, "Uložit?");
    EXPECT_EQ(fake.messageBox.shown[0].style, MessageStyle::QuestionYesNo);
}

TEST_F(SaveTest, SavingTheLineWritesItsSectionAnewAtTheEnd) {
    open(middleLine());
    list()->setCurrentRow(0); // 05:00
    removeSelected();
    save();
    EXPECT_EQ(configBytes(),
              fileBytes({"[Main]", "Bus=150", "AlertON=ON", "AlertWav=alarm.wav", "RedAlertMin=5",
                         "BlinkAlert=30", "BlinkAlertM=1", "[Set]", "Stav=1", "[136]",
                         "Description=(směr Háje)", "t0=09:10", "NumberOfTimes=1", "[150]",
                         "Description=(směr Kačerov)", "t0=06:15", "t1=07:40", "NumberOfTimes=2"}));
    EXPECT_EQ(mainHeading(), "Příjezdy BUS č.150");
    EXPECT_EQ(main->state().timetable.Times, QStringList({"06:15", "07:40"}));
    EXPECT_TRUE(settingsClosed());
    EXPECT_EQ(fake.messageBox.shown.size(), 1u); // the question only
}

TEST_F(SaveTest, NewLineNumberLeavesTheOldLineUntouched) {
    open(middleLine());
    type("Text1", QStringLiteral("151"));
    text("Text2")->setText(QStringLiteral("(směr Depo)"));
    save();
    const QString file = configText();
    EXPECT_TRUE(file.contains(QStringLiteral("[150]\r\nDescription=(směr Kačerov)\r\nt0=05:00\r\n"
                                             "t1=06:15\r\nt2=07:40\r\nNumberOfTimes=3\r\n[136]")));
    EXPECT_TRUE(file.endsWith(QStringLiteral("[151]\r\nDescription=(směr Depo)\r\nt0=05:00\r\n"
                                             "t1=06:15\r\nt2=07:40\r\nNumberOfTimes=3\r\n")));
    EXPECT_EQ(read("Main", "Bus"), "151");
    EXPECT_EQ(main->state().timetable.Bus, "151");
    EXPECT_EQ(mainHeading(), "Příjezdy BUS č.151");
}

TEST_F(SaveTest, ShrunkListLeavesNoStaleTimes) {
    open(settingsConfig({"06:00", "07:00", "08:00", "09:00", "10:00"}));
    for (int i = 0; i < 3; ++i) {
        list()->setCurrentRow(0);
        removeSelected();
    }
    save();
    EXPECT_EQ(read("150", "t0"), "09:00");
    EXPECT_EQ(read("150", "t1"), "10:00");
    for (const char* key : {"t2", "t3", "t4"}) {
        EXPECT_EQ(read("150", key), "unknown value") << key;
    }
    EXPECT_EQ(read("150", "NumberOfTimes"), "2");
}

TEST_F(SaveTest, AlertNumbersAreWrittenAsTypedWhenBelowSixty) {
    open();
    type("Text5", QStringLiteral("75"));
    type("Text6", QStringLiteral("-5"));
    type("Text7", QStringLiteral("05"));
    save();
    EXPECT_EQ(read("Main", "RedAlertMin"), "5"); // 75 is left as it was
    EXPECT_EQ(read("Main", "BlinkAlert"), "-5");
    EXPECT_EQ(read("Main", "BlinkAlertM"), "05");
    EXPECT_EQ(main->state().alerts.BlinkAlertM, 5);
    EXPECT_TRUE(fake.messageBox.shown.size() == 1u);
    openSettings();
    EXPECT_EQ(text("Text7")->text(), "5");
}

TEST_F(SaveTest, AlertBoxesThatAreNoNumbersLeaveTheirKeys) {
    open();
    type("Text5", QStringLiteral("ab"));
    type("Text6", QStringLiteral("60"));
    type("Text7", QStringLiteral(""));
    save();
    EXPECT_EQ(read("Main", "RedAlertMin"), "5");
    EXPECT_EQ(read("Main", "BlinkAlert"), "30");
    EXPECT_EQ(read("Main", "BlinkAlertM"), "1");
    EXPECT_TRUE(settingsClosed());
}

TEST_F(SaveTest, SoundSwitchWritesOnOrOff) {
    open();
    check("Check1")->setChecked(false);
    save();
    EXPECT_EQ(read("Main", "AlertON"), "OFF");
    openSettings();
    EXPECT_FALSE(check("Check1")->isChecked());
    check("Check1")->setChecked(true);
    save();
    EXPECT_EQ(read("Main", "AlertON"), "ON");
}

TEST_F(SaveTest, UnknownValueNoteIsStoredAsSuch) {
    QStringList lines = settingsConfig();
    lines.removeAll(QStringLiteral("Description=(směr Kačerov)"));
    open(lines);
    save();
    EXPECT_EQ(read("150", "Description"), "unknown value");
}

TEST_F(SaveTest, AlertWavAndStavAreNeverWritten) {
    QStringList lines = middleLine();
    lines.replaceInStrings(QStringLiteral("Stav=1"), QStringLiteral("Stav=0"));
    open(lines);
    type("Text5", QStringLiteral("9"));
    check("Check1")->setChecked(false);
    save();
    EXPECT_EQ(read("Main", "AlertWav"), "alarm.wav");
    EXPECT_EQ(read("Set", "Stav"), "0");
    EXPECT_TRUE(configText().contains(QStringLiteral("AlertWav=alarm.wav\r\nRedAlertMin=9\r\n")));
}

TEST_F(SaveTest, AnsweringNoLeavesTheFileByteForByte) {
    open(middleLine());
    const QByteArray before = configBytes();
    type("Text1", QStringLiteral("151"));
    addTime(QStringLiteral("10"), QStringLiteral("00"));
    save(MessageAnswer::No);
    EXPECT_EQ(configBytes(), before);
    EXPECT_FALSE(settingsClosed());
    EXPECT_EQ(text("Text1")->text(), "151");
}

TEST_F(SaveTest, EmptyListIsRefusedWithTheWindowOpen) {
    open(settingsConfig({"06:00"}));
    removeSelected();
    ASSERT_EQ(list()->count(), 0);
    const QByteArray before = configBytes();
    save();
    expectSaveError(9, QStringLiteral("Index mimo rozsah"));
    EXPECT_EQ(configBytes(), before);
    EXPECT_FALSE(settingsClosed());
    EXPECT_EQ(main->state().timetable.Times, QStringList({"06:00"}));
}

TEST_F(SaveTest, InvalidLineNumbersAreRefusedBeforeAnythingIsWritten) {
    open(middleLine());
    const QByteArray before = configBytes();
    for (const QString& line :
         {QStringLiteral(""), QStringLiteral("Main"), QStringLiteral("mAIN"), QStringLiteral("SET"),
          QStringLiteral("set"), QStringLiteral("1[5"), QStringLiteral("15]"),
          QStringLiteral(" 151"), QStringLiteral("151 "), QStringLiteral("\t151"),
          QStringLiteral("151\t"), QStringLiteral("150Ω"), QStringLiteral("\"150\"")}) {
        SCOPED_TRACE(line.toStdString());
        fake.messageBox.shown.clear();
        type("Text1", line);
        save();
        expectSaveError(5, QStringLiteral("Neplatné volání procedury nebo argument"));
        EXPECT_EQ(configBytes(), before);
        ASSERT_FALSE(settingsClosed());
        EXPECT_EQ(text("Text1")->text(), line);
    }
}

TEST_F(SaveTest, NoteThatTheFileCannotHoldIsRefused) {
    open();
    const QByteArray before = configBytes();
    text("Text2")->setText(QStringLiteral("směr → Háje"));
    save();
    expectSaveError(5, QStringLiteral("Neplatné volání procedury nebo argument"));
    EXPECT_EQ(configBytes(), before);
    EXPECT_FALSE(settingsClosed());
    EXPECT_EQ(text("Text2")->text(), "směr → Háje");
}

TEST_F(SaveTest, FailedUpdateKeepsTheWindowAndTheFile) {
    open();
    const QByteArray before = configBytes();
    addTime(QStringLiteral("09"), QStringLiteral("30"));
    testing::setFaultHook([](testing::UpdateStage stage) {
        return stage != testing::UpdateStage::TempWritten; // the crash: temp written, no rename
    });
    save();
    ASSERT_FALSE(fake.messageBox.shown.empty());
    EXPECT_EQ(fake.messageBox.shown.back().text, "Chyba při ukládání");
    EXPECT_TRUE(fake.messageBox.shown.back().title.startsWith(QStringLiteral("Error #")));
    EXPECT_EQ(fake.messageBox.shown.back().style, MessageStyle::Error);
    EXPECT_EQ(configBytes(), before);
    EXPECT_FALSE(settingsClosed());
    EXPECT_EQ(listEntries(), QStringList({"06:15", "07:40", "09:30"}));
    EXPECT_FALSE(fake.programEnd.ended);
    for (const QString& entry : folder.entries()) {
        EXPECT_FALSE(entry.endsWith(QStringLiteral(".tmp"))) << entry.toStdString();
    }
    // Once the cause is gone the same contents save.
    testing::setFaultHook({});
    save();
    EXPECT_EQ(read("150", "t2"), "09:30");
    EXPECT_TRUE(settingsClosed());
}

TEST_F(SaveTest, UnwritableTargetShowsTheErrorNumberAndDescription) {
    open();
    ASSERT_TRUE(QFile::remove(path()));
    ASSERT_TRUE(QDir(folder.path()).mkdir(kIni));
    save();
    ASSERT_EQ(fake.messageBox.shown.size(), 2u);
    const ShownMessage& m = fake.messageBox.shown.back();
    EXPECT_EQ(m.text, "Chyba při ukládání");
    EXPECT_TRUE(m.title.startsWith(QStringLiteral("Error #")));
    EXPECT_TRUE(m.title.endsWith(QStringLiteral("]")));
    EXPECT_TRUE(m.title.contains(QStringLiteral(" [")));
    EXPECT_FALSE(settingsClosed());
    EXPECT_FALSE(fake.programEnd.ended);
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

} // namespace
} // namespace kvapomer::test
