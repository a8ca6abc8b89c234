// A dated line's keys in the file, read back without trusting them, and the
// limits of what a line stores.

#include "config/dated_keys.h"
#include "support/dated_sample.h"

#include <gtest/gtest.h>

#include <map>

namespace kvapomer {
// Failures show a line as its keys.
void PrintTo(const DatedLine& line, std::ostream* os) {
    for (const auto& [key, value] : datedKeys(line)) {
        *os << '\n' << key.toStdString() << '=' << value.toStdString();
    }
}
} // namespace kvapomer

using namespace kvapomer;
using namespace std::chrono_literals;
using std::chrono::sys_days;

namespace {

// Keys as the file gives them back: names without regard to letter case.
struct Keys {
    std::map<QString, QString> values;
    Keys() = default;
    explicit Keys(const QList<QPair<QString, QString>>& pairs) {
        for (const auto& [k, v] : pairs) {
            set(k, v);
        }
    }
    void set(const QString& key, const QString& value) { values[key.toLower()] = value; }
    void remove(const QString& key) { values.erase(key.toLower()); }
    KeyReader reader() const {
        return [this](const QString& key) -> std::optional<QString> {
            const auto it = values.find(key.toLower());
            return it == values.end() ? std::nullopt : std::optional<QString>(it->second);
        };
    }
};

TEST(DatedLineKeys, ReadBackAsWrittenWithinTheSizeOfAFileLine) {
    DatedLine odd = test::realisticDatedLine(150, 120);
    odd.source = {QStringLiteral(" \"%quoted\" 東京 ") + QString(800, u'x'),
                  QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC), QStringLiteral("%20"),
                  QStringLiteral("'L1'"), QString()};
    DatedLine many;
    many.first = sys_days(2027y / 1 / 1);
    for (int l = 0; l < kMaxDatedLists; ++l) {
        many.lists.push_back(test::spreadList(320, l)); // each longer than one value
        many.days.push_back(static_cast<std::uint16_t>(l));
    }
    many.lists[7].clear();
    many.written = 35;
    many.source = test::sampleSource();
    const DatedLine lines[] = {test::realisticDatedLine(), test::realisticDatedLine(600, 30), odd,
                               many, test::marchEasterLine()};
    for (DatedLine line : lines) {
        ASSERT_TRUE(fitToLimits(line)); // lists unused in the period are not kept
        const auto pairs = datedKeys(line);
        for (const auto& [key, value] : pairs) {
            EXPECT_LE(value.size(), 699) << key.toStdString();
            EXPECT_TRUE(isDatedKey(key));
            EXPECT_EQ(value, value.trimmed()) << key.toStdString();
        }
        const Keys keys(pairs);
        EXPECT_EQ(readDatedLine(keys.reader()), line);
    }
}

TEST(DatedLineKeys, AYearOfARealisticLineIsSmall) {
    // 150 departures on workdays, five lists, 400 days.
    const DatedLine line = test::realisticDatedLine();
    EXPECT_LE(datedSize(line), 6 * 1024);
    const Keys keys(datedKeys(line));
    EXPECT_EQ(keys.values.at(QStringLiteral("datedfrom")), QStringLiteral("2026-12-09"));
    // Weeks from Monday: the period starts on a Wednesday.
    EXPECT_TRUE(keys.values.at(QStringLiteral("dateddays"))
                    .startsWith(u"AAACD AAAAACD AAAEDDD DDDDDCD AAAAACD"));
}

