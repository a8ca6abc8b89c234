// kvapomer-import as the user runs it: listings on stdout, one message line
// on stderr, exit codes, and the configuration file written with a settings
// save's bytes or, on any refusal, left byte for byte as it was.

#include "gtfs_import/cli/import_command.h"

#include "config/config_file.h"
#include "config/settings_save.h"
#include "feed_fixture.h"
#include "profile/profile_store.h"
#include "support/sample_config.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>

#include <sstream>

namespace kvapomer::gtfs {
namespace {

using test::TempFolder;

const QStringList kWeekday{"01:10", "06:15", "07:40", "12:00", "12:20", "12:40"};

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run(std::vector<std::string> args,
            const std::string& defaultIni = "/nonexistent/kvapomern.ini") {
    std::ostringstream out, err;
    const CommandEnvironment env{defaultIni, std::chrono::year_month_day{std::chrono::year(2026),
                                                                         std::chrono::December,
                                                                         std::chrono::day(10)}};
    const int status = runImportCommand(args, env, out, err);
    return {status, out.str(), err.str()};
}

// Line 150 with other sections after it, so a rewrite must move it.
QByteArray configBytes() {
    return test::fileBytes(
        test::lineConfig({"05:00", "06:15"}, "0",
                         {"[136]", "Description=(směr Roztyly)", "t0=09:10", "NumberOfTimes=1"}));
}

SettingsInput settingsFor(const QString& line, const QString& note, const QStringList& times) {
    SettingsInput in;
    in.line = line;
    in.note = note;
    in.times = times;
    // the alert values already in the file, so the save leaves them alone
    in.alertOn = true;
    in.redAlertMin = QStringLiteral("5");
    in.blinkAlert = QStringLiteral("30");
    in.blinkAlertM = QStringLiteral("1");
    return in;
}

class ImportCommand : public ::testing::Test {
protected:
    TempFolder folder;
    std::string feed = test::feedZip(folder, "feed.zip").toStdString();
    std::string ini = folder.file("kvapomern.ini").toStdString();
    void SetUp() override { folder.write("kvapomern.ini", configBytes()); }
};

TEST_F(ImportCommand, WritesTheBytesOfASettingsSave) {
    folder.write("saved.ini", configBytes());
    const Outcome r =
        run({feed, "SPO", "150", "--date", "2026-12-10", "--activate"}, ini); // default --ini
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Linka 150 (směr Kačerov) ze zastávky Spořilov, sídliště: počet odjezdů 6, "
                     "zapsáno do " +
                         ini + " jako aktivní linka.\n");
    ASSERT_TRUE(saveSettings(folder.file("saved.ini"),
                             settingsFor("150", QStringLiteral("(směr Kačerov)"), kWeekday)));
    EXPECT_EQ(folder.read("kvapomern.ini"), folder.read("saved.ini"));

