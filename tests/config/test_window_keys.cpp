// Keys of the Set section that only the program's windows use.

#include "config/config_file.h"
#include "config/loader.h"
#include "support/sample_config.h"

#include <gtest/gtest.h>

#include <utility>

using namespace kvapomer;
using namespace kvapomer::test;

TEST(WindowKeysTest, StayOnTopChangesOnlyItsOwnLineAndTheLoaderIgnoresIt) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("kvapomern.ini"));
    const QByteArray before = fileBytes(lineConfig());
    folder.write(QStringLiteral("kvapomern.ini"), before);
    const ConfigFile file(path);
    const LoadResult plain = loadConfiguration(path);
    EXPECT_FALSE(ConfigFile::stayOnTopIn(takeSnapshot(path)));

    ASSERT_TRUE(file.storeStayOnTop(true));
    QByteArray expected = before;
    expected.replace("Stav=0\r\n", "Stav=0\r\nStayOnTop=1\r\n");
    EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), expected);
    EXPECT_TRUE(ConfigFile::stayOnTopIn(takeSnapshot(path)));
    const LoadResult withKey = loadConfiguration(path);
    EXPECT_EQ(withKey.status, LoadStatus::Loaded);
    EXPECT_TRUE(withKey.messages.isEmpty());
    EXPECT_EQ(withKey.config.timetable.Times, plain.config.timetable.Times);
    EXPECT_EQ(withKey.config.expand, plain.config.expand);

    ASSERT_TRUE(file.storeStayOnTop(false));
    expected.replace("StayOnTop=1", "StayOnTop=0");
    EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), expected);
}

TEST(WindowKeysTest, TrayIconIsOnUnlessZeroChangesOnlyItsOwnLineAndTheLoaderIgnoresIt) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("kvapomern.ini"));
    const QByteArray before = fileBytes(lineConfig());
    folder.write(QStringLiteral("kvapomern.ini"), before);
    const ConfigFile file(path);
    const LoadResult plain = loadConfiguration(path);
    EXPECT_TRUE(ConfigFile::trayIconIn(takeSnapshot(path))); // absent: on

    ASSERT_TRUE(file.storeTrayIcon(false));
    QByteArray expected = before;
    expected.replace("Stav=0\r\n", "Stav=0\r\nTrayIcon=0\r\n");
    EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), expected);
    EXPECT_FALSE(ConfigFile::trayIconIn(takeSnapshot(path)));
    const LoadResult withKey = loadConfiguration(path);
    EXPECT_EQ(withKey.status, LoadStatus::Loaded);
    EXPECT_TRUE(withKey.messages.isEmpty());
    EXPECT_EQ(withKey.config.timetable.Times, plain.config.timetable.Times);
    EXPECT_EQ(withKey.config.expand, plain.config.expand);

    ASSERT_TRUE(file.storeTrayIcon(true));
    expected.replace("TrayIcon=0", "TrayIcon=1");
    EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), expected);
    EXPECT_TRUE(ConfigFile::trayIconIn(takeSnapshot(path)));

    // Written by hand: anything but "0" is on, in any letter case of the key.
    for (const auto& [line, on] :
         {std::pair{"trayicon=0", false}, std::pair{"TrayIcon=", true},
          std::pair{"TrayIcon=no", true}, std::pair{"TrayIcon=00", true}}) {
        QByteArray edited = before;
        edited.replace("Stav=0\r\n", QByteArray("Stav=0\r\n") + line + "\r\n");
        folder.write(QStringLiteral("kvapomern.ini"), edited);
        EXPECT_EQ(ConfigFile::trayIconIn(takeSnapshot(path)), on) << line;
    }
}

TEST(WindowKeysTest, LastFeedIsStoredOnlyWhenTheFileCanHoldItUnchanged) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("kvapomern.ini"));
    folder.write(QStringLiteral("kvapomern.ini"), fileBytes(lineConfig()));
    const ConfigFile file(path);
    EXPECT_TRUE(file.lastFeed().isEmpty());
    const QString czech = QStringLiteral("/home/jana/Stažené/pid gtfs.zip");
    ASSERT_TRUE(file.storeLastFeed(czech));
    EXPECT_EQ(file.lastFeed(), czech);

    const QByteArray before = folder.read(QStringLiteral("kvapomern.ini"));
    for (const QString& unfit :
         {QStringLiteral("/home/олег/gtfs.zip"), QStringLiteral("/tmp/a\nb.zip")}) {
        const Result<void> refused = file.storeLastFeed(unfit);
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().number, 5);
        EXPECT_EQ(folder.read(QStringLiteral("kvapomern.ini")), before);
    }
}
