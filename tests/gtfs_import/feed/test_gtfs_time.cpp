// Times of the service day as the feed writes them and as the program lists them.

#include "gtfs_import/feed/gtfs_time.h"

#include <gtest/gtest.h>

namespace kvapomer::gtfs {
namespace {

TEST(GtfsTime, ReadsServiceDayTimes) {
    const struct {
        const char* text;
        std::optional<int> seconds;
        const char* day;
    } cases[] = {
        {"06:15:00", 22500, "06:15"},
        {"5:25:59", 19559, "05:25"},
        {"25:10:00", 90600, "01:10"},
        {"48:00:00", 172800, "00:00"},
        {"", {}, ""},
        {"06:15", {}, ""},
        {"6:5:00", {}, ""},
        {"06:60:00", {}, ""},
        {"-1:00:00", {}, ""},
        {"ab:cd:ef", {}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseGtfsTime(c.text), c.seconds) << c.text;
        if (c.seconds) {
            EXPECT_EQ(dayTimeText(*c.seconds), c.day) << c.text;
        }
    }
}

} // namespace
} // namespace kvapomer::gtfs