    // Without --activate the active line stays; a save's bytes with Bus put back.
    folder.write("saved.ini", configBytes());
    ASSERT_EQ(run({feed, "Kačerov", "150", "--date", "2026-12-10", "--line", "151", "--note",
                   "ke Spořilovu", "--ini", ini})
                  .status,
              kExitOk);
    const QString saved = folder.file("saved.ini");
    ASSERT_TRUE(
        saveSettings(saved, settingsFor("150", QStringLiteral("(směr Kačerov)"), kWeekday)));
    ASSERT_TRUE(saveSettings(
        saved, settingsFor("151", QStringLiteral("ke Spořilovu"), {"06:00", "07:00"})));
    ASSERT_TRUE(
        WriteIniValue(saved, QStringLiteral("Main"), QStringLiteral("Bus"), QStringLiteral("150")));
    EXPECT_EQ(folder.read("kvapomern.ini"), folder.read("saved.ini"));
}

TEST_F(ImportCommand, SetsRemovesAndKeepsTheWalkToTheStop) {
    const std::vector<std::string> args{feed, "SPO", "150", "--date", "2026-12-10", "--ini", ini};
    const auto with = [&](std::initializer_list<std::string> more) {
        std::vector<std::string> all = args;
        all.insert(all.end(), more);
        return all;
    };
    // A settings save's bytes, and the walk after the line's count.
    folder.write("saved.ini", configBytes());
    const QString saved = folder.file("saved.ini");
    ASSERT_TRUE(
        saveSettings(saved, settingsFor("150", QStringLiteral("(směr Kačerov)"), kWeekday)));
    const QByteArray plain = folder.read("saved.ini");
    ASSERT_TRUE(WriteIniValue(saved, QStringLiteral("150"), QStringLiteral("WalkMin"),
                              QStringLiteral("7")));
    const Outcome set = run(with({"--walk", "07"}));
    ASSERT_EQ(set.status, kExitOk) << set.err;
    EXPECT_EQ(folder.read("kvapomern.ini"), folder.read("saved.ini"));
    EXPECT_NE(folder.read("kvapomern.ini").indexOf("NumberOfTimes=6\r\nWalkMin=7\r\n"), -1);

    // Imported again without --walk: the walk stays, to the byte.
    ASSERT_EQ(run(args).status, kExitOk);
    EXPECT_EQ(folder.read("kvapomern.ini"), folder.read("saved.ini"));

    // Out of range or not a whole number: a usage error before the feed is
    // read, the file untouched.
    for (const std::string bad : {"121", "x", "-1", "7.0", "", "+7", "99999999999"}) {
        const Outcome r = run(with({"--walk", bad}));
        EXPECT_EQ(r.status, kExitUsage) << bad;
        EXPECT_EQ(r.err,
                  "Neplatná cesta na zastávku „" + bad + "“; zadejte celé číslo minut 0 až 120.\n");
        EXPECT_EQ(folder.read("kvapomern.ini"), folder.read("saved.ini")) << bad;
    }
    EXPECT_EQ(run({"nonexistent.zip", "SPO", "150", "--walk", "121", "--ini", ini}).status,
              kExitUsage);

    // 0 removes it: the bytes of the line that never had one.
    ASSERT_EQ(run(with({"--walk", "0"})).status, kExitOk);
    EXPECT_EQ(folder.read("kvapomern.ini"), plain);
}

TEST_F(ImportCommand, ListsOnStandardOutput) {
    const std::string unpacked = test::feedFolder(folder, "unpacked").toStdString();
    const struct {
        std::vector<std::string> args;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {{feed, "--list-stops", "kač"},
         kExitOk,
         "KAC\tKačerov\t(stanice)\n  KAC_A\tKačerov\tnástupiště A\n  KAC_B\tKačerov\tnástupiště "
         "B\n",
         ""},
        {{unpacked, "--list-routes", "ROZ"},
         kExitOk,
         "L136\t136\tRoztyly - Kačerov\nL150\t150\tKačerov - \"Spořilov, sídliště\"\n",
         ""},
        {{unpacked, "--list-routes", "Roztyly"},
         kExitAmbiguous,
         "",
         "Názvu „Roztyly“ odpovídá více zastávek: ROZ (Roztyly, nástupiště 1), ROZ2 (Roztyly, "
         "nástupiště 2); zadejte jednu z nich podle id.\n"},
        {{feed, "--list-directions", "ROZ", "150"},
         kExitOk,
         "0\tSpořilov, sídliště\n1\tKačerov\n",
         ""},
    };
    for (const auto& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[2];
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_NE(help.out.find("Návratové kódy:"), std::string::npos);
    EXPECT_NE(help.out.find("[--walk MIN]"), std::string::npos);
    EXPECT_NE(
        help.out.find("\n  --walk MIN         cesta z domova na zastávku v minutách, 0 až 120"),
        std::string::npos);
}

TEST_F(ImportCommand, ListsTheRoutesThatCallAtAStop) {
    // Line 136 ends at Kačerov, and at Roztyly takes no one on trip T9.
    const std::string noPickup =
        test::feedFolder(folder, "nopickup",
                         {{"stop_times.txt", test::withPickup("T9", "ROZ", "1")}})
            .toStdString();
    const struct {
        std::vector<std::string> args;
        const char* out;
    } cases[] = {
        {{feed, "--list-routes", "KAC"}, "L150\t150\tKačerov - \"Spořilov, sídliště\"\n"},
        {{noPickup, "--list-routes", "ROZ"}, "L150\t150\tKačerov - \"Spořilov, sídliště\"\n"},
    };
    for (const auto& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, kExitOk) << c.args[2];
        EXPECT_EQ(r.out, c.out) << c.args[2];
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(ImportCommand, RefusesAndLeavesTheFileAlone) {
    std::string stopTimes = test::feedFiles()["stop_times.txt"].toStdString();
    stopTimes += "T9,09:20:00,09:20:00\n";
    const std::string noTrips =
        test::feedZip(folder, "no_trips.zip", {{"trips.txt", {}}}).toStdString();
    const std::string shortRow =
        test::feedZip(folder, "short_row.zip",
                      {{"stop_times.txt", QByteArray::fromStdString(stopTimes)}})
            .toStdString();
    const auto frequencies = [&](const char* name, const char* headway) {
        return test::feedZip(
                   folder, name,
                   {{"frequencies.txt", QByteArray("trip_id,start_time,end_time,headway_secs\n"
                                                   "T1,00:00:01,00:00:02,") +
                                            headway + '\n'}})
            .toStdString();
    };
    const std::string hugeHeadway = frequencies("huge_headway.zip", "2147483647");
    const std::string noHeadway = frequencies("no_headway.zip", "0");
    const std::string lateTime =
        test::feedZip(folder, "late_time.zip",
                      {{"stop_times.txt", test::feedFiles()["stop_times.txt"].replace(
                                              "T1,06:15:00,06:15:00,", "T1,999:59:59,999:59:59,")}})
            .toStdString();
    const QByteArray whole = folder.read("feed.zip");
    folder.write("truncated.zip", whole.left(whole.size() / 2));
    const std::string truncated = folder.file("truncated.zip").toStdString();
    const std::string dates = "--date";

    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{noTrips, "SPO", "150"}, kExitBadFeed, "V jízdním řádu chybí soubor trips.txt."},
        {{truncated, "SPO", "150"},
         kExitBadFeed,
         "Jízdní řád " + truncated + " nelze otevřít jako zip: není to zip, nebo je neúplný."},
        {{shortRow, "SPO", "150"},
         kExitBadFeed,
         "Soubor stop_times.txt: řádek 26 má méně sloupců (3) než záhlaví (5)."},
        {{hugeHeadway, "SPO", "150"},
         kExitBadFeed,
         "Soubor frequencies.txt: řádek 2 má headway_secs „2147483647“ mimo rozsah 1 až 86400."},
        {{noHeadway, "SPO", "150"},
         kExitBadFeed,
         "Soubor frequencies.txt: řádek 2 má headway_secs „0“ mimo rozsah 1 až 86400."},
        {{lateTime, "SPO", "150"},
         kExitBadFeed,
         "Soubor stop_times.txt: řádek 2 má čas „999:59:59“, nejvýše lze 71:59:59."},
        {{feed, "Letňany", "150"},
         kExitNotFound,
         "Zastávka „Letňany“ v jízdním řádu není (viz --list-stops)."},
        {{feed, "SPO", "999"},
         kExitNotFound,
         "Linka „999“ v jízdním řádu není (viz --list-routes)."},
        {{feed, "SPO", "150", dates, "2027-01-05"},
         kExitNoDepartures,
         "Dne 2027-01-05 linka 150 ze zastávky Spořilov, sídliště směr Kačerov nejede."},
        {{feed, "SPO", "150", dates, "2026-02-30"},
         kExitUsage,
         "Neplatné datum „2026-02-30“; zadejte je jako RRRR-MM-DD."},
        {{feed, "SPO", "150", "--note", "Ωmega"},
         kExitRefused,
         "Poznámku „Ωmega“ nelze uložit do konfiguračního souboru (znak mimo Windows-1250); "
         "zvolte jinou přes --note."},
        {{feed, "SPO", "150", "--line", "main"},
         kExitRefused,
         "Číslo linky „main“ nelze uložit do konfiguračního souboru; zvolte jiné přes --line."},
        {{feed, "SPO", "150", "--ini", folder.file("absent.ini").toStdString()},
         kExitConfigFile,
         "Konfigurační soubor " + folder.file("absent.ini").toStdString() + " neexistuje."},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        if (std::find(args.begin(), args.end(), "--ini") == args.end()) {
            args.insert(args.end(), {"--ini", ini});
        }
        const Outcome r = run(args);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_EQ(r.err, c.message + "\n");
        EXPECT_EQ(folder.read("kvapomern.ini"), configBytes()) << c.message;
    }
    EXPECT_FALSE(QFileInfo::exists(folder.file("absent.ini")));
}

TEST_F(ImportCommand, WritesOnlyValidTimesFromHostileFrequencies) {
    // T5 runs by frequencies.txt, and at ROZ it would leave before its first stop.
    const std::string early =
        test::feedZip(
            folder, "early.zip",
            {{"stop_times.txt", test::feedFiles()["stop_times.txt"]
                                    .replace("T5,10:00:00,10:00:00", "T5,06:00:00,06:00:00")
                                    .replace("T5,10:05:30,10:05:30", "T5,05:05:00,05:05:00")
                                    .replace("T5,10:10:00,10:10:00", "T5,06:10:00,06:10:00")}})
            .toStdString();
    Outcome r =
        run({early, "ROZ", "150", "--direction", "Kačerov", "--date", "2026-12-10", "--ini", ini});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.err,
              "Spoj „T5“ jede podle frequencies.txt, ale ze zastávky odjíždí (05:05:00) dřív "
              "než z první zastávky (06:00:00); vynechán.\n"
              "Linka 150 (směr Kačerov) ze zastávky Roztyly: počet odjezdů 3, zapsáno do " +
                  ini + ".\n");
    EXPECT_TRUE(folder.read("kvapomern.ini")
                    .contains("\r\nt0=01:15\r\nt1=06:20\r\nt2=07:45\r\nNumberOfTimes=3\r\n"));

