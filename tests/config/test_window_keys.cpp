// Keys of the Set section that only the program's windows use.

#include "config/loader.h"
#include "config/window_keys.h"
#include "support/sample_config.h"

#include <gtest/gtest.h>

using namespace kvapomer;
using namespace kvapomer::test;

TEST(WindowKeysTest, StayOnTopChangesOnlyItsOwnLineAndTheLoaderIgnoresIt) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("kvapomern.ini"));
    const QByteArray before = fileBytes(lineConfig());
    folder.write(QStringLiteral("kvapomern.ini"), before);
    const LoadResult plain = loadConfiguration(path);
    EXPECT_FALSE(readStayOnTop(path));

    ASSERT_TRUE(writeStayOnTop(path, true));
    QByteArray expected = before;
    expected.replace("Stav=0\r\n", "Stav=0\r\nStayOnTop=1\r\n");
    EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), expected);
    EXPECT_TRUE(readStayOnTop(path));
    const LoadResult withKey = loadConfiguration(path);
    EXPECT_EQ(withKey.status, LoadStatus::Loaded);
    EXPECT_TRUE(withKey.messages.isEmpty());
    EXPECT_EQ(withKey.config.timetable.Times, plain.config.timetable.Times);
    EXPECT_EQ(withKey.config.expand, plain.config.expand);

    ASSERT_TRUE(writeStayOnTop(path, false));
    expected.replace("StayOnTop=1", "StayOnTop=0");
    EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), expected);
}

TEST(WindowKeysTest, LastFeedIsStoredOnlyWhenTheFileCanHoldItUnchanged) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("kvapomern.ini"));
    folder.write(QStringLiteral("kvapomern.ini"), fileBytes(lineConfig()));
    EXPECT_TRUE(readLastFeed(path).isEmpty());
    const QString czech = QStringLiteral("/home/jana/Stažené/pid gtfs.zip");
    ASSERT_TRUE(writeLastFeed(path, czech));
    EXPECT_EQ(readLastFeed(path), czech);

    const QByteArray before = folder.read(QStringLiteral("kvapomern.ini"));
    for (const QString& unfit :
         {QStringLiteral("/home/олег/gtfs.zip"), QStringLiteral("/tmp/a\nb.zip")}) {
        const WriteResult refused = writeLastFeed(path, unfit);
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(refused.number, 5);
        EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), before);
    }
}
