// A dated line's times brought to a date inside the file: written while they
// hold the list written last, left to the user once they hold another.

#include "config/dated_day.h"
#include "config/loader.h"
#include "config/settings_save.h"
#include "support/dated_sample.h"
#include "support/sample_config.h"

#include <gtest/gtest.h>

using namespace kvapomer;
using namespace std::chrono_literals;
using std::chrono::sys_days;

namespace {

const QString kLine = QStringLiteral("150");

// The sample line 150 with the realistic dated line, its workday list in the times.
ProfileDocument datedFile(const DatedLine& line = test::realisticDatedLine()) {
    ProfileDocument doc(test::fileBytes(test::lineConfig({"06:00"})));
    applyLineSection(doc,
                     {kLine, QStringLiteral("(směr Kačerov)"),
                      timesText(line.lists[static_cast<std::size_t>(line.written)]), line},
                     false);
    return doc;
}

QStringList timesIn(const ProfileDocument& doc) {
    ConfigSnapshot snapshot{true, doc};
    const LoadResult loaded = loadConfiguration(snapshot);
    EXPECT_EQ(loaded.status, LoadStatus::Loaded);
    EXPECT_TRUE(loaded.messages.isEmpty());
    return loaded.config.timetable.Times;
}

TEST(DatedDay, TheTimesFollowTheDateWhileTheyHoldTheListWrittenLast) {
    const DatedLine line = test::realisticDatedLine();
    struct Case {
        sys_days date;
        std::size_t list; // the list the times hold afterwards
        bool changed;
        PeriodState period;
    };
    const Case cases[] = {
        {sys_days(2026y / 12 / 10), 0, false, PeriodState::Inside},  // Thursday: as written
        {sys_days(2026y / 12 / 12), 2, true, PeriodState::Inside},   // Saturday
        {sys_days(2026y / 12 / 13), 0, false, PeriodState::Inside},  // Sunday, no service below
        {sys_days(2026y / 12 / 24), 4, true, PeriodState::Inside},   // Christmas Eve
        {sys_days(2027y / 7 / 14), 1, true, PeriodState::Inside},    // school holidays
        {sys_days(2028y / 1 / 9), 3, true, PeriodState::EndingSoon}, // Sunday, 3 days left
        {sys_days(2028y / 2 / 5), 2, true, PeriodState::Expired},    // a Saturday after the end
    };
    for (const Case& c : cases) {
        DatedLine withoutSunday = line;
        withoutSunday.lists[3].clear(); // the Sunday list: no service
        ProfileDocument doc = datedFile(c.date == sys_days(2026y / 12 / 13) ? withoutSunday : line);
        const QByteArray before = doc.bytes();
        const DaySync sync = syncDatedLine(doc, kLine, c.date);
        ASSERT_TRUE(sync.dated);
        EXPECT_EQ(sync.changed, c.changed);
        EXPECT_EQ(sync.period, c.period);
        EXPECT_EQ(static_cast<std::size_t>(sync.dated->written), c.list);
        EXPECT_EQ(timesIn(doc), timesText(line.lists[c.list]));
        if (!c.changed) {
            EXPECT_EQ(doc.bytes(), before);
        }
        // What was written is read back as the list written last, and the
        // same date again changes nothing.
        const QByteArray after = doc.bytes();
        const DaySync again = syncDatedLine(doc, kLine, c.date);
        EXPECT_FALSE(again.changed);
        EXPECT_EQ(doc.bytes(), after);
        EXPECT_EQ(again.dated, sync.dated);
    }
}

TEST(DatedDay, AnotherListInTheTimesMakesThePlainLineOfTheUser) {
    // An editor changed one time, or an older copy saved the line with the
    // dated keys still there: the times stay, the dated keys go.
    const QStringList edits[] = {{"t3", "05:55"}, {"NumberOfTimes", "149"}};
    for (const QStringList& edit : edits) {
        ProfileDocument doc = datedFile();
        doc.setValue(kLine, edit[0], edit[1]);
        const QStringList userTimes = timesIn(doc);
        const DaySync sync = syncDatedLine(doc, kLine, sys_days(2026y / 12 / 12));
        EXPECT_TRUE(sync.madePlain);
        EXPECT_FALSE(sync.dated);
        EXPECT_EQ(timesIn(doc), userTimes);
        EXPECT_FALSE(readDatedSection(doc, kLine));
        EXPECT_FALSE(doc.bytes().contains("Dated"));
        // The section keeps the user's own lines in their order.
        const QStringList written = timesText(test::realisticDatedLine().lists[0]);
        QByteArray plain = test::fileBytes(test::lineConfig(written));
        if (edit[0] == "t3") {
            plain.replace("t3=" + written[3].toLatin1(), "t3=05:55");
        } else {
            plain.replace("NumberOfTimes=150", "NumberOfTimes=149");
        }
        EXPECT_EQ(doc.bytes(), plain) << edit[0].toStdString();
    }
}

TEST(DatedDay, DataThatCannotBeTrustedLeavesTheLineAlone) {
    ProfileDocument doc = datedFile();
    doc.setValue(kLine, QStringLiteral("DatedDays"), QStringLiteral("AAAA?"));
    const QByteArray before = doc.bytes();
    const DaySync sync = syncDatedLine(doc, kLine, sys_days(2026y / 12 / 12));
    EXPECT_FALSE(sync.dated);
    EXPECT_FALSE(sync.changed);
    EXPECT_EQ(doc.bytes(), before);
    // A plain line and a missing one are left alone too.
    ProfileDocument plain(test::fileBytes(test::lineConfig()));
    EXPECT_FALSE(syncDatedLine(plain, kLine, sys_days(2026y / 12 / 12)).changed);
    EXPECT_FALSE(syncDatedLine(plain, QStringLiteral("999"), sys_days(2026y / 12 / 12)).changed);
}

} // namespace