    // A departure every second for 72 hours, 200 times over: each minute once.
    QByteArray everySecond = "trip_id,start_time,end_time,headway_secs\n";
    for (int i = 0; i < 200; ++i) {
        everySecond += "T1,00:00:00,71:59:59,1\n";
    }
    const std::string busy =
        test::feedZip(folder, "busy.zip", {{"frequencies.txt", everySecond}}).toStdString();
    r = run({busy, "SPO", "150", "--date", "2026-12-10", "--ini", ini});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(folder.read("kvapomern.ini").contains("\r\nt0=00:00\r\nt1=00:01\r\n"));
    EXPECT_TRUE(folder.read("kvapomern.ini").contains("\r\nt1439=23:59\r\nNumberOfTimes=1440\r\n"));
}

TEST_F(ImportCommand, SettlesAStopNameByTheRouteOrListsThePlatforms) {
    // Platform 2 of Roztyly also served by 150 toward Spořilov.
    const test::FeedEdits edits{
        {"stop_times.txt", test::feedFiles()["stop_times.txt"] + "T10,06:30:00,06:30:00,ROZ2,1\n"
                                                                 "T10,06:40:00,06:40:00,SPO,2\n"},
        {"trips.txt", test::feedFiles()["trips.txt"] + "\"Spořilov, sídliště\",T10,L150,WD,0\n"}};
    const std::string both = test::feedFolder(folder, "both", edits).toStdString();
    const std::string listing = "  ROZ (Roztyly, nástupiště 1): 136 směr Kačerov; 150 směr "
                                "Spořilov, sídliště; 150 směr Kačerov\n"
                                "  ROZ2 (Roztyly, nástupiště 2): ";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    } cases[] = {
        {{both, "--list-stops", "zelivskeho"},
         kExitOk,
         "ZEL\tŽelivského\t(stanice)\n  ZEL_A\tŽelivského\tnástupiště A\n",
         ""},
        {{both, "--list-stops", "vinohradska"},
         kExitNotFound,
         "",
         "Žádná zastávka nemá v názvu „vinohradska“.\n"},
        {{both, "--list-directions", "kacerov", "150"}, kExitOk, "0\tSpořilov, sídliště\n", ""},
        {{both, "roztyly", "150"},
         kExitAmbiguous,
         "",
         "Linka 150 odjíždí z více zastávek názvu „roztyly“; zadejte jednu z nich podle id:\n" +
             listing + "150 směr Spořilov, sídliště\n"},
        {{feed, "Roztyly", "136", "--direction", "Spořilov"},
         kExitAmbiguous,
         "",
         "Linka 136 směrem „Spořilov“ neodjíždí z žádné zastávky názvu „Roztyly“; odjíždí z "
         "nich:\n" +
             listing + "nic neodjíždí\n"},
        {{both, "Roztyly", "150", "--direction", "kacerov", "--date", "2026-12-10"},
         kExitOk,
         "",
         "Linka 150 (směr Kačerov) ze zastávky Roztyly: počet odjezdů 6, zapsáno do " + ini +
             ".\n"},
        {{both, "ROZTYLY", "136"},
         kExitOk,
         "",
         "Linka 136 (směr Kačerov) ze zastávky Roztyly: 1 jízdní řád a dny bez spojů, platí "
         "2026-12-10 až 2026-12-31, zapsáno do " +
             ini + ".\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--ini", ini});
        const Outcome r = run(args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << ' ' << c.args[2];
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
    // The one platform that 136 leaves from: its departure on a weekday.
    EXPECT_TRUE(folder.read("kvapomern.ini").contains("\r\nt0=09:00\r\nNumberOfTimes=1\r\n"));
}

TEST_F(ImportCommand, ProgramWritesTheFileBesideItself) {
    const QString program = folder.file("kvapomer-import");
    ASSERT_TRUE(QFile::copy(QStringLiteral(KVAPOMER_IMPORT_EXE), program));
    QProcess process;
    process.start(program, {QString::fromStdString(feed), "SPO", "150", "--date", "2026-12-12"});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), kExitOk);
    EXPECT_EQ(process.readAllStandardError().count('\n'), 1);
    EXPECT_TRUE(
        folder.read("kvapomern.ini").contains("\r\nt0=01:10\r\nt1=08:30\r\nNumberOfTimes=2\r\n"));
}

} // namespace
} // namespace kvapomer::gtfs
