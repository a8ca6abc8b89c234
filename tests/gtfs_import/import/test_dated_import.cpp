// kvapomer-import without --date: a dated line whose every date gives the
// one-date import's list, and --refresh of every dated line of a file.

#include "gtfs_import/cli/import_command.h"

#include "config/config_file.h"
#include "config/dated_day.h"
#include "config/loader.h"
#include "config/settings_save.h"
#include "feed_fixture.h"
#include "profile/profile_store.h"
#include "support/sample_config.h"

#include <gtest/gtest.h>
#include <QFile>

#include <sstream>

namespace kvapomer::gtfs {
namespace {

using std::chrono::sys_days;
using test::TempFolder;

struct Outcome {
    int status;
    std::string err;
};

Outcome run(const std::vector<std::string>& args, std::chrono::year_month_day today) {
    std::ostringstream out, err;
    const int status = runImportCommand(args, {"/nonexistent/kvapomern.ini", today}, out, err);
    EXPECT_EQ(out.str(), "");
    return {status, err.str()};
}

std::chrono::year_month_day date(unsigned month, unsigned d, int year = 2026) {
    return {std::chrono::year(year), std::chrono::month(month), std::chrono::day(d)};
}

class DatedImport : public ::testing::Test {
protected:
    TempFolder folder;
    std::string feed = test::feedFolder(folder, "feed", {}, "dated").toStdString();
    std::string ini = folder.file("kvapomern.ini").toStdString();
    void SetUp() override { folder.write("kvapomern.ini", test::fileBytes(test::lineConfig())); }

