// The settings save as one update: the same bytes as the single writes it
// stands for, and nothing at all when it is refused or fails.

#include "config/config_file.h"
#include "config/settings_save.h"
#include "profile/profile_store.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>

namespace kvapomer::test {
namespace {

const QString kIni = QStringLiteral("kvapomern.ini");

QByteArray lines(const QStringList& l) {
    return cp1250(l.join("\r\n") + "\r\n");
}

const QByteArray kMiddle = lines({"[Main]",
                                  "Bus=150",
                                  "AlertON=ON",
                                  "AlertWav=alarm.wav",
                                  "RedAlertMin=5",
                                  "BlinkAlert=30",
                                  "BlinkAlertM=1",
                                  "[150]",
                                  "Description=(směr Kačerov)",
                                  "t0=05:00",
                                  "t1=06:15",
                                  "t2=07:40",
                                  "t3=08:00",
                                  "t4=09:00",
                                  "NumberOfTimes=5",
                                  "[Set]",
                                  "Stav=1",
                                  "[136]",
                                  "t0=09:10",
                                  "NumberOfTimes=1"});

SettingsInput input150() {
    SettingsInput in;
    in.line = QStringLiteral("150");
    in.note = QStringLiteral("(směr Kačerov)");
    in.times = QStringList{"06:15", "07:40"};
    in.alertOn = true;
    in.redAlertMin = QStringLiteral("5");
    in.blinkAlert = QStringLiteral("30");
    in.blinkAlertM = QStringLiteral("1");
    return in;
}

// The save as a sequence of single writes, each its own update of the file.
void saveBySingleWrites(const QString& path, const SettingsInput& in) {
    EXPECT_TRUE(DeleteIniSection(path, in.line));
    EXPECT_TRUE(WriteIniValue(path, in.line, QStringLiteral("Description"), in.note));
    EXPECT_TRUE(WriteIniValue(path, QStringLiteral("Main"), QStringLiteral("Bus"), in.line));
    for (int i = 0; i < in.times.size(); ++i) {
        EXPECT_TRUE(
            WriteIniValue(path, in.line, QStringLiteral("t") + QString::number(i), in.times[i]));
    }
    EXPECT_TRUE(WriteIniValue(path, in.line, QStringLiteral("NumberOfTimes"),
                              QString::number(in.times.size())));
    EXPECT_TRUE(WriteIniValue(path, QStringLiteral("Main"), QStringLiteral("AlertON"),
                              in.alertOn ? QStringLiteral("ON") : QStringLiteral("OFF")));
    if (passesAlertTest(in.redAlertMin)) {
        EXPECT_TRUE(WriteIniValue(path, QStringLiteral("Main"), QStringLiteral("RedAlertMin"),
                                  in.redAlertMin));
    }
    if (passesAlertTest(in.blinkAlert)) {
        EXPECT_TRUE(WriteIniValue(path, QStringLiteral("Main"), QStringLiteral("BlinkAlert"),
                                  in.blinkAlert));
    }
    if (passesAlertTest(in.blinkAlertM)) {
        EXPECT_TRUE(WriteIniValue(path, QStringLiteral("Main"), QStringLiteral("BlinkAlertM"),
                                  in.blinkAlertM));
    }
}

class SettingsSaveTest : public ::testing::Test {
protected:
    void TearDown() override { testing::setFaultHook({}); }

