// The table of section and key names against a file as the program has
// always written it, and the limits that go with the names.

#include "config/config_file.h"
#include "config/keys.h"
#include "profile/profile_document.h"
#include "support/sample_config.h"

#include <gtest/gtest.h>

namespace kvapomer {
namespace {

TEST(Keys, NameEveryValueOfAWrittenFile) {
    const ProfileDocument file(test::fileBytes(test::lineConfig({"06:15", "06:45"}, "1")));
    const auto at = [&](const QString& section, const QString& key) {
        return file.value(section, key).value_or(QStringLiteral("<absent>"));
    };
    EXPECT_EQ(at(keys::kMain, keys::kBus), "150");
    EXPECT_EQ(at(keys::kMain, keys::kAlertOn), keys::kOn);
    EXPECT_EQ(at(keys::kMain, keys::kAlertWav), "alarm.wav");
    EXPECT_EQ(at(keys::kMain, keys::kRedAlertMin), "5");
    EXPECT_EQ(at(keys::kMain, keys::kBlinkAlert), "30");
    EXPECT_EQ(at(keys::kMain, keys::kBlinkAlertM), "1");
    EXPECT_EQ(at(keys::kSet, keys::kStav), "1");
    EXPECT_EQ(at("150", keys::kDescription), QString::fromUtf8("(směr Kačerov)"));
    EXPECT_EQ(at("150", keys::timeKey(1)), "06:45");
    EXPECT_EQ(at("150", keys::kNumberOfTimes), "2");
    EXPECT_EQ(QString::fromLatin1(kConfigFileName), "kvapomern.ini");
}

TEST(Keys, FixedSectionsAndLimits) {
    for (const char* name : {"Main", "MAIN", "set", "Set"}) {
        EXPECT_TRUE(keys::isFixedSection(name)) << name;
    }
    EXPECT_FALSE(keys::isFixedSection("Mainline"));
    EXPECT_FALSE(keys::isFixedSection("150"));
    EXPECT_EQ(keys::kReadBufferSize, 700);
    EXPECT_EQ(keys::kMaxTimes, 32767);
}

} // namespace
} // namespace kvapomer