    ProfileDocument file() const { return ProfileDocument(folder.read("kvapomern.ini")); }
    // The times the program loads with `line` active.
    QStringList timesInFile(const QString& line) const {
        ProfileDocument doc = file();
        doc.setValue(QStringLiteral("Main"), QStringLiteral("Bus"), line);
        const LoadResult r = loadConfiguration(ConfigSnapshot{true, doc});
        EXPECT_EQ(r.status, LoadStatus::Loaded);
        return r.config.timetable.Times;
    }
};

TEST_F(DatedImport, EveryDateGivesTheListOfThatDatesImport) {
    const Outcome r = run({feed, "NAM", "10", "--ini", ini}, date(12, 10));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    // The feed's warnings first, then what was stored.
    EXPECT_EQ(r.err.substr(r.err.find("Linka 10")),
              "Linka 10 (směr Konečná) ze zastávky Náměstí: 10 různých jízdních řádů, platí "
              "2026-12-10 až 2027-01-03, zapsáno do " +
                  ini + ".\n");
    const std::optional<DatedLine> dated = readDatedSection(file(), "10");
    ASSERT_TRUE(dated);
    EXPECT_EQ(dated->source.feed, QString::fromStdString(feed));
    EXPECT_EQ(dated->source.stop, "NAM");
    EXPECT_EQ(dated->source.route, "R10");
    EXPECT_EQ(dated->source.direction, "Konečná");
    EXPECT_EQ(timesInFile("10"),
              timesText(dated->lists[chooseDay(*dated, sys_days(date(12, 10))).list]));
    // Each date of the period as --date would write it.
    for (sys_days d = dated->first; d <= dated->last(); d += std::chrono::days(1)) {
        TempFolder one;
        one.write("kvapomern.ini", test::fileBytes(test::lineConfig()));
        const std::string oneIni = one.file("kvapomern.ini").toStdString();
        const std::string iso = toQDate(d).toString(Qt::ISODate).toStdString();
        const Outcome single =
            run({feed, "NAM", "10", "--date", iso, "--ini", oneIni}, date(12, 10));
        const QStringList list = timesText(dated->lists[chooseDay(*dated, d).list]);
        if (single.status == kExitNoDepartures) {
            EXPECT_TRUE(list.isEmpty()) << iso;
            continue;
        }
        ASSERT_EQ(single.status, kExitOk) << iso << single.err;
        ProfileDocument doc(one.read("kvapomern.ini"));
        doc.setValue(QStringLiteral("Main"), QStringLiteral("Bus"), QStringLiteral("10"));
        EXPECT_EQ(loadConfiguration(ConfigSnapshot{true, doc}).config.timetable.Times, list) << iso;
    }
}

TEST_F(DatedImport, OnADayWithoutServiceTheTimesHoldTheNextDaysList) {
    // Line 20 does not run on Sundays; imported on Sunday 13 December.
    const Outcome r = run({feed, "NAM", "20", "--ini", ini, "--activate"}, date(12, 13));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.err.find("a dny bez spojů"), std::string::npos) << r.err;
    const std::optional<DatedLine> dated = readDatedSection(file(), "20");
    ASSERT_TRUE(dated);
    EXPECT_TRUE(dated->lists[chooseDay(*dated, sys_days(date(12, 13))).list].empty());
    EXPECT_EQ(timesInFile("20"),
              timesText(dated->lists[chooseDay(*dated, sys_days(date(12, 14))).list]));
    EXPECT_EQ(ReadIniValue(file(), "Main", "Bus", QString()), "20");
}

TEST_F(DatedImport, RefreshImportsEveryDatedLineAgainAndReportsEachFailure) {
    ASSERT_EQ(run({feed, "NAM", "10", "--ini", ini}, date(12, 10)).status, kExitOk);
    ASSERT_EQ(run({feed, "NAM", "20", "--ini", ini, "--line", "20b"}, date(12, 10)).status,
              kExitOk);
    const QByteArray imported = folder.read("kvapomern.ini");
    // A day later every line starts on the new date; line 150 stays as it was.
    const Outcome again = run({"--refresh", "--ini", ini}, date(12, 11));
    ASSERT_EQ(again.status, kExitOk) << again.err;
    EXPECT_EQ(again.err,
              "Linka 10: 10 různých jízdních řádů, platí 2026-12-11 až 2027-01-03, obnoveno.\n"
              "Linka 20b: 2 různé jízdní řády a dny bez spojů, platí 2026-12-11 až "
              "2027-01-02, obnoveno.\n");
    EXPECT_EQ(readDatedSection(file(), "10")->first, sys_days(date(12, 11)));
    EXPECT_EQ(timesInFile("150"),
              (QStringList{"06:15", "06:45", "07:10", "07:40", "08:05", "08:30"}));

    // The feed gone: each line says so, the first failure's status, nothing written.
    QDir(QString::fromStdString(feed)).removeRecursively();
    const QByteArray before = folder.read("kvapomern.ini");
    const Outcome gone = run({"--refresh", "--ini", ini}, date(12, 12));
    EXPECT_EQ(gone.status, kExitBadFeed);
    EXPECT_EQ(std::count(gone.err.begin(), gone.err.end(), '\n'), 2) << gone.err;
    EXPECT_EQ(gone.err.rfind("Linka 10: ", 0), 0u) << gone.err;
    EXPECT_NE(gone.err.find("\nLinka 20b: "), std::string::npos) << gone.err;
    EXPECT_EQ(folder.read("kvapomern.ini"), before);
    EXPECT_NE(before, imported);

    EXPECT_EQ(run({"--refresh", "NAM"}, date(12, 12)).status, kExitUsage);
}

TEST_F(DatedImport, TheLiveAddressIsKeptUntilSetAgainAndItsKeyNeverPrinted) {
    const QString url = QStringLiteral("https://rt.example.org/trips?x=1");
    const Outcome set = run({feed, "NAM", "10", "--ini", ini, "--activate", "--live",
                             url.toStdString(), "--live-token", "s3cr3t-KEY"},
                            date(12, 10));
    ASSERT_EQ(set.status, kExitOk) << set.err;
    EXPECT_EQ(set.err.find("s3cr3t"), std::string::npos);
    const auto live = [&] {
        const ProfileDocument doc = file();
        return std::pair(doc.value("10", "LiveUrl"), doc.value("10", "LiveToken"));
    };
    const auto both = std::pair(std::optional(url), std::optional(QStringLiteral("s3cr3t-KEY")));
    EXPECT_EQ(live(), both);

    // A refresh, a new import without --live and the day's sync keep both.
    ASSERT_EQ(run({"--refresh", "--ini", ini}, date(12, 11)).status, kExitOk);
    EXPECT_EQ(live(), both);
    ASSERT_EQ(run({feed, "NAM", "10", "--ini", ini}, date(12, 12)).status, kExitOk);
    EXPECT_EQ(live(), both);
    ConfigSnapshot snapshot;
    ASSERT_TRUE(ConfigFile(folder.file("kvapomern.ini"))
                    .syncToDate(sys_days(date(12, 20)), snapshot)
                    .sync.changed);
    EXPECT_EQ(live(), both);

    // What cannot be used is refused before anything is read; nothing changes.
    const QByteArray before = folder.read("kvapomern.ini");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{feed, "NAM", "10", "--ini", ini, "--live", url.toStdString(),
                                   "--date", "2026-12-14"},
          {feed, "NAM", "10", "--ini", ini, "--live", "ftp://rt.example.org/"},
          {feed, "NAM", "10", "--ini", ini, "--live", url.toStdString(), "--live-token", "a b"},
          {feed, "NAM", "10", "--ini", ini, "--live-token", "s3cr3t-KEY"},
          {"--refresh", "--ini", ini, "--live", url.toStdString()}}) {
        const Outcome refused = run(args, date(12, 12));
        EXPECT_EQ(refused.status, kExitUsage) << refused.err;
        EXPECT_EQ(refused.err.find("s3cr3t"), std::string::npos);
    }
    EXPECT_EQ(folder.read("kvapomern.ini"), before);

    // A save of the same list keeps them; a new address without a key drops the old key.
    const QStringList times = timesInFile("10");
    SettingsInput same;
    same.line = same.filledLine = QStringLiteral("10");
    same.times = same.filledTimes = times;
    same.note = file().value("10", "Description").value_or(QString());
    ASSERT_TRUE(saveSettings(folder.file("kvapomern.ini"), same));
    EXPECT_EQ(live(), both);
    ASSERT_EQ(
        run({feed, "NAM", "10", "--ini", ini, "--live", "http://127.0.0.1:8080/rt"}, date(12, 12))
            .status,
        kExitOk);
    EXPECT_EQ(live(), std::pair(std::optional(QStringLiteral("http://127.0.0.1:8080/rt")),
                                std::optional<QString>()));

    // A save of other times makes the line plain; it keeps the address for
    // the next import.
    SettingsInput other = same;
    other.times = QStringList{QStringLiteral("05:00")};
    ASSERT_TRUE(saveSettings(folder.file("kvapomern.ini"), other));
    EXPECT_FALSE(file().value("10", "DatedFrom").has_value());
    EXPECT_EQ(live(), std::pair(std::optional(QStringLiteral("http://127.0.0.1:8080/rt")),
                                std::optional<QString>()));
}

