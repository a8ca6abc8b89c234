// Saving a dated line from the settings window: the user's own list makes a
// plain line, a save that keeps the list keeps the line dated.

#include "config/dated_day.h"
#include "config/settings_save.h"
#include "settings_fixture.h"
#include "support/dated_sample.h"

namespace kvapomer::test {
namespace {

using namespace std::chrono_literals;
using std::chrono::sys_days;

class DatedSaveTest : public SettingsTest {
protected:
    // Opens the settings window on the dated line 150 on `date`.
    void openOn(const QDate& date) {
        const DatedLine line = marchLine(QStringLiteral("/data/feed.zip"));
        ProfileDocument doc(fileBytes(settingsConfig()));
        applyLineSection(doc,
                         {QStringLiteral("150"), QStringLiteral("(směr Kačerov)"),
                          timesText(line.lists[0]), line},
                         false);
        folder.write(kIni, doc.bytes());
        fake.clock.date = date;
        ASSERT_TRUE(startMain());
        openSettings();
    }
    bool dated(const QString& section) const {
        return readDatedSection(ProfileDocument(configBytes()), section).has_value();
    }
    // The file with line 150 written plain, as a save of a plain line leaves it.
    static QByteArray plainFile(const QStringList& times) {
        ProfileDocument doc(fileBytes(settingsConfig()));
        applyLineSection(
            doc, {QStringLiteral("150"), QStringLiteral("(směr Kačerov)"), times, std::nullopt},
            false);
        return doc.bytes();
    }
};

TEST_F(DatedSaveTest, ChangingOnlyTheAlertsKeepsTheLineDated) {
    openOn(QDate(2027, 3, 13)); // Saturday
    EXPECT_EQ(listEntries(), (QStringList{"08:00", "23:59"}));
    QByteArray expected = configBytes();
    type("Text5", "7");
    save();
    ASSERT_TRUE(settingsClosed());
    expected.replace("RedAlertMin=5", "RedAlertMin=7");
    EXPECT_EQ(configBytes(), expected);
    EXPECT_TRUE(dated("150"));
}

TEST_F(DatedSaveTest, ChangingATimeMakesAPlainLine) {
    openOn(QDate(2027, 3, 13));
    list()->setCurrentRow(0); // 08:00
    form->timer1Tick();
    button("Command4")->click();
    addTime("08", "05");
    save();
    ASSERT_TRUE(settingsClosed());
    EXPECT_EQ(configBytes(), plainFile({"08:05", "23:59"}));
    // The next date leaves the user's list alone.
    fake.clock.date = QDate(2027, 3, 15);
    main->tick();
    EXPECT_EQ(main->state().today.Times, (QStringList{"08:05", "23:59"}));
}

TEST_F(DatedSaveTest, ASaveUnderAnotherNumberWritesAPlainLine) {
    openOn(QDate(2027, 3, 15)); // Monday
    type("Text1", "151");
    save();
    ASSERT_TRUE(settingsClosed());
    EXPECT_TRUE(dated("150"));
    EXPECT_FALSE(dated("151"));
    EXPECT_EQ(read("151", "NumberOfTimes"), "3");
    EXPECT_EQ(read("Main", "Bus"), "151");
}

TEST_F(DatedSaveTest, OnADayWithoutServiceTheWindowEditsTheListInTheFile) {
    openOn(QDate(2027, 3, 14)); // Sunday
    EXPECT_EQ(listEntries(), (QStringList{"06:10", "06:40", "12:10"}));
    type("Text2", "(směr Kačerov, nástupiště B)");
    save();
    ASSERT_TRUE(settingsClosed());
    EXPECT_TRUE(dated("150"));
    EXPECT_EQ(read("150", "Description"), "(směr Kačerov, nástupiště B)");
    EXPECT_TRUE(main->state().today.Times.isEmpty());
}

} // namespace
} // namespace kvapomer::test