    // Saves `in` over `start` both ways and expects the same bytes.
    void expectSameAsSingleWrites(const QByteArray& start, const SettingsInput& in) {
        TempFolder single;
        TempFolder atOnce;
        if (!start.isNull()) {
            single.write(kIni, start);
            atOnce.write(kIni, start);
        }
        saveBySingleWrites(single.file(kIni), in);
        const Result<void> result = saveSettings(atOnce.file(kIni), in);
        EXPECT_TRUE(result.ok()) << result.error().description.toStdString();
        EXPECT_EQ(atOnce.read(kIni), single.read(kIni));
    }
    TempFolder folder;
};

TEST_F(SettingsSaveTest, AlertTestAcceptsNumbersBelowSixtyOnly) {
    for (const char* yes :
         {"0", "5", "05", "59", "-5", "-99", " 7", "7 ", "+3", "59.4", "58.5", "1,5", "-40000"}) {
        EXPECT_TRUE(passesAlertTest(QString::fromLatin1(yes))) << yes;
    }
    for (const char* no :
         {"60", "75", "99", "59.5", "60.4", "", " ", "ab", "5a", "-", "1e1", "unknown value"}) {
        EXPECT_FALSE(passesAlertTest(QString::fromLatin1(no))) << no;
    }
}

TEST_F(SettingsSaveTest, Example150GivesTheDocumentedFile) {
    folder.write(
        kIni, lines({"[Main]", "Bus=150", "AlertON=OFF", "RedAlertMin=9", "BlinkAlert=9",
                     "BlinkAlertM=9", "[Set]", "Stav=1", "[150]", "t0=11:11", "NumberOfTimes=1"}));
    ASSERT_TRUE(saveSettings(folder.file(kIni), input150()).ok());
    EXPECT_EQ(folder.read(kIni),
              lines({"[Main]", "Bus=150", "AlertON=ON", "RedAlertMin=5", "BlinkAlert=30",
                     "BlinkAlertM=1", "[Set]", "Stav=1", "[150]", "Description=(směr Kačerov)",
                     "t0=06:15", "t1=07:40", "NumberOfTimes=2"}));
}

TEST_F(SettingsSaveTest, SameBytesAsTheSingleWrites) {
    expectSameAsSingleWrites(kMiddle, input150());

    SettingsInput newLine = input150();
    newLine.line = QStringLiteral("151");
    newLine.alertOn = false;
    expectSameAsSingleWrites(kMiddle, newLine);

    SettingsInput alerts = input150();
    alerts.redAlertMin = QStringLiteral("75");
    alerts.blinkAlert = QStringLiteral("-5");
    alerts.blinkAlertM = QStringLiteral("05");
    expectSameAsSingleWrites(kMiddle, alerts);

    SettingsInput otherCase = input150();
    otherCase.line = QStringLiteral("abc");
    expectSameAsSingleWrites(kMiddle + lines({"[ABC]", "t0=01:00", "[abc]", "t9=02:00"}),
                             otherCase);

    SettingsInput unknownNote = input150();
    unknownNote.note = QStringLiteral("unknown value");
    expectSameAsSingleWrites(kMiddle, unknownNote);

    SettingsInput emptyNote = input150();
    emptyNote.note.clear();
    expectSameAsSingleWrites(lines({"[Main]", "Bus=150"}), emptyNote);

    // A missing file and an empty one are both created by the first write.
    expectSameAsSingleWrites(QByteArray(), input150());
    expectSameAsSingleWrites(QByteArray(""), input150());
    // Files from other editors: line feeds only, no line end at the end.
    expectSameAsSingleWrites("[Main]\nBus=150\nAlertON=OFF\n[150]\nt0=05:00\nNumberOfTimes=1",
                             newLine);
    // Mixed line ends: the removed section held the first line end of the file.
    const QByteArray mixed =
        "[150]\nDescription=x\nt0=05:00\nNumberOfTimes=1\n[Main]\r\nBus=150\r\n"
        "RedAlertMin=1\r\n[Set]\r\nStav=0\r\n";
    expectSameAsSingleWrites(mixed, input150());
    expectSameAsSingleWrites(mixed, newLine);
    // A UTF-8 file with its byte-order mark stays UTF-8, the mark in place.
    const QByteArray utf8 = "\xEF\xBB\xBF[Main]\r\nBus=150\r\n[150]\r\nDescription=Háje\r\n";
    expectSameAsSingleWrites(utf8, input150());
    folder.write(kIni, utf8);
    ASSERT_TRUE(saveSettings(folder.file(kIni), input150()).ok());
    const QByteArray saved = folder.read(kIni);
    EXPECT_TRUE(saved.startsWith("\xEF\xBB\xBF[Main]\r\nBus=150\r\nAlertON=ON\r\n"));
    EXPECT_EQ(saved.count("[Main]"), 1);
    EXPECT_TRUE(saved.contains(QStringLiteral("Description=(směr Kačerov)").toUtf8()));
}

TEST_F(SettingsSaveTest, ManyTimesAreWrittenInOrder) {
    SettingsInput in = input150();
    in.times.clear();
    for (int h = 0; h < 24; ++h) {
        for (int m = 0; m < 60; m += 5) {
            in.times
                << QStringLiteral("%1:%2").arg(h, 2, 10, QChar(u'0')).arg(m, 2, 10, QChar(u'0'));
        }
    }
    expectSameAsSingleWrites(kMiddle, in);
    folder.write(kIni, kMiddle);
    ASSERT_TRUE(saveSettings(folder.file(kIni), in).ok());
    EXPECT_EQ(ReadIniValue(folder.file(kIni), "150", "t287", {}), "23:55");
    EXPECT_EQ(ReadIniValue(folder.file(kIni), "150", "NumberOfTimes", {}), "288");
}

TEST_F(SettingsSaveTest, RefusalsWriteNothing) {
    struct Case {
        SettingsInput input;
        int number;
    };
    std::vector<Case> cases;
    SettingsInput in = input150();
    in.times.clear();
    cases.push_back({in, 9});
    in = input150();
    in.times = QStringList(keys::kMaxTimes + 1, QStringLiteral("06:00"));
    cases.push_back({in, 6});
    for (const QString& line :
         {QStringLiteral(""), QStringLiteral("Main"), QStringLiteral("MAIN"), QStringLiteral("sEt"),
          QStringLiteral("[150"), QStringLiteral("150]"), QStringLiteral(" 150"),
          QStringLiteral("150\t"), QStringLiteral("15\n0"), QStringLiteral("150Ω"),
          QStringLiteral("\"150\""), QString(700, u'1')}) {
        in = input150();
        in.line = line;
        cases.push_back({in, 5});
    }
    for (const QString& note :
         {QStringLiteral("a\nb"), QStringLiteral("a\rb"), QStringLiteral("směr → Háje")}) {
        in = input150();
        in.note = note;
        cases.push_back({in, 5});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.line.left(20).toStdString() + " / " + c.input.note.toStdString());
        folder.write(kIni, kMiddle);
        const Result<void> result = saveSettings(folder.file(kIni), c.input);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.error().number, c.number);
        EXPECT_EQ(result.error().description, errorDescription(c.number));
        EXPECT_FALSE(result.error().description.isEmpty());
        EXPECT_EQ(folder.read(kIni), kMiddle);
    }
}

