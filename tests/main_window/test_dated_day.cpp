// The main window on a dated line: the list of each date in the file and on
// the screen, a day without service, and what is said about the period.

#include "config/dated_day.h"
#include "config/loader.h"
#include "config/settings_save.h"
#include "main_window/panel_icon.h"
#include "main_window_fixture.h"
#include "profile/profile_store.h"
#include "support/dated_sample.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

namespace kvapomer::test {
namespace {

using namespace std::chrono_literals;
using std::chrono::sys_days;

class DatedDayTest : public MainWindowTest {
protected:
    // The feed lies beside the configuration, older than the line's data.
    void writeDated(DatedLine line = marchLine()) {
        folder.write(QStringLiteral("feed.zip"), "PK");
        if (line.source.feed.isEmpty()) {
            line.source.feed = folder.file(QStringLiteral("feed.zip"));
        }
        ProfileDocument doc(fileBytes(sampleConfig()));
        applyLineSection(doc,
                         {QStringLiteral("150"), QStringLiteral("(směr Kačerov)"),
                          timesText(line.lists[static_cast<std::size_t>(line.written)]), line},
                         false);
        folder.write(QStringLiteral("kvapomern.ini"), doc.bytes());
    }
    QStringList timesInFile() const {
        const LoadResult r = loadConfiguration(folder.file(QStringLiteral("kvapomern.ini")));
        EXPECT_EQ(r.status, LoadStatus::Loaded);
        return r.config.timetable.Times;
    }
    QStringList slots() const {
        QStringList s;
        for (int k = 0; k < 4; ++k) {
            s << label(("Label3_" + std::to_string(k)).c_str())->text();
        }
        return s;
    }
    void startOn(const QDate& date, int h = 0, int m = 0, int s = 0) {
        fake.clock.date = date;
        fake.clock.set(h, m, s);
        ASSERT_TRUE(startWindow());
    }
};

TEST_F(DatedDayTest, EachDateShowsItsListInTheFileAndTheWindow) {
    writeDated();
    startOn(QDate(2027, 3, 12), 23, 59, 58); // Friday night
    EXPECT_EQ(timesInFile(), (QStringList{"06:10", "06:40", "12:10"}));
    tickAt(23, 59, 59);
    EXPECT_EQ(slots(), (QStringList{"", "", "", ""}));
    // Midnight into Saturday: the first tick counts down Saturday's list at
    // once; the file follows in the background.
    fake.clock.date = QDate(2027, 3, 13);
    tickAt(0, 0, 0);
    EXPECT_EQ(slots(), (QStringList{"08:00", "23:59", "", ""}));
    EXPECT_EQ(label("Label5")->text(), "08:00:00");
    EXPECT_EQ(label("Label6")->text(), Form1::creditLine());
    QTRY_COMPARE(timesInFile(), (QStringList{"08:00", "23:59"}));
    EXPECT_TRUE(fake.messageBox.shown.empty());
}

TEST_F(DatedDayTest, TheDaysListWrittenAtStartIsNotLoadedAgain) {
    writeDated();
    ASSERT_TRUE(WriteIniValue(folder.file(QStringLiteral("kvapomern.ini")), "Set", "Stav", "1"));
    startOn(QDate(2027, 3, 13), 7, 0, 0); // Saturday: the start writes its list
    ASSERT_EQ(timesInFile(), (QStringList{"08:00", "23:59"}));
    // A load would bring the stored expanded view back.
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_FALSE(form->state().Expanded);
    form->followConfigFile();
    EXPECT_FALSE(form->state().Expanded);
}

TEST_F(DatedDayTest, ADayWithoutServiceShowsNoDepartureAndSaysSo) {
    writeDated();
    startOn(QDate(2027, 3, 14), 7, 59, 59); // Sunday
    form->expandedView();                   // built before it is first needed, to watch its message
    for (const int second : {0, 1}) {
        tickAt(8, 0, second);
        EXPECT_EQ(slots(), (QStringList{"", "", "", ""}));
        EXPECT_EQ(label("Label5")->text(), "--:--:--");
    }
    EXPECT_FALSE(label("Label9")->isVisible());
    EXPECT_FALSE(timer("StayT")->isActive());
    EXPECT_EQ(label("Label6")->text(), "Dnes tato linka nejede.");
    EXPECT_EQ(label("Label7")->text(), "(směr Kačerov)");
    EXPECT_TRUE(fake.messageBox.shown.empty());
    // The file keeps a list that loads; the settings window edits it.
    EXPECT_EQ(timesInFile(), (QStringList{"06:10", "06:40", "12:10"}));
    EXPECT_EQ(form->snapshot().timetable.Times, timesInFile());
}

TEST_F(DatedDayTest, ThePanelIconsTooltipSaysWhatIsSaidAboutTheDay) {
    writeDated();
    startOn(QDate(2027, 3, 14), 7, 59, 59); // Sunday
    form->panelIcon()->setAvailability([] { return true; });
    tickAt(8, 0, 0);
    QSystemTrayIcon* tray = form->panelIcon()->trayIcon();
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->toolTip(), "Dnes už žádný autobus nejede.\nDnes tato linka nejede.");
    // Saturday's list: the sentence alone, as the countdown's description.
    fake.clock.date = QDate(2027, 3, 13);
    tickAt(8, 0, 1);
    EXPECT_EQ(label("Label6")->text(), Form1::creditLine());
    EXPECT_EQ(tray->toolTip(), label("Label5")->accessibleDescription());
    EXPECT_TRUE(tray->toolTip().startsWith("Autobus 150 odjíždí v 23:59"));
}

TEST_F(DatedDayTest, ThePeriodsEndIsAnnouncedThenWarnedOf) {
    writeDated();
    struct Case {
        QDate date;
        QString text;
        QColor colour;
    };
    const Case cases[] = {
        {QDate(2027, 3, 24), Form1::creditLine(), QColor(0, 0, 255)},
        {QDate(2027, 3, 25), "Jízdní řád platí do 31.3.2027.", QColor(0, 0, 255)},
        {QDate(2027, 4, 1), "Jízdní řád vypršel 31.3.2027, importujte nový!", QColor(255, 0, 0)},
        {QDate(2027, 2, 27), "Jízdní řád platí až od 1.3.2027!", QColor(255, 0, 0)},
    };
    for (const Case& c : cases) {
        startOn(c.date, 6, 0, 0);
        tickAt(6, 0, 1);
        EXPECT_EQ(label("Label6")->text(), c.text);
        EXPECT_EQ(colourOf(label("Label6")), c.colour);
        form.reset();
    }
    // Past the end a Saturday still gets the Saturdays' list.
    startOn(QDate(2027, 4, 3), 6, 0, 0);
    EXPECT_EQ(timesInFile(), (QStringList{"08:00", "23:59"}));
}

TEST_F(DatedDayTest, AFailedWriteShowsTheDaysListAndIsTriedAgainAtTheNextLoad) {
    writeDated();
    testing::setFaultHook([](testing::UpdateStage) { return false; });
    startOn(QDate(2027, 3, 13), 6, 0, 0); // Saturday; no tick yet, so no background write
    EXPECT_EQ(form->state().today.Times, (QStringList{"08:00", "23:59"}));
    EXPECT_EQ(timesInFile(), (QStringList{"06:10", "06:40", "12:10"}));
    EXPECT_TRUE(fake.messageBox.shown.empty());
    testing::setFaultHook({});
    ASSERT_TRUE(form->LoadData());
    EXPECT_EQ(timesInFile(), (QStringList{"08:00", "23:59"}));
}

TEST_F(DatedDayTest, AChangeThatDoesNotLoadIsNeitherCountedDownNorWrittenAtMidnight) {
    writeDated();
    startOn(QDate(2027, 3, 12), 23, 59, 58); // Friday night
    // Someone else stores other Saturdays, and an alert value that does not load.
    DatedLine other = marchLine(folder.file(QStringLiteral("feed.zip")));
    other.lists[1] = {540};
    ProfileDocument doc(configBytes());
    applyLineSection(
        doc,
        {QStringLiteral("150"), QStringLiteral("(směr Kačerov)"), timesText(other.lists[0]), other},
        false);
    doc.setValue(QStringLiteral("Main"), QStringLiteral("RedAlertMin"), QStringLiteral("pět"));
    folder.write(QStringLiteral("kvapomern.ini"), doc.bytes());
    const QByteArray refused = configBytes();
    form->followConfigFile();

    fake.clock.date = QDate(2027, 3, 13);
    tickAt(0, 0, 0);
    EXPECT_EQ(slots(), (QStringList{"08:00", "23:59", "", ""}));
    QTest::qWait(200); // the day's work in the background has ended
    tickAt(0, 0, 1);
    EXPECT_EQ(slots(), (QStringList{"08:00", "23:59", "", ""}));
    EXPECT_EQ(configBytes(), refused);
    EXPECT_TRUE(fake.messageBox.shown.empty());
    EXPECT_FALSE(fake.programEnd.ended);
}

TEST_F(DatedDayTest, TimesTypedInAnEditorMakeAPlainLine) {
    writeDated();
    QByteArray bytes = configBytes();
    bytes.replace("t1=06:40", "t1=06:45");
    folder.write(QStringLiteral("kvapomern.ini"), bytes);
    startOn(QDate(2027, 3, 13), 6, 0, 0); // Saturday: the user's list stays
    EXPECT_EQ(timesInFile(), (QStringList{"06:10", "06:45", "12:10"}));
    EXPECT_FALSE(configBytes().contains("Dated"));
    tickAt(6, 0, 1);
    EXPECT_EQ(slots(), (QStringList{"06:10", "06:45", "12:10", ""}));
}

TEST_F(DatedDayTest, ANewerFeedIsImportedAgainByTheImportTool) {
    // A stand-in for the import tool records its arguments and fails as a
    // broken feed would.
    const QString tool = folder.file(QStringLiteral("kvapomer-import"));
    folder.write(QStringLiteral("kvapomer-import"),
                 "#!/bin/sh\necho \"$@\" > \"$0.args\"\nexit 3\n");
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    DatedLine line = marchLine();
    line.source.feedTime = QDateTime::currentDateTimeUtc().addDays(-1);
    writeDated(line);
    startOn(QDate(2027, 3, 10), 6, 0, 0);
    tickAt(6, 0, 1);
    QTRY_COMPARE(label("Label6")->text(), "Nový jízdní řád nelze přečíst.");
    EXPECT_EQ(folder.read(QStringLiteral("kvapomer-import.args")).trimmed(),
              "--refresh --ini " + folder.file(QStringLiteral("kvapomern.ini")).toUtf8());
    EXPECT_EQ(timesInFile(), (QStringList{"06:10", "06:40", "12:10"}));

    // A feed that went missing is said the same quiet way.
    form.reset();
    line.source.feed = folder.file(QStringLiteral("gone.zip"));
    writeDated(line);
    startOn(QDate(2027, 3, 10), 6, 0, 0);
    tickAt(6, 0, 1);
    QTRY_COMPARE(label("Label6")->text(), "Jízdní řád nelze obnovit: soubor chybí.");
    EXPECT_EQ(colourOf(label("Label6")), QColor(0, 0, 255));
    EXPECT_TRUE(fake.messageBox.shown.empty());
}

} // namespace
} // namespace kvapomer::test
