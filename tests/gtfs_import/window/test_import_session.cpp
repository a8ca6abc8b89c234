// The import window's model without a window: the search, the lines and
// directions of a place with their platforms, the preview of a date, and a
// save whose bytes are the command's for the same stop, route and direction;
// places of one name told apart, and a line to a destination of the routes
// ticked.

#include "gtfs_import/window/import_session.h"

#include "config/config_file.h"
#include "feed_fixture.h"
#include "gtfs_import/cli/import_command.h"
#include "support/sample_config.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>

#include <sstream>

namespace kvapomer::gtfs {
namespace {

using std::chrono::sys_days;
using test::TempFolder;

constexpr std::chrono::year_month_day kToday{std::chrono::year(2026), std::chrono::December,
                                             std::chrono::day(9)};

sys_days day(unsigned d) {
    return sys_days(std::chrono::year_month_day{std::chrono::year(2026), std::chrono::December,
                                                std::chrono::day(d)});
}

QStringList texts(const PlaceRows& rows) {
    QStringList result;
    for (const PlaceRow& row : rows.rows) {
        result << row.text;
    }
    return result;
}

class Session : public ::testing::Test {
protected:
    TempFolder folder;
    QString feed = test::feedZip(folder, "city.zip");
    QString ini = folder.file("kvapomern.ini");
    ImportSession session{ini, [] { return sys_days(kToday); }};

    void SetUp() override { folder.write("kvapomern.ini", test::fileBytes(test::lineConfig())); }

    // Asks through `ask` and waits for `signal`; fails on failed().
    template <typename Signal> void await(Signal signal, const std::function<void()>& ask) {
        QSignalSpy done(&session, signal);
        QSignalSpy failed(&session, &ImportSession::failed);
        ask();
        QTRY_VERIFY(done.count() == 1 || failed.count() == 1);
        ASSERT_EQ(failed.count(), 0) << failed.at(0).at(0).toString().toStdString();
    }

    // The line `route` leaving the place found by `search` (its row `row`)
    // toward `headsign`, previewed.
    const Preview& previewOf(const QString& search, std::size_t row, const std::string& route,
                             const std::string& headsign) {
        await(&ImportSession::feedOpened, [&] { session.openFeed(feed); });
        const PlaceRows rows = searchPlaces(session.feed()->index(), search);
        await(&ImportSession::linesReady, [&] { session.chooseRow(rows.rows.at(row)); });
        for (const PlatformLine& line : session.lines()) {
            if (line.route->shortName == route && line.direction.headsign == headsign) {
                await(&ImportSession::previewReady, [&] { session.chooseLine(line); });
                break;
            }
        }
        return *session.preview();
    }

    // What the command writes into a copy of `start`.
    QByteArray commandWrites(const QByteArray& start, std::vector<std::string> args) {
        TempFolder other;
        other.write("kvapomern.ini", start);
        args.insert(args.begin(), feed.toStdString());
        args.insert(args.end(), {"--activate", "--ini", other.file("kvapomern.ini").toStdString()});
        std::ostringstream out, err;
        EXPECT_EQ(runImportCommand(args, {"", kToday}, out, err), kExitOk) << err.str();
        return other.read("kvapomern.ini");
    }

