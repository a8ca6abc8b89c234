// A feed's files from a folder or a zip, and the limit on what is read.

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/queries/feed.h"

#include "feed_fixture.h"

#include <gtest/gtest.h>

namespace kvapomer::gtfs {
namespace {

TEST(GtfsFeed, ReadsNoFileLongerThanTheLimit) {
    test::TempFolder folder;
    FeedLimits limits;
    limits.fileBytes = static_cast<std::uint64_t>(test::feedFiles()["stops.txt"].size());
    for (const QString& path : {test::feedFolder(folder, "folder"), test::feedZip(folder, "zip")}) {
        EXPECT_NO_THROW(Feed(FeedSource::open(path.toStdString(), limits))) << path.toStdString();
        --limits.fileBytes;
        try {
            Feed(FeedSource::open(path.toStdString(), limits));
            ADD_FAILURE() << path.toStdString();
        } catch (const FeedError& e) {
            EXPECT_EQ(e.what(), "Soubor stops.txt je delší než " +
                                    std::to_string(limits.fileBytes) +
                                    " B; tak velký jízdní řád program nečte.");
        }
        ++limits.fileBytes;
    }
}

} // namespace
} // namespace kvapomer::gtfs
