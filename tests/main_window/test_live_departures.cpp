// The main window with live departures from a scripted kvapomer-live beside
// it: the expected time in the slot, in its own colour and said in words,
// the band's words; a dated line without an address starts no child.

#include "config/settings_save.h"
#include "main_window_fixture.h"
#include "support/dated_sample.h"
#include "ui_common/accessibility.h"
#include "ui_common/colours.h"

#include "main_window/main_look.h"
#include "main_window/walk_view.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace kvapomer::test {
namespace {

using main_look::platformColour;

class LiveWindowTest : public MainWindowTest {
protected:
    QDateTime now = QDateTime::currentDateTime();
    // 30 minutes from now, whole minutes, as seconds of today's service day.
    int scheduled = (now.time().hour() * 60 + now.time().minute() + 30) * 60;

    // Line 150 dated from today, with departures `scheduled` and 10 minutes
    // later, and `extra` lines.
    void writeLine(const QStringList& extra) {
        DatedLine line;
        line.first = toSysDays(now.date());
        line.lists = {{scheduled / 60, scheduled / 60 + 10}};
        line.days.assign(60, 0);
        // The feed lies beside the configuration, older than the line's data.
        folder.write(QStringLiteral("feed.zip"), "PK");
        line.source = {folder.file(QStringLiteral("feed.zip")), now.toUTC().addSecs(3600),
                       QStringLiteral("ROZ"), QStringLiteral("L150"), QStringLiteral("Kačerov")};
        ProfileDocument doc(fileBytes(sampleConfig()));
        applyLineSection(doc,
                         {QStringLiteral("150"), QStringLiteral("(směr Kačerov)"),
                          timesText(line.lists[0]), line},
                         false);
        for (const QString& entry : extra) {
            doc.setValue(QStringLiteral("150"), entry.section(u'=', 0, 0), entry.section(u'=', 1));
        }
        folder.write(QStringLiteral("kvapomern.ini"), doc.bytes());
        // The child: the first departure 3 minutes late, the second 2 minutes
        // early, data of this very second.
        folder.write(QStringLiteral("kvapomer-live"),
                     "#!/bin/sh\n"
                     "echo \"$@\" > \"$(dirname \"$0\")/arguments\"\n"
                     "printf 'departure\\t%s\\t2\\t" +
                         QByteArray::number(scheduled) + "\\texpected\\t" +
                         QByteArray::number(scheduled + 180) +
                         "\\tT1\\t150\\n' \"$(date +%Y%m%d)\"\n"
                         "printf 'departure\\t%s\\t2\\t" +
                         QByteArray::number(scheduled + 600) + "\\texpected\\t" +
                         QByteArray::number(scheduled + 480) +
                         "\\tT2\\t150\\n' \"$(date +%Y%m%d)\"\n"
                         "printf 'stamp\\t%s\\nlive at 06:10:35\\n' \"$(date +%s)\"\n"
                         "cat > /dev/null\n");
        QFile(folder.file(QStringLiteral("kvapomer-live")))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        fake.clock.date = now.date();
        fake.clock.time = now.time();
    }
    static QString hhmm(int seconds) {
        return QTime(0, 0).addSecs(seconds).toString(QStringLiteral("HH:mm"));
    }
};

TEST_F(LiveWindowTest, TheSlotShowsTheExpectedTimeInItsOwnColourAndSaysIt) {
    writeLine({QStringLiteral("LiveUrl=http://127.0.0.1:9/rt")});
    ASSERT_TRUE(startWindow());
    QLabel* slot = label("Label3_0");
    const QColor green = colourOf(slot);
    QTRY_COMPARE(label("Label6")->text(), QStringLiteral("Aktuální údaje z 06:10:35"));
    form->tick();
    EXPECT_EQ(slot->text(), hhmm(scheduled + 180));
    EXPECT_EQ(slot->accessibleName(), QStringLiteral("1. ") + hhmm(scheduled + 180) +
                                          QStringLiteral(", o 3 minuty později, podle jízdního "
                                                         "řádu ") +
                                          hhmm(scheduled));
    EXPECT_EQ(slot->toolTip(), slot->accessibleName());
    // The band's name does not follow its time.
    EXPECT_EQ(label("Label6")->accessibleName(), QStringLiteral("Aktuální údaje"));
    // The departure counted down to stays green; a later one that is not on
    // time has a colour of its own.
    EXPECT_EQ(colourOf(slot), green);
    QLabel* next = label("Label3_1");
    EXPECT_EQ(next->text(), hhmm(scheduled + 480));
    EXPECT_EQ(next->accessibleName(), QStringLiteral("2. ") + hhmm(scheduled + 480) +
                                          QStringLiteral(", o 2 minuty dříve, podle jízdního "
                                                         "řádu ") +
                                          hhmm(scheduled + 600));
    const QColor plain = label("Label3_2")->palette().color(QPalette::WindowText);
    EXPECT_NE(colourOf(next), green);
    EXPECT_NE(colourOf(next), plain);
    EXPECT_GE(contrastRatio(colourOf(next), form->palette().color(QPalette::Window)),
              kMinTextContrast);
    EXPECT_TRUE(fake.messageBox.shown.empty());
    // On a dark desktop the colour is lightened, still its own.
    const QPalette light = QApplication::palette();
    QApplication::setPalette(darkPalette());
    QCoreApplication::processEvents();
    form->tick();
    EXPECT_GE(contrastRatio(colourOf(next), next->palette().color(QPalette::Window)),
              kMinTextContrast);
    EXPECT_NE(colourOf(next), textColourFor(platformColour(AlertColour::Green), darkPalette()));
    QApplication::setPalette(light);
    QCoreApplication::processEvents();
    form->tick();

    // Two minutes on, by the window's clock, the data is no longer live:
    // the timetable again, and the band says so.
    QSignalSpy said(form->findChild<Announcer*>(), &Announcer::announced);
    fake.clock.time = now.time().addSecs(120);
    form->tick();
    form->tick();
    // The screen reader hears the change once, not every tick.
    ASSERT_EQ(said.count(), 1);
    EXPECT_EQ(said[0][0].toString(), QStringLiteral("Bez aktuálních údajů"));
    EXPECT_EQ(slot->text(), hhmm(scheduled));
    EXPECT_EQ(colourOf(slot), green);
    EXPECT_EQ(next->text(), hhmm(scheduled + 600));
    EXPECT_EQ(colourOf(next), plain);
    EXPECT_EQ(label("Label6")->text(), QStringLiteral("Bez aktuálních údajů"));
    EXPECT_EQ(label("Label6")->accessibleName(), QStringLiteral("Bez aktuálních údajů"));
    EXPECT_TRUE(fake.messageBox.shown.empty());
}

TEST_F(LiveWindowTest, TheWalkCountsFromTheExpectedTimes) {
    // 35 minutes on foot: the first bus, 33 minutes away by its expected
    // time, can no longer be reached; the second leaves in 38 minutes by its
    // expected time (40 by the timetable).
    writeLine({QStringLiteral("LiveUrl=http://127.0.0.1:9/rt"), QStringLiteral("WalkMin=35")});
    ASSERT_TRUE(startWindow());
    QTRY_COMPARE(label("Label6")->text(), QStringLiteral("Aktuální údaje z 06:10:35"));
    form->tick();
    QLabel* late = label("Label3_0");
    QLabel* counted = label("Label3_1");
    EXPECT_EQ(late->text(), hhmm(scheduled + 180));
    EXPECT_EQ(counted->text(), hhmm(scheduled + 480));
    EXPECT_EQ(colourOf(late), WalkView::lateColour(late->palette().color(QPalette::Window)));
    EXPECT_EQ(colourOf(counted),
              textColourFor(platformColour(AlertColour::Green), form->palette()));
    const QString left = label("Label5")->text();
    EXPECT_TRUE(left >= QStringLiteral("00:02:00") && left <= QStringLiteral("00:03:00"))
        << left.toStdString();
}

TEST_F(LiveWindowTest, TheBandSaysWhyThereIsNoLiveData) {
    writeLine({QStringLiteral("LiveUrl=http://127.0.0.1:9/rt")});
    folder.write(QStringLiteral("kvapomer-live"),
                 "#!/bin/sh\nprintf 'no data: Server neodpověděl do 10 s.\\n'\ncat > /dev/null\n");
    ASSERT_TRUE(startWindow());
    QLabel* band = label("Label6");
    const QString tip = band->toolTip();
    const QString why = QStringLiteral("Bez aktuálních údajů: Server neodpověděl do 10 s.");
    QTRY_VERIFY(band->text().startsWith(QStringLiteral("Bez aktuálních údajů:")));
    form->tick();
    // Cut where the band ends, whole in the tool tip and for the screen reader.
    EXPECT_TRUE(band->text() == why ||
                (band->text().endsWith(QChar(0x2026)) && why.startsWith(band->text().chopped(1)) &&
                 band->toolTip() == why))
        << band->text().toStdString();
    EXPECT_LE(band->fontMetrics().horizontalAdvance(band->text()), band->contentsRect().width());
    EXPECT_EQ(band->accessibleName(), QStringLiteral("Bez aktuálních údajů"));
    EXPECT_EQ(band->accessibleDescription(), why);
    EXPECT_TRUE(fake.messageBox.shown.empty());
    EXPECT_NE(tip, why);
}

TEST_F(LiveWindowTest, ADatedLineWithoutAnAddressStartsNoChild) {
    writeLine({});
    ASSERT_TRUE(startWindow());
    form->tick();
    QTest::qWait(300);
    form->tick();
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("arguments"))));
    EXPECT_EQ(label("Label6")->text(), Form1::creditLine());
    EXPECT_EQ(label("Label6")->accessibleName(), QString());
    EXPECT_EQ(label("Label3_0")->text(), hhmm(scheduled));
}

} // namespace
} // namespace kvapomer::test