    std::pair<bool, QString> saveAs(const SaveChoice& choice) {
        QSignalSpy saved(&session, &ImportSession::saved);
        session.save(choice);
        [&] { QTRY_COMPARE(saved.count(), 1); }();
        return {saved.at(0).at(0).toBool(), saved.at(0).at(1).toString()};
    }
};

TEST_F(Session, FindsPlacesWithPlatformsAndTheLinesLeavingThem) {
    await(&ImportSession::feedOpened, [&] { session.openFeed(feed); });
    const StopIndex& index = session.feed()->index();
    EXPECT_EQ(texts(searchPlaces(index, "KACEROV")),
              QStringList({"Kačerov (stanice)", "    nástupiště A", "    nástupiště B"}));
    EXPECT_EQ(texts(searchPlaces(index, "rozt")),
              QStringList({"Roztyly, nástupiště 1", "Roztyly, nástupiště 2"}));
    // Entrances and nodes are no places; a cut list says so.
    EXPECT_EQ(texts(searchPlaces(index, "vchod")), QStringList());
    const PlaceRows cut = searchPlaces(index, "", 2);
    EXPECT_TRUE(cut.cut);
    EXPECT_EQ(std::count_if(cut.rows.begin(), cut.rows.end(),
                            [](const PlaceRow& r) { return !r.platform; }),
              2);

    // The station: line 150 leaves toward Spořilov from both platforms;
    // line 136 only arrives there.
    const PlaceRows kacerov = searchPlaces(index, "kacerov");
    await(&ImportSession::linesReady, [&] { session.chooseRow(kacerov.rows[0]); });
    const std::vector<const Route*> routes = routesOf(session.lines());
    ASSERT_EQ(routes.size(), 1u);
    EXPECT_EQ(routeText(*routes[0]), "150  Kačerov - \"Spořilov, sídliště\"");
    QStringList directions;
    for (const PlatformLine& line : directionsOf(session.lines(), routes[0])) {
        directions << directionText(line);
    }
    EXPECT_EQ(directions, QStringList({"směr Spořilov, sídliště · nástupiště A",
                                       "směr Spořilov, sídliště · nástupiště B"}));
    // A platform row stands for that platform alone.
    await(&ImportSession::linesReady, [&] { session.chooseRow(kacerov.rows[2]); });
    ASSERT_EQ(session.lines().size(), 1u);
    EXPECT_EQ(session.lines()[0].platform->id, "KAC_B");
}

TEST_F(Session, LinesLeaveWhereAPassengerMayBoard) {
    // pickup_type 4 is none of the values that let a passenger board.
    feed = test::feedFolder(folder, "pickup4",
                            {{"stop_times.txt", test::withPickup("T9", "ROZ", "4")}});
    await(&ImportSession::feedOpened, [&] { session.openFeed(feed); });
    const PlaceRows roztyly = searchPlaces(session.feed()->index(), "roztyly");
    await(&ImportSession::linesReady, [&] { session.chooseRow(roztyly.rows.at(0)); });
    QStringList routes;
    for (const Route* route : routesOf(session.lines())) {
        routes << routeText(*route);
    }
    EXPECT_EQ(routes, QStringList({"150  Kačerov - \"Spořilov, sídliště\""}));
}

TEST_F(Session, PreviewsEachDateAndTheDaysTheLineRuns) {
    const Preview& preview = previewOf("roztyly", 0, "150", "Kačerov");
    EXPECT_EQ(preview.stop.stop->id, "ROZ");
    EXPECT_EQ(periodFirst(preview), day(9));
    // The night bus of the last service day leaves on New Year's Day.
    EXPECT_EQ(periodLast(preview), day(31) + std::chrono::days(1));
    // Thursday: the night bus of Wednesday's service comes first.
    EXPECT_EQ(departuresOn(preview, day(10)),
              QStringList({"01:15", "06:20", "07:45", "12:05", "12:25", "12:45"}));
    EXPECT_EQ(departuresOn(preview, day(12)), QStringList({"01:15", "08:35"}));
    EXPECT_EQ(departuresOn(preview, day(8)), QStringList()); // before the period
    EXPECT_EQ(runningDays(preview).toStdString(), "jede po–ne");
}

TEST_F(Session, SavesTheBytesTheCommandWrites) {
    previewOf("roztyly", 0, "150", "Kačerov");
    const QByteArray start = folder.read("kvapomern.ini");
    const auto [ok, message] = saveAs({"150", "(směr Kačerov)", false, day(9)});
    EXPECT_TRUE(ok) << message.toStdString();
    EXPECT_EQ(message.toStdString(),
              "Linka 150 (směr Kačerov) ze zastávky Roztyly: 5 různých jízdních řádů, platí "
              "2026-12-09 až 2027-01-01, zapsáno do " +
                  ini.toStdString() + " jako aktivní linka.");
    const QByteArray dated = folder.read("kvapomern.ini");
    EXPECT_EQ(dated, commandWrites(start, {"ROZ", "150", "--direction", "Kačerov"}));

    // One date, with the line and note as edited.
    const auto [plain, said] = saveAs({"7", "ráno", true, day(10)});
    EXPECT_TRUE(plain) << said.toStdString();
    EXPECT_NE(said.indexOf("počet odjezdů 6"), -1) << said.toStdString();
    EXPECT_EQ(folder.read("kvapomern.ini"),
              commandWrites(dated, {"ROZ", "150", "--direction", "Kačerov", "--date", "2026-12-10",
                                    "--line", "7", "--note", "ráno"}));

    // A date without departures, or a note the file cannot hold: nothing written.
    const QByteArray before = folder.read("kvapomern.ini");
    const auto [idle, why] = saveAs({"150", "x", true, day(8)});
    EXPECT_FALSE(idle);
    EXPECT_EQ(why.toStdString(), "Linka 150 ze zastávky Roztyly dne 2026-12-08 nejede.");
    const auto [refused, note] = saveAs({"150", "směr ☃", false, day(9)});
    EXPECT_FALSE(refused);
    EXPECT_NE(note.indexOf("Windows-1250"), -1) << note.toStdString();
    EXPECT_EQ(folder.read("kvapomern.ini"), before);
}

TEST_F(Session, SavesTheLiveAddressAsTheCommandDoes) {
    previewOf("roztyly", 0, "150", "Kačerov");
    const QByteArray start = folder.read("kvapomern.ini");
    SaveChoice choice{"150", "(směr Kačerov)", false, day(9)};
    choice.liveUrl = QStringLiteral("https://rt.example.org/trips");
    choice.liveToken = QStringLiteral("s3cr3t");
    const auto [ok, message] = saveAs(choice);
    EXPECT_TRUE(ok) << message.toStdString();
    EXPECT_EQ(message.indexOf("s3cr3t"), -1);
    EXPECT_EQ(folder.read("kvapomern.ini"),
              commandWrites(start, {"ROZ", "150", "--direction", "Kačerov", "--live",
                                    "https://rt.example.org/trips", "--live-token", "s3cr3t"}));
    // An address that cannot be used: a Czech message, nothing written.
    const QByteArray before = folder.read("kvapomern.ini");
    choice.liveUrl = QStringLiteral("ftp://rt.example.org/");
    const auto [refused, why] = saveAs(choice);
    EXPECT_FALSE(refused);
    EXPECT_NE(why.indexOf("http://"), -1) << why.toStdString();
    EXPECT_EQ(folder.read("kvapomern.ini"), before);
}

TEST_F(Session, ProposesTheWalkOfTheLineOfThatNumberAndSavesIt) {
    folder.write(
        "kvapomern.ini",
        test::fileBytes(test::lineConfig(
            {"06:15"}, "0", {"WalkMin=07", "[7]", "t0=05:00", "NumberOfTimes=1", "WalkMin=abc"})));
    EXPECT_EQ(session.proposedWalk("150"), 0); // nothing read before a line is chosen
    previewOf("roztyly", 0, "150", "Kačerov");
    EXPECT_EQ(session.proposedWalk("150"), 7);
    EXPECT_EQ(session.proposedWalk("7"), 0);  // a walk that is off
    EXPECT_EQ(session.proposedWalk("99"), 0); // no such line
    const QByteArray start = folder.read("kvapomern.ini");

    const auto [ok, message] = saveAs({"150", "(směr Kačerov)", false, day(9), 12});
    EXPECT_TRUE(ok) << message.toStdString();
    const QByteArray walked = folder.read("kvapomern.ini");
    EXPECT_EQ(walked,
              commandWrites(start, {"ROZ", "150", "--direction", "Kačerov", "--walk", "12"}));
    EXPECT_NE(walked.indexOf("WalkMin=12\r\n"), -1);
    // Without a walk of its own a save keeps the line's; 0 removes it.
    ASSERT_TRUE(saveAs({"150", "(směr Kačerov)", false, day(9)}).first);
    EXPECT_EQ(folder.read("kvapomern.ini"), walked);
    ASSERT_TRUE(saveAs({"150", "(směr Kačerov)", true, day(10), 0}).first);
    EXPECT_EQ(folder.read("kvapomern.ini"),
              commandWrites(walked, {"ROZ", "150", "--direction", "Kačerov", "--date", "2026-12-10",
                                     "--walk", "0"}));
    EXPECT_EQ(ConfigFile::walkMinIn(takeSnapshot(ini), "150"), 0);

    // A walk beyond the limit is refused, the file as it was.
    const QByteArray before = folder.read("kvapomern.ini");
    const auto [refused, why] = saveAs({"150", "(směr Kačerov)", false, day(9), 121});
    EXPECT_FALSE(refused);
    EXPECT_EQ(why.toStdString(), "Cesta na zastávku 121 min je mimo rozsah 0 až 120 minut.");
    EXPECT_EQ(folder.read("kvapomern.ini"), before);
}

TEST_F(Session, CancelDropsTheAnswerAndAFeedFailureIsACzechMessage) {
    QSignalSpy opened(&session, &ImportSession::feedOpened);
    QSignalSpy busy(&session, &ImportSession::busyChanged);
    session.openFeed(feed);
    session.cancel();
    EXPECT_FALSE(session.busy());
    EXPECT_EQ(busy.last().at(0).toBool(), false);
    const QString other = test::feedFolder(folder, "folder");
    session.openFeed(other);
    QTRY_COMPARE(opened.count(), 1);
    EXPECT_EQ(session.feed()->path(), other);
    // The feed read last is remembered.
    EXPECT_EQ(ConfigFile(ini).lastFeed(), other);

    QSignalSpy failed(&session, &ImportSession::failed);
    session.openFeed(folder.file("missing.zip"));
    QTRY_COMPARE(failed.count(), 1);
    EXPECT_FALSE(failed.at(0).at(0).toString().isEmpty());
    EXPECT_EQ(session.feed()->path(), other); // the feed before stays
}

TEST_F(Session, PlacesOfOneNameAreToldApartByTheirLinesAndCodes) {
    feed = test::feedFolder(folder, "same", {}, QStringLiteral("samename"));
    await(&ImportSession::feedOpened, [&] { session.openFeed(feed); });
    const OpenFeed& open = *session.feed();
    // Their lines (a few of them) and the stop's code, else its id; a code
    // two stops share does not tell them apart, so their ids do.
    EXPECT_EQ(texts(searchPlaces(open, "namesti")),
              QStringList({"Náměstí – 1, 7 (501367)", "Náměstí – 2, 3, 4, … (N2)"}));
    EXPECT_EQ(texts(searchPlaces(open, "skola")),
              QStringList({"Škola – 1 (S1)", "Škola – 1 (S2)"}));
    // Two platforms of one code, under their station.
    EXPECT_EQ(
        texts(searchPlaces(open, "hlavni")),
        QStringList({"Hlavní (stanice)", "    nástupiště A (HL_A)", "    nástupiště A (HL_B)"}));
    EXPECT_EQ(texts(searchPlaces(open, "nadrazi")), QStringList({"Nádraží"}));
    QStringList all = texts(searchPlaces(open, ""));
    EXPECT_EQ(all.size(), 8);
    all.removeDuplicates();
    EXPECT_EQ(all.size(), 8);
}

class SessionToDestination : public Session {
protected:
    SessionToDestination() {
        feed = test::feedFolder(folder, "to", {}, QStringLiteral("destination"));
    }

