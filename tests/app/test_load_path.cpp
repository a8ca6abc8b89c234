// The one load path: a dated line gets the list of the day as it is loaded,
// and of a version that is refused nothing is kept and nothing is written.

#include "app/load_path.h"
#include "config/settings_save.h"
#include "support/dated_sample.h"
#include "support/sample_config.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace kvapomer;
using namespace kvapomer::test;

namespace {

class LoadPathTest : public ::testing::Test {
protected:
    // Line 150 as a dated line with its workday list in the times, and the
    // red alert as given.
    void writeDated(const DatedLine& line, const QString& redAlert = QStringLiteral("5")) {
        ProfileDocument doc(fileBytes(lineConfig()));
        applyLineSection(doc,
                         {QStringLiteral("150"), QStringLiteral("(směr Kačerov)"),
                          timesText(line.lists[static_cast<std::size_t>(line.written)]), line},
                         false);
        doc.setValue(QStringLiteral("Main"), QStringLiteral("RedAlertMin"), redAlert);
        folder.write(QStringLiteral("kvapomern.ini"), doc.bytes());
    }
    QString feed() const { return folder.file(QStringLiteral("feed.zip")); }
    ConfigFile file() const { return ConfigFile(folder.file(QStringLiteral("kvapomern.ini"))); }
    QByteArray bytes() const { return folder.read(QStringLiteral("kvapomern.ini")); }

    TempFolder folder;
    LoadPath path;
    const QDate saturday{2027, 3, 13};
};

TEST_F(LoadPathTest, ALoadTakesTheListOfTheDayAndWritesItOnce) {
    writeDated(marchLine(feed()));
    const LoadPath::Loaded loaded = path.load(file(), saturday);
    ASSERT_EQ(loaded.result.status, LoadStatus::Loaded);
    EXPECT_EQ(loaded.result.config.timetable.Times, (QStringList{"08:00", "23:59"}));
    EXPECT_EQ(path.dayKeeper().todaysTimes(), (QStringList{"08:00", "23:59"}));
    // The day's own write is no news to the follower.
    EXPECT_EQ(path.follow(file(), saturday, false), std::nullopt);
}

TEST_F(LoadPathTest, AVersionThatDoesNotLoadCleanlyIsNeitherKeptNorWritten) {
    writeDated(marchLine(feed()));
    ASSERT_EQ(path.load(file(), QDate(2027, 3, 12)).result.status, LoadStatus::Loaded);
    DatedLine other = marchLine(feed());
    other.lists[1] = {540};
    for (const QString& redAlert : {QStringLiteral("pět"), QStringLiteral("5")}) {
        SCOPED_TRACE(redAlert.toStdString());
        writeDated(other, redAlert);
        const QByteArray changed = bytes();
        const std::optional<LoadPath::Loaded> followed = path.follow(file(), saturday, false);
        if (redAlert == u"5") {
            ASSERT_TRUE(followed);
            EXPECT_EQ(path.dayKeeper().todaysTimes(), (QStringList{"09:00"}));
            break;
        }
        EXPECT_EQ(followed, std::nullopt);
        EXPECT_EQ(bytes(), changed) << "no day's write for a version refused";
        EXPECT_TRUE(path.dayKeeper().onTick(saturday));
        EXPECT_EQ(path.dayKeeper().todaysTimes(), (QStringList{"08:00", "23:59"}));
        ASSERT_TRUE(path.dayKeeper().datedLine());
        EXPECT_EQ(path.dayKeeper().datedLine()->lists, marchLine(feed()).lists);
    }
}

TEST_F(LoadPathTest, AFailedLoadKeepsNothing) {
    writeDated(marchLine(feed()));
    ASSERT_EQ(path.load(file(), QDate(2027, 3, 12)).result.status, LoadStatus::Loaded);
    DatedLine other = marchLine(feed());
    other.lists[1] = {540};
    writeDated(other, QStringLiteral("pět"));
    const QByteArray changed = bytes();
    EXPECT_EQ(path.load(file(), saturday).result.status, LoadStatus::Failed);
    EXPECT_EQ(bytes(), changed);
    ASSERT_TRUE(path.dayKeeper().datedLine());
    EXPECT_EQ(path.dayKeeper().datedLine()->lists, marchLine(feed()).lists);
}

} // namespace