TEST_F(DatedImport, TheWalkToTheStopIsSetByTheImportAndKeptByTheRefresh) {
    const auto walkOf = [&](const char* line) {
        return file().value(QString::fromLatin1(line), QStringLiteral("WalkMin"));
    };
    ASSERT_EQ(run({feed, "NAM", "10", "--ini", ini, "--walk", "12"}, date(12, 10)).status, kExitOk);
    EXPECT_EQ(walkOf("10"), QStringLiteral("12"));
    EXPECT_TRUE(readDatedSection(file(), "10"));

    const Outcome again = run({"--refresh", "--ini", ini}, date(12, 11));
    ASSERT_EQ(again.status, kExitOk) << again.err;
    EXPECT_EQ(readDatedSection(file(), "10")->first, sys_days(date(12, 11)));
    EXPECT_EQ(walkOf("10"), QStringLiteral("12"));
    // The refresh takes nothing but the file.
    EXPECT_EQ(run({"--refresh", "--walk", "5", "--ini", ini}, date(12, 12)).status, kExitUsage);
    EXPECT_EQ(walkOf("10"), QStringLiteral("12"));

    ASSERT_EQ(run({feed, "NAM", "10", "--ini", ini, "--walk", "0"}, date(12, 11)).status, kExitOk);
    EXPECT_EQ(walkOf("10"), std::nullopt);
}

} // namespace
} // namespace kvapomer::gtfs
