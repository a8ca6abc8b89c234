// A line of several lines: the line of each departure kept beside the times
// in keys the loader never reads, read back only while the t keys hold the
// very times they name, and kept by a save only when it keeps the list.

#include "config/dated_day.h"
#include "config/dated_keys.h"
#include "config/settings_save.h"
#include "profile/profile_document.h"
#include "support/dated_sample.h"
#include "support/sample_config.h"

#include <gtest/gtest.h>

using namespace kvapomer;

namespace {

const QString kLine = QStringLiteral("150+177");
const QStringList kTimes{"00:30", "01:10", "06:10", "06:20", "06:20"};
const DepartureLines kLines{{"150", "177"}, {1, 0, 1, 0, 1}};

KeyReader readerOfKeys(const QList<QPair<QString, QString>>& pairs) {
    return [pairs](const QString& key) -> std::optional<QString> {
        for (const auto& [k, v] : pairs) {
            if (k.compare(key, Qt::CaseInsensitive) == 0) {
                return v;
            }
        }
        return std::nullopt;
    };
}

KeyReader readerOf(const ProfileDocument& doc, const QString& line) {
    return [&doc, line](const QString& key) { return doc.value(line, key); };
}

ProfileDocument withLine(const QStringList& times, const DepartureLines& lines) {
    ProfileDocument doc(test::fileBytes(test::lineConfig({"05:00"}, "0", {})));
    applyLineSection(
        doc, {kLine, QStringLiteral("(směr Metro)"), times, std::nullopt, std::nullopt, lines},
        true);
    return doc;
}

DatedLine datedOfTwoLines() {
    DatedLine line;
    line.first = std::chrono::sys_days(std::chrono::year(2026) / 12 / 7);
    line.lists = {{370, 380, 380}, {30, 70}, {}};
    line.days = {0, 0, 1, 2, 0};
    line.lineNames = {QStringLiteral("150"), QStringLiteral("S 7")};
    line.lineOf = {{1, 0, 1}, {1, 0}, {}};
    line.source.feed = QStringLiteral("/data/feed.zip");
    line.source.feedTime = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    line.source.stop = QStringLiteral("HL");
    line.source.to = QStringLiteral("MET");
    line.source.routes = {QStringLiteral("R150"), QStringLiteral("R 7")};
    return line;
}

TEST(DepartureLines, PlainLineReadsBackOnlyWithTheTimesItNames) {
    ProfileDocument doc = withLine(kTimes, kLines);
    EXPECT_EQ(doc.value(kLine, QStringLiteral("t4")), QStringLiteral("06:20"));
    EXPECT_EQ(readDepartureLines(readerOf(doc, kLine)), kLines);
    EXPECT_EQ(readDepartureLines(readerOf(doc, kLine)).nameAt(2), QStringLiteral("177"));

    // The t keys changed by hand: the lines no longer name them.
    doc.setValue(kLine, QStringLiteral("t2"), QStringLiteral("06:11"));
    EXPECT_TRUE(readDepartureLines(readerOf(doc, kLine)).empty());

    // One id too few, or an id of no line.
    ProfileDocument shortIds = withLine(kTimes, kLines);
    shortIds.setValue(kLine, keys::kDatedTimesOf, QStringLiteral("BABA"));
    EXPECT_TRUE(readDepartureLines(readerOf(shortIds, kLine)).empty());
    shortIds.setValue(kLine, keys::kDatedTimesOf, QStringLiteral("BABAC"));
    EXPECT_TRUE(readDepartureLines(readerOf(shortIds, kLine)).empty());

    // A line of one line writes no such keys.
    const ProfileDocument one = withLine(kTimes, {});
    EXPECT_FALSE(one.value(kLine, keys::kDatedLines));
    EXPECT_FALSE(readDatedSection(doc, kLine)); // and a line of one date is no dated line
}

TEST(DepartureLines, DatedLineKeepsTheLinesOfEachList) {
    const DatedLine line = datedOfTwoLines();
    ProfileDocument doc(test::fileBytes(test::lineConfig({"05:00"}, "0", {})));
    applyLineSection(doc, {kLine, QString(), timesText(line.lists[0]), line, {}}, true);
    const std::optional<DatedLine> back = readDatedSection(doc, kLine);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, line);
    EXPECT_EQ(readDepartureLines(readerOf(doc, kLine)), line.linesOf(0));

    // A list's ids that do not match its departures spoil the whole dated data.
    doc.setValue(kLine, keys::kDatedOf + u'A', QStringLiteral("BA"));
    EXPECT_FALSE(readDatedSection(doc, kLine));
}

TEST(DepartureLines, SaveKeepsThemOnlyWithTheList) {
    SettingsInput input;
    input.line = kLine;
    input.note = QStringLiteral("(směr Metro)");
    input.times = kTimes;
    input.filledLine = kLine;
    input.filledTimes = kTimes;

    ProfileDocument kept = withLine(kTimes, kLines);
    applySettings(kept, input);
    EXPECT_EQ(readDepartureLines(readerOf(kept, kLine)), kLines);

    ProfileDocument changed = withLine(kTimes, kLines);
    input.times = QStringList{"00:30", "01:10", "06:10", "06:20"};
    applySettings(changed, input);
    EXPECT_TRUE(readDepartureLines(readerOf(changed, kLine)).empty());
    EXPECT_FALSE(changed.value(kLine, keys::kDatedLines));
    EXPECT_FALSE(changed.value(kLine, keys::kDatedTimesOf));
}

TEST(DepartureLines, AYearOfThreeRoutesFitsTheLimits) {
    // Three routes of 70 departures a weekday each (30 a day of the weekend),
    // their timetables changing on different dates: 36 distinct lists over
    // 366 days.
    DatedLine line = datedOfTwoLines();
    line.lineNames = {QStringLiteral("150"), QStringLiteral("177"), QStringLiteral("193")};
    line.lists.clear();
    line.lineOf.clear();
    line.days.clear();
    for (int l = 0; l < 36; ++l) {
        DayList list;
        LineOfDepartures of;
        const int count = l % 3 == 2 ? 90 : 210; // weekends: fewer
        for (int i = 0; i < count; ++i) {
            list.push_back(300 + (i * 1080 / count + l % 7) % 1080);
            of.push_back(static_cast<std::uint8_t>(i % 3));
        }
        std::sort(list.begin(), list.end());
        line.lists.push_back(list);
        line.lineOf.push_back(of);
    }
    for (int d = 0; d < 366; ++d) {
        line.days.push_back(static_cast<std::uint16_t>(d / 7 % 12 * 3 + std::max(0, d % 7 - 4)));
    }
    DatedLine fitted = line;
    ASSERT_TRUE(fitToLimits(fitted));
    EXPECT_EQ(fitted.days.size(), line.days.size());
    EXPECT_EQ(fitted.lists.size(), 36u);
    EXPECT_EQ(readDatedLine(readerOfKeys(datedKeys(fitted))), fitted);
    std::printf("a year of three routes: %lld bytes of dated keys\n",
                static_cast<long long>(datedSize(fitted)));
}

} // namespace
