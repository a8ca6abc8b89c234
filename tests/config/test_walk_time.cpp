// The walk to the stop of a line: which texts switch it on, and that every
// write of the line's section keeps it unless it sets it.

#include "config/config_file.h"
#include "config/dated_day.h"
#include "config/loader.h"
#include "config/settings_save.h"
#include "config/walk_time.h"
#include "profile/profile_store.h"
#include "support/dated_sample.h"
#include "support/sample_config.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace kvapomer::test {
namespace {

using namespace std::chrono_literals;

const QString kLine = QStringLiteral("150");

TEST(WalkTime, OnlyAWholeNumberOfMinutesUpToTwoHoursSwitchesItOn) {
    const std::pair<const char*, int> cases[] = {
        {"7", 7},   {"07", 7},  {"0000000007", 7}, {"1", 1},     {"120", 120}, {"0120", 120},
        {"121", 0}, {"500", 0}, {"0", 0},          {"000", 0},   {"7.0", 0},   {"abc", 0},
        {"", 0},    {"-7", 0},  {"+7", 0},         {"7 min", 0}, {"1e1", 0},   {"99999999999", 0},
        {"٧", 0},   {"7\t", 0},
    };
    for (const auto& [text, minutes] : cases) {
        EXPECT_EQ(walkMinutesOf(QString::fromUtf8(text)), minutes) << text;
    }
    EXPECT_TRUE(isWalkSetting(0));
    EXPECT_TRUE(isWalkSetting(120));
    EXPECT_FALSE(isWalkSetting(-1));
    EXPECT_FALSE(isWalkSetting(121));
}

TEST(WalkTime, TheLoadTakesItWithoutAMessageAndAnOffValueLoadsAsNone) {
    const LoadResult without = loadConfiguration({true, ProfileDocument(fileBytes(lineConfig()))});
    ASSERT_EQ(without.status, LoadStatus::Loaded);
    EXPECT_EQ(without.config.timetable.WalkMin, 0);
    for (const char* value : {"7.0", "abc", "0", "500", ""}) {
        const LoadResult off = loadConfiguration(
            {true, ProfileDocument(
                       fileBytes(lineConfig({"06:15", "06:45", "07:10", "07:40", "08:05", "08:30"},
                                            "0", {QStringLiteral("WalkMin=") + value})))});
        EXPECT_EQ(off.status, LoadStatus::Loaded) << value;
        EXPECT_EQ(off.messages, without.messages) << value;
        EXPECT_EQ(off.config.timetable.WalkMin, 0) << value;
        EXPECT_EQ(off.config.timetable.Times, without.config.timetable.Times) << value;
    }
    const LoadResult on = loadConfiguration(
        {true, ProfileDocument(fileBytes(lineConfig({"06:20"}, "0", {"walkmin=07"})))});
    EXPECT_TRUE(on.messages.isEmpty());
    EXPECT_EQ(on.config.timetable.WalkMin, 7);
}

// Line 150 with a walk, and line 136 without one.
ProfileDocument twoLines(const QString& walk = QStringLiteral("7")) {
    QStringList lines = lineConfig({"06:20", "06:40"}, "0", {QStringLiteral("WalkMin=") + walk});
    lines << "[136]"
          << "t0=09:10"
          << "NumberOfTimes=1";
    return ProfileDocument(fileBytes(lines));
}

QStringList section(const ProfileDocument& doc, const QString& name) {
    const QString text = QString::fromUtf8(doc.bytes());
    const qsizetype from = text.indexOf(u'[' + name + u']');
    const qsizetype to = text.indexOf(u'[', from + 1);
    return text.mid(from, to < 0 ? -1 : to - from)
        .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

TEST(WalkTime, EveryWriteOfTheSectionKeepsItAfterTheCountUnlessItSetsIt) {
    // A save of the same line with another list: the value as the file holds it.
    ProfileDocument doc = twoLines(QStringLiteral("007"));
    applyLineSection(
        doc, {kLine, QStringLiteral("note"), {"06:20", "06:50", "07:30"}, std::nullopt}, true);
    EXPECT_EQ(section(doc, kLine), (QStringList{"[150]", "Description=note", "t0=06:20", "t1=06:50",
                                                "t2=07:30", "NumberOfTimes=3", "WalkMin=007"}));
    // An off value is the file's too, and stays as it is.
    doc = twoLines(QStringLiteral("abc"));
    applyLineSection(doc, {kLine, QString(), {"06:20"}, std::nullopt}, false);
    EXPECT_EQ(doc.value(kLine, keys::kWalkMin), QStringLiteral("abc"));

    // Set and removed by the writer that asks for it.
    doc = twoLines();
    applyLineSection(doc, {kLine, QString(), {"06:20"}, std::nullopt, 12}, false);
    EXPECT_EQ(doc.value(kLine, keys::kWalkMin), QStringLiteral("12"));
    applyLineSection(doc, {kLine, QString(), {"06:20"}, std::nullopt, 0}, false);
    EXPECT_FALSE(doc.value(kLine, keys::kWalkMin).has_value());
    applyLineSection(doc, {kLine, QString(), {"06:20"}, std::nullopt}, false);
    EXPECT_FALSE(doc.value(kLine, keys::kWalkMin).has_value());

    // Another line's section gets nothing of it, and 150 keeps its own.
    doc = twoLines();
    applyLineSection(doc, {QStringLiteral("136"), QString(), {"09:10"}, std::nullopt}, true);
    EXPECT_FALSE(doc.value(QStringLiteral("136"), keys::kWalkMin).has_value());
    EXPECT_EQ(doc.value(kLine, keys::kWalkMin), QStringLiteral("7"));
}

TEST(WalkTime, TheDaysWriteOfADatedLineKeepsIt) {
    const DatedLine line = realisticDatedLine();
    ProfileDocument doc(fileBytes(lineConfig({"06:00"}, "0", {"WalkMin=9"})));
    applyLineSection(doc,
                     {kLine, QStringLiteral("(směr Kačerov)"),
                      timesText(line.lists[static_cast<std::size_t>(line.written)]), line},
                     false);
    ASSERT_EQ(doc.value(kLine, keys::kWalkMin), QStringLiteral("9"));
    // A Saturday: the times change to its list.
    const DaySync sync = syncDatedLine(doc, kLine, std::chrono::sys_days(2026y / 12 / 12));
    ASSERT_TRUE(sync.changed);
    EXPECT_EQ(doc.value(kLine, keys::timeKey(0)), timesText(line.lists[2]).first());
    EXPECT_EQ(doc.value(kLine, keys::kWalkMin), QStringLiteral("9"));
    // The user's own list makes it plain; the walk stays.
    doc.setValue(kLine, keys::timeKey(0), QStringLiteral("00:01"));
    ASSERT_TRUE(syncDatedLine(doc, kLine, std::chrono::sys_days(2026y / 12 / 14)).madePlain);
    EXPECT_EQ(doc.value(kLine, keys::kWalkMin), QStringLiteral("9"));
}

TEST(WalkTime, StoredThroughTheFileAsOneUpdateOfThatKeyAlone) {
    TempFolder folder;
    folder.write(QStringLiteral("kvapomern.ini"), twoLines(QStringLiteral("3")).bytes());
    const ConfigFile file(folder.file(QStringLiteral("kvapomern.ini")));
    const QByteArray before = folder.read(QStringLiteral("kvapomern.ini"));

    ASSERT_TRUE(file.storeWalkMin(kLine, 7));
    QByteArray expected = before;
    expected.replace("WalkMin=3", "WalkMin=7");
    EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), expected);
    EXPECT_EQ(file.load().config.timetable.WalkMin, 7);

    ASSERT_TRUE(file.storeWalkMin(kLine, 0));
    expected.replace("WalkMin=7\r\n", "");
    EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), expected);

    for (const int bad : {-1, 121}) {
        const Result<void> refused = file.storeWalkMin(kLine, bad);
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().number, error::kInvalidArgument);
    }
    EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), expected);
}

} // namespace
} // namespace kvapomer::test