    // The line from `from` to `to` (the first row of each search), previewed.
    const Preview& chooseTrip(const QString& from, const QString& to) {
        await(&ImportSession::feedOpened, [&] { session.openFeed(feed); });
        const PlaceRows rows = searchPlaces(*session.feed(), from);
        const PlaceRows toRows = searchPlaces(*session.feed(), to);
        await(&ImportSession::previewReady,
              [&] { session.chooseDestination(rows.rows.at(0), toRows.rows.at(0)); });
        return *session.preview();
    }
};

TEST_F(SessionToDestination, TheRoutesTickedGoIntoTheCommandsBytes) {
    chooseTrip("hlavni", "metro");
    QStringList routes;
    for (const Route& route : session.routesTo()) {
        routes << routeText(route);
    }
    // 30 may not set down at Metro, 20 comes from it, 9 goes elsewhere.
    EXPECT_EQ(routes, QStringList({"150  Hlavní - Metro", "177  Hlavní - Metro"}));
    EXPECT_EQ(departuresText(*session.preview(), day(9)),
              "00:30 177, 01:10 150, 06:10 177, 06:20 150, 06:20 177");
    EXPECT_EQ(departuresText(*session.preview(), day(12)), "00:30 177, 01:10 150"); // Saturday
    EXPECT_EQ(departuresText(*session.preview(), day(13)), "nejede");
    const QByteArray start = folder.read("kvapomern.ini");
    // Every route ticked: the line of every route that goes there.
    ASSERT_TRUE(saveAs({"150+177", "(směr Metro)", false, day(9)}).first);
    const QByteArray both = folder.read("kvapomern.ini");
    EXPECT_EQ(both, commandWrites(start, {"HL", "--to", "MET"}));

    // One unticked: a line of one route, named.
    await(&ImportSession::previewReady,
          [&] { session.chooseRoutesTo({session.routesTo().at(1)}); });
    EXPECT_EQ(departuresText(*session.preview(), day(9)), "00:30  06:10  06:20");
    const auto [one, said] = saveAs({"177", "(směr Metro)", false, day(9), 4});
    EXPECT_TRUE(one);
    EXPECT_EQ(said.toStdString(),
              "Linka 177 (směr Metro) ze zastávky Hlavní: 3 různé jízdní řády a dny bez spojů, "
              "platí 2026-12-09 až 2027-01-01, zapsáno do " +
                  ini.toStdString() + " jako aktivní linka.");
    const QByteArray named = folder.read("kvapomern.ini");
    EXPECT_EQ(named, commandWrites(both, {"HL", "--to", "MET", "--route", "177", "--walk", "4"}));

    // One date of both, as edited.
    await(&ImportSession::previewReady, [&] { session.chooseRoutesTo(session.routesTo()); });
    ASSERT_TRUE(saveAs({"R", "ráno", true, day(10)}).first);
    EXPECT_EQ(folder.read("kvapomern.ini"),
              commandWrites(named, {"HL", "--to", "MET", "--date", "2026-12-10", "--line", "R",
                                    "--note", "ráno"}));
    const QByteArray before = folder.read("kvapomern.ini");
    const auto [idle, why] = saveAs({"R", "ráno", true, day(13)});
    EXPECT_FALSE(idle);
    EXPECT_EQ(why.toStdString(), "Dne 2026-12-13 ze zastávky Hlavní do zastávky Metro nic nejede.");
    EXPECT_EQ(folder.read("kvapomern.ini"), before);

    // None ticked: nothing to preview or save.
    session.chooseRoutesTo({});
    EXPECT_EQ(session.preview(), nullptr);
    EXPECT_FALSE(session.busy());
}

TEST_F(SessionToDestination, APlaceNoLineGoesFromSaysSo) {
    await(&ImportSession::feedOpened, [&] { session.openFeed(feed); });
    const PlaceRows pole = searchPlaces(*session.feed(), "pole");
    const PlaceRows hlavni = searchPlaces(*session.feed(), "hlavni");
    QSignalSpy ready(&session, &ImportSession::destinationReady);
    QSignalSpy failed(&session, &ImportSession::failed);
    session.chooseDestination(pole.rows.at(0), hlavni.rows.at(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() == 1; }));
    EXPECT_EQ(ready.count(), 1);
    EXPECT_TRUE(session.routesTo().empty());
    EXPECT_EQ(session.preview(), nullptr);
    EXPECT_EQ(failed.at(0).at(0).toString().toStdString(),
              "Ze zastávky Pole do zastávky Hlavní žádná linka nejede.");
}

} // namespace
} // namespace kvapomer::gtfs