TEST_F(SettingsSaveTest, LongestLineNameAndEveryCodePageLetterAreAccepted) {
    SettingsInput in = input150();
    in.line = QString(699, u'1');
    in.note = QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy – „€“");
    folder.write(kIni, kMiddle);
    ASSERT_TRUE(saveSettings(folder.file(kIni), in).ok());
    EXPECT_EQ(ReadIniValue(folder.file(kIni), "Main", "Bus", {}), in.line);
    EXPECT_EQ(ReadIniValue(folder.file(kIni), in.line, "description", {}), in.note);
}

TEST_F(SettingsSaveTest, CrashAfterTheTemporaryFileLeavesTheFileAsItWas) {
    for (const auto stage :
         {testing::UpdateStage::TempWritten, testing::UpdateStage::BeforeRename}) {
        folder.write(kIni, kMiddle);
        testing::setFaultHook([stage](testing::UpdateStage at) { return at != stage; });
        const Result<void> result = saveSettings(folder.file(kIni), input150());
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error().number, 0);
        EXPECT_FALSE(result.error().description.isEmpty());
        EXPECT_EQ(folder.read(kIni), kMiddle);
        for (const QString& entry : folder.entries()) {
            EXPECT_FALSE(entry.endsWith(QStringLiteral(".tmp"))) << entry.toStdString();
        }
        testing::setFaultHook({});
    }
}

TEST_F(SettingsSaveTest, FolderInPlaceOfTheFileFailsTheSave) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(kIni));
    const Result<void> result = saveSettings(folder.file(kIni), input150());
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error().number, 0);
    EXPECT_TRUE(QFileInfo(folder.file(kIni)).isDir());
}

TEST_F(SettingsSaveTest, LineNameRules) {
    EXPECT_TRUE(isUsableLineName(QStringLiteral("150")));
    EXPECT_TRUE(isUsableLineName(QStringLiteral("Mains")));
    EXPECT_TRUE(isUsableLineName(QStringLiteral("noční 9")));
    EXPECT_TRUE(isUsableLineName(QStringLiteral("a=b")));
    EXPECT_FALSE(isUsableLineName(QStringLiteral("Set")));
    EXPECT_FALSE(isUsableLineName(QStringLiteral("a\tb")));
    EXPECT_TRUE(fitsCodePage(QStringLiteral("ěščřžýáíéůú ĚŠČŘŽÝÁÍÉŮÚ €")));
    EXPECT_FALSE(fitsCodePage(QStringLiteral("Ω")));
}

} // namespace
} // namespace kvapomer::test