TEST(DatedLineKeys, AnythingMalformedReadsAsAPlainLine) {
    const DatedLine line = test::marchEasterLine(); // lists A, B and C (C without service)
    const Keys good(datedKeys(line));
    ASSERT_TRUE(readDatedLine(good.reader()));
    struct Change {
        const char* key;
        const char* value; // nullptr: the key removed
    };
    const Change changes[] = {
        {"DatedFrom", nullptr},
        {"DatedFrom", "2027-02-30"},
        {"DatedFrom", "1.3.2027"},
        {"DatedDays", nullptr},
        {"DatedDays", ""},
        {"DatedDays", "AAAAABC AAAAaBC"}, // ids are upper case
        {"DatedDays", "AAAAABD"},         // no list D
        {"DatedDays2", "A?"},
        {"DatedWritten", nullptr},
        {"DatedWritten", "AB"},
        {"DatedWritten", "C"}, // the t keys never hold an empty list
        {"DatedWritten", "Z"},
        {"DatedListA", nullptr},
        {"DatedListA", ""},
        {"DatedListA", "06:10 05:12"},
        {"DatedListA", "06:1010"},
        {"DatedListA", "06:1"},
        {"DatedListA", "24:00"},
        {"DatedListA", "06:60"},
        {"DatedListA", "6:10"},
        {"DatedListA", "06-10"},
        {"DatedListA", "06:1x"},
        {"DatedListB", "--"},
        {"DatedFeed", nullptr},
        {"DatedFeed", ""},
        {"DatedFeed", "%FF%FE"},
        {"DatedFeed", "%é"},
        {"DatedFeedTime", "yesterday"},
        {"DatedStop", nullptr},
        {"DatedRoute", ""},
        {"DatedDirection", nullptr},
    };
    for (const Change& c : changes) {
        Keys keys = good;
        if (c.value) {
            keys.set(QString::fromLatin1(c.key), QString::fromUtf8(c.value));
        } else {
            keys.remove(QString::fromLatin1(c.key));
        }
        EXPECT_EQ(readDatedLine(keys.reader()), std::nullopt)
            << c.key << "=" << (c.value ? c.value : "(removed)");
    }
    Keys tooLong = good;
    tooLong.set(QStringLiteral("DatedDays"), QString(kMaxDatedDays + 1, u'A'));
    EXPECT_EQ(readDatedLine(tooLong.reader()), std::nullopt);
}

TEST(DatedLineKeys, TheTimesKeysMustHoldExactlyTheWrittenList) {
    const DatedLine line = test::marchEasterLine(); // written: list 0, 06:10 06:40 12:10
    const auto keysWith = [](const QStringList& times, const QString& count) {
        Keys keys;
        for (int i = 0; i < times.size(); ++i) {
            keys.set(QStringLiteral("t") + QString::number(i), times[i]);
        }
        keys.set(QStringLiteral("NumberOfTimes"), count);
        return keys;
    };
    EXPECT_TRUE(timesKeysHoldWritten(keysWith({"06:10", "06:40", "12:10"}, "3").reader(), line));
    EXPECT_FALSE(timesKeysHoldWritten(keysWith({"06:10", "06:41", "12:10"}, "3").reader(), line));
    EXPECT_FALSE(timesKeysHoldWritten(keysWith({"06:10", "06:40"}, "2").reader(), line));
    EXPECT_FALSE(
        timesKeysHoldWritten(keysWith({"06:10", "06:40", "12:10", "13:00"}, "4").reader(), line));
    EXPECT_FALSE(timesKeysHoldWritten(keysWith({"06:10", "06:40", "12:10"}, "03").reader(), line));
}

TEST(DatedLineLimits, APeriodTooRichForTheFileEndsEarlier) {
    // More distinct lists than ids: the period ends before the first one too many.
    DatedLine varied;
    varied.first = sys_days(2027y / 1 / 1);
    for (int l = 0; l < 40; ++l) {
        varied.lists.push_back(test::minutes({300 + l}));
    }
    for (int d = 0; d < 80; ++d) {
        varied.days.push_back(static_cast<std::uint16_t>(d / 2));
    }
    varied.source = test::sampleSource();
    ASSERT_TRUE(fitToLimits(varied));
    EXPECT_EQ(varied.days.size(), 72u);
    EXPECT_EQ(varied.lists.size(), 36u);
    EXPECT_EQ(varied.lists.back(), test::minutes({335}));

    // Long lists, each used once: the section stays within kMaxDatedBytes.
    DatedLine dense;
    dense.first = sys_days(2027y / 1 / 1);
    for (int l = 0; l < 36; ++l) {
        dense.lists.push_back(test::spreadList(1000, l));
        dense.days.push_back(static_cast<std::uint16_t>(l));
    }
    dense.source = test::sampleSource();
    ASSERT_TRUE(fitToLimits(dense));
    EXPECT_GE(dense.days.size(), 5u);
    EXPECT_LT(dense.days.size(), 36u);
    EXPECT_LE(datedSize(dense) + 1000 * 14 + 128, kMaxDatedBytes);
    EXPECT_EQ(readDatedLine(Keys(datedKeys(dense)).reader()), dense);

    // The realistic year keeps all its days and lists.
    DatedLine year = test::realisticDatedLine();
    ASSERT_TRUE(fitToLimits(year));
    EXPECT_EQ(year.days.size(), 400u);
    EXPECT_EQ(year.lists.size(), 5u);
}

} // namespace
