// Loading the active line and the alert settings, with the user's messages.

#include "config/config_file.h"
#include "config/loader.h"
#include "support/sample_config.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace kvapomer;
using kvapomer::test::TempFolder;

namespace {

const QString kLoadErrorText = QStringLiteral(
    "Chyba při načítání z konfiguračního souboru. Prosím nastavte korektní hodnoty.");

QString invalidTimeText(int line) {
    return QStringLiteral("Neplatný údaj ve vloženém čase na řádku č.") + QString::number(line) +
           QStringLiteral("\nHodnota bude nahrazena hodnotou 00:00");
}

struct Fixture : ::testing::Test {
    TempFolder folder;
    std::vector<LoadMessage> shown; // the messages of the last load

    // A complete file for line 150; `overrides` replace or remove lines by key.
    void writeConfig(const QStringList& lines) {
        folder.write(QStringLiteral("kvapomern.ini"),
                     test::cp1250(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    }
    static QStringList mainSection() {
        return {"[Main]",        "Bus=150",       "AlertON=ON",    "AlertWav=alarm.wav",
                "RedAlertMin=5", "BlinkAlert=30", "BlinkAlertM=1", "[Set]",
                "Stav=0"};
    }
    void writeLine(const QStringList& lineKeys, QStringList main = mainSection()) {
        main << QStringLiteral("[150]") << lineKeys;
        writeConfig(main);
    }
    LoadResult load() {
        LoadResult r = loadConfiguration(ConfigFilePath(folder.path()));
        shown = {r.messages.begin(), r.messages.end()};
        return r;
    }
    void expectLoadError(const LoadResult& r, int number) {
        EXPECT_EQ(r.status, LoadStatus::Failed);
        EXPECT_EQ(r.errorNumber, number);
        ASSERT_FALSE(shown.empty());
        const auto& m = shown.back();
        EXPECT_EQ(m.text, kLoadErrorText);
        EXPECT_TRUE(m.title.startsWith(QStringLiteral("Chyba #") + QString::number(number) +
                                       QStringLiteral(" [")))
            << m.title.toStdString();
        EXPECT_TRUE(m.title.endsWith(u']'));
    }
};

} // namespace

TEST_F(Fixture, LoadsTheActiveLineAndTheAlertSettings) {
    writeLine({"Description=(směr Kačerov)", "t0=06:15", "t1=07:40", "NumberOfTimes=2"});
    const LoadResult r = load();
    ASSERT_EQ(r.status, LoadStatus::Loaded);
    EXPECT_TRUE(shown.empty());
    const LoadedConfig& c = r.config;
    EXPECT_EQ(c.timetable.Bus, QStringLiteral("150"));
    EXPECT_EQ(c.timetable.LastIndex, 1);
    EXPECT_EQ(c.timetable.Times, (QStringList{"06:15", "07:40"}));
    EXPECT_EQ(c.alerts.RedAlertMin, 5);
    EXPECT_EQ(c.alerts.BlinkAlert, 30);
    EXPECT_EQ(c.alerts.BlinkAlertM, 1);
    EXPECT_EQ(c.alerts.AlertWav, QStringLiteral("alarm.wav"));
    EXPECT_EQ(c.alerts.AlertON, QStringLiteral("ON"));
    EXPECT_EQ(c.heading, QStringLiteral("Příjezdy BUS č.150"));
    EXPECT_EQ(c.note, QStringLiteral("(směr Kačerov)"));
    EXPECT_FALSE(c.expand);
}

TEST_F(Fixture, MissingFileIsReportedByItsRealName) {
    const LoadResult r = load();
    EXPECT_EQ(r.status, LoadStatus::FileMissing);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("Nebyl nalezen konfigurační soubor 'kvapomern.ini'."));
    EXPECT_EQ(shown[0].title, QStringLiteral("Error - File not found"));
}

TEST_F(Fixture, AFolderInPlaceOfTheFileCountsAsMissing) {
    QDir(folder.path()).mkdir(QStringLiteral("kvapomern.ini"));
    EXPECT_EQ(load().status, LoadStatus::FileMissing);
}

TEST_F(Fixture, InvalidTimesAreReportedInOrderAndReplaced) {
    // Wrong length, missing key, hour and minute out of range, letters, a
    // signed hour: each is reported for its zero-based line.
    writeLine({"Description=x", "t0=7:05", "t1=07:05", "t2=", "t4=24:00", "t5=12:60", "t6=ab:cd",
               "t7=-1:05", "t8=07.10", "t10=99:99", "NumberOfTimes=10"});
    const LoadResult r = load();
    ASSERT_EQ(r.status, LoadStatus::Loaded);
    EXPECT_EQ(r.config.timetable.Times, (QStringList{"00:00", "07:05", "00:00", "00:00", "00:00",
                                                     "00:00", "00:00", "00:00", "07.10", "00:00"}));
    const std::vector<int> lines{0, 2, 3, 4, 5, 6, 7, 9};
    ASSERT_EQ(shown.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(shown[i].text, invalidTimeText(lines[i]));
        EXPECT_EQ(shown[i].title, QStringLiteral("Chyba vstupních dat"));
    }
}

TEST_F(Fixture, NoteReadsUnknownValueWhenMissingAndEmptyWhenEmpty) {
    writeLine({"t0=07:05", "NumberOfTimes=1"});
    EXPECT_EQ(load().config.note, QStringLiteral("unknown value"));
    writeLine({"Description=", "t0=07:05", "NumberOfTimes=1"});
    EXPECT_EQ(load().config.note, QString());
}

TEST_F(Fixture, StoredViewStateOneAsksForTheExpandedView) {
    for (const auto& [stav, expand] : std::vector<std::pair<QString, bool>>{{"1", true},
                                                                            {"0", false},
                                                                            {"2", false},
                                                                            {"0.5", false},
                                                                            {"1.5", false},
                                                                            {"255", false}}) {
        QStringList main = mainSection();
        main.replace(main.indexOf(QStringLiteral("Stav=0")), QStringLiteral("Stav=") + stav);
        writeLine({"t0=07:05", "NumberOfTimes=1"}, main);
        const LoadResult r = load();
        ASSERT_EQ(r.status, LoadStatus::Loaded) << stav.toStdString();
        EXPECT_EQ(r.config.expand, expand) << stav.toStdString();
    }
}

struct FatalCase {
    const char* name;
    QString replace; // a line of the file to replace ("" keeps it)
    QString with;    // "" removes the line
    int error;
};

class FatalLoad : public Fixture, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(FatalLoad, ShowsOneMessageWithItsErrorNumber) {
    const FatalCase& c = GetParam();
    QStringList lines = mainSection();
    lines << "[150]"
          << "Description=x"
          << "t0=07:05"
          << "NumberOfTimes=1";
    const qsizetype at = lines.indexOf(c.replace);
    ASSERT_GE(at, 0);
    if (c.with.isEmpty()) {
        lines.removeAt(at);
    } else {
        lines.replace(at, c.with);
    }
    writeConfig(lines);
    const LoadResult r = load();
    ASSERT_EQ(shown.size(), 1u);
    expectLoadError(r, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Loader, FatalLoad,
    ::testing::Values(FatalCase{"StavTooLarge", "Stav=0", "Stav=256", 6},
                      FatalCase{"StavNegative", "Stav=0", "Stav=-1", 6},
                      FatalCase{"StavMissing", "Stav=0", "", 13},
                      FatalCase{"CountZero", "NumberOfTimes=1", "NumberOfTimes=0", 9},
                      FatalCase{"CountNegative", "NumberOfTimes=1", "NumberOfTimes=-3", 9},
                      FatalCase{"CountLowest", "NumberOfTimes=1", "NumberOfTimes=-32768", 6},
                      FatalCase{"CountBeyond16Bits", "NumberOfTimes=1", "NumberOfTimes=32768", 6},
                      FatalCase{"CountMissing", "NumberOfTimes=1", "", 13},
                      FatalCase{"CountLetters", "NumberOfTimes=1", "NumberOfTimes=pět", 13},
                      FatalCase{"BusMissing", "Bus=150", "", 13},
                      FatalCase{"RedAlertEmpty", "RedAlertMin=5", "RedAlertMin=", 13},
                      FatalCase{"BlinkAlertLetters", "BlinkAlert=30", "BlinkAlert=abc", 13},
                      FatalCase{"BlinkAlertMBeyond16Bits", "BlinkAlertM=1", "BlinkAlertM=40000",
                                6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Fixture, EmptyFileFailsAtTheFirstNumber) {
    folder.write(QStringLiteral("kvapomern.ini"), QByteArray());
    const LoadResult r = load();
    ASSERT_EQ(shown.size(), 1u);
    expectLoadError(r, 13);
}

TEST_F(Fixture, NumbersRoundHalfToEven) {
    QStringList main = mainSection();
    main.replace(main.indexOf(QStringLiteral("RedAlertMin=5")),
                 QStringLiteral("RedAlertMin= 2.5 "));
    main.replace(main.indexOf(QStringLiteral("BlinkAlert=30")), QStringLiteral("BlinkAlert=3.5"));
    main.replace(main.indexOf(QStringLiteral("BlinkAlertM=1")), QStringLiteral("BlinkAlertM=-0,5"));
    writeLine({"t0=07:05", "NumberOfTimes=1.5"}, main);
    const LoadResult r = load();
    ASSERT_EQ(r.status, LoadStatus::Loaded);
    EXPECT_EQ(r.config.alerts.RedAlertMin, 2);
    EXPECT_EQ(r.config.alerts.BlinkAlert, 4);
    EXPECT_EQ(r.config.alerts.BlinkAlertM, 0);
    EXPECT_EQ(r.config.timetable.LastIndex, 1); // 1.5 rounds to 2 times
    EXPECT_EQ(r.config.timetable.Times.size(), 2);
}

TEST_F(Fixture, OnlyTheCountedTimesAreRead) {
    writeLine({"t0=06:00", "t1=07:00", "t2=08:00", "t4=09:00", "t5=bad", "NumberOfTimes=5"});
    const LoadResult r = load();
    ASSERT_EQ(r.status, LoadStatus::Loaded);
    EXPECT_EQ(r.config.timetable.Times, (QStringList{"06:00", "07:00", "08:00", "00:00", "09:00"}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, invalidTimeText(3));
}

TEST_F(Fixture, MissingSoundSettingsAreNotFailures) {
    QStringList main = mainSection();
    main.removeAll(QStringLiteral("AlertON=ON"));
    main.replace(main.indexOf(QStringLiteral("AlertWav=alarm.wav")), QStringLiteral("AlertWav="));
    writeLine({"t0=07:05", "NumberOfTimes=1"}, main);
    const LoadResult r = load();
    ASSERT_EQ(r.status, LoadStatus::Loaded);
    EXPECT_EQ(r.config.alerts.AlertON, QStringLiteral("unknown value"));
    EXPECT_EQ(r.config.alerts.AlertWav, QString());
}

TEST_F(Fixture, AtMostTenInvalidTimesAreReported) {
    // The highest count with only six times stored: 32 761 invalid times.
    writeLine({"t0=06:00", "t1=07:00", "t2=08:00", "t3=09:00", "t4=10:00", "t5=11:00",
               "NumberOfTimes=32767"});
    const LoadResult r = load();
    ASSERT_EQ(r.status, LoadStatus::Loaded);
    ASSERT_EQ(r.config.timetable.Times.size(), 32767);
    EXPECT_EQ(r.config.timetable.Times[5], QStringLiteral("11:00"));
    EXPECT_EQ(r.config.timetable.Times.count(QStringLiteral("00:00")), 32761);
    ASSERT_EQ(shown.size(), std::size_t(kMaxTimeMessages));
    for (int i = 0; i < kMaxTimeMessages; ++i) {
        EXPECT_EQ(shown[i].text, invalidTimeText(6 + i));
    }
}

TEST_F(Fixture, Utf8FileWithItsMarkLoads) {
    folder.write(QStringLiteral("kvapomern.ini"),
                 "\xEF\xBB\xBF" + test::lineConfig().join(QStringLiteral("\r\n")).toUtf8());
    const LoadResult r = load();
    ASSERT_EQ(r.status, LoadStatus::Loaded);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(r.config.note, QStringLiteral("(směr Kačerov)"));
}
