// A save from the settings window keeps the line's walk to the stop as the
// file holds it, and never gives it to another line number.

#include "settings_fixture.h"

namespace kvapomer::test {
namespace {

class WalkSaveTest : public SettingsTest {
protected:
    void openWithWalk(const QString& walk) {
        open(settingsConfig({"06:15", "07:40"}, {QStringLiteral("WalkMin=") + walk}));
    }
};

TEST_F(WalkSaveTest, ASaveOfTheLineWritesTheWalkAgainAfterTheCount) {
    openWithWalk(QStringLiteral("07"));
    ASSERT_EQ(main->state().timetable.WalkMin, 7);
    addTime(QStringLiteral("08"), QStringLiteral("05"));
    save();
    ASSERT_TRUE(settingsClosed());
    EXPECT_TRUE(configText().endsWith(QStringLiteral("[150]\r\nDescription=(směr Kačerov)\r\n"
                                                     "t0=06:15\r\nt1=07:40\r\nt2=08:05\r\n"
                                                     "NumberOfTimes=3\r\nWalkMin=07\r\n")))
        << configText().toStdString();
    EXPECT_EQ(main->state().timetable.WalkMin, 7);

    // Saved again unchanged: the same bytes.
    const QByteArray saved = configBytes();
    openSettings();
    save();
    EXPECT_EQ(configBytes(), saved);
}

TEST_F(WalkSaveTest, AValueTheFileHoldsAtTheSaveIsTheOneKept) {
    openWithWalk(QStringLiteral("7"));
    // Changed meanwhile by the walk dialog or by hand.
    ASSERT_TRUE(ConfigFile(path()).storeWalkMin(QStringLiteral("150"), 11));
    save();
    EXPECT_EQ(read("150", "WalkMin"), "11");
    EXPECT_EQ(main->state().timetable.WalkMin, 11);
}

TEST_F(WalkSaveTest, ASaveUnderAnotherNumberDoesNotCopyIt) {
    openWithWalk(QStringLiteral("7"));
    type("Text1", QStringLiteral("151"));
    save();
    EXPECT_EQ(read("151", "WalkMin"), "unknown value");
    EXPECT_EQ(read("150", "WalkMin"), "7");
    EXPECT_EQ(main->state().timetable.Bus, "151");
    EXPECT_EQ(main->state().timetable.WalkMin, 0);
}

} // namespace
} // namespace kvapomer::test
