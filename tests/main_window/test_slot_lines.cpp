// A line of several lines in the main window: each slot keeps the bare
// "hh:mm" and says its line inside it, in its name and tooltip; the countdown
// in words, the notice and the expanded view name the line counted down to;
// its heading ends before the note. A line of one line shows none of it.

#include "config/dated_keys.h"
#include "main_window_fixture.h"

namespace kvapomer::test {
namespace {

const QStringList kTimes{"00:30", "01:10", "06:10", "06:20", "06:20"};

QStringList withLines(const QString& stav, bool lines = true) {
    QStringList extra;
    for (const auto& [key, value] :
         departureLinesKeys(kTimes, DepartureLines{{"150", "177"}, {1, 0, 1, 0, 1}})) {
        extra << key + u'=' + value;
    }
    return lineConfig(kTimes, stav, lines ? extra : QStringList());
}

// The line named as the import names it: "150+177".
QStringList namedByItsLines(QStringList config) {
    config.replaceInStrings(QStringLiteral("Bus=150"), QStringLiteral("Bus=150+177"));
    config.replaceInStrings(QStringLiteral("[150]"), QStringLiteral("[150+177]"));
    return config;
}

class SlotLinesTest : public MainWindowTest {};

TEST_F(SlotLinesTest, EachSlotSaysItsLine) {
    writeConfig(withLines(QStringLiteral("0")));
    ASSERT_TRUE(startWindow());
    tickAt(6, 5, 0);
    const struct {
        const char* slot;
        const char* line;
        const char* text;
        const char* name;
    } expected[] = {{"Label3_0", "SlotLine_0", "06:10", "1. 06:10, linka 177"},
                    {"Label3_1", "SlotLine_1", "06:20", "2. 06:20, linka 150"},
                    {"Label3_2", "SlotLine_2", "06:20", "3. 06:20, linka 177"}};
    for (const auto& e : expected) {
        EXPECT_EQ(label(e.slot)->text(), QString::fromUtf8(e.text)) << e.slot;
        EXPECT_EQ(label(e.slot)->accessibleName(), QString::fromUtf8(e.name));
        EXPECT_TRUE(
            label(e.slot)->toolTip().endsWith(QStringLiteral("linka ") + label(e.line)->text()));
        EXPECT_FALSE(label(e.line)->isHidden()) << e.line;
    }
    EXPECT_EQ(label("SlotLine_0")->text(), QStringLiteral("177"));
    EXPECT_EQ(label("SlotLine_1")->text(), QStringLiteral("150"));
    EXPECT_TRUE(label("SlotLine_3")->isHidden());
    EXPECT_EQ(label("Label3_3")->accessibleName(), QStringLiteral("4. žádný další odjezd"));
    EXPECT_EQ(label("Label5")->accessibleDescription(),
              QStringLiteral("Autobus 177 odjíždí v 06:10, za 5 minut."));
    // The slot in its colour, the line inside it in the same.
    EXPECT_EQ(colourOf(label("SlotLine_0")), colourOf(label("Label3_0")));

    // 06:10 gone: the two departures of 06:20 move up, each with its own line.
    tickAt(6, 11, 0);
    EXPECT_EQ(label("Label3_0")->accessibleName(), QStringLiteral("1. 06:20, linka 150"));
    EXPECT_EQ(label("Label3_1")->accessibleName(), QStringLiteral("2. 06:20, linka 177"));
    EXPECT_EQ(label("SlotLine_1")->text(), QStringLiteral("177"));
    EXPECT_TRUE(label("SlotLine_2")->isHidden());
}

TEST_F(SlotLinesTest, TheExpandedViewSaysTheLineCountedDownTo) {
    writeConfig(withLines(QStringLiteral("1")));
    ASSERT_TRUE(startWindow());
    tickAt(6, 5, 0);
    tickAt(6, 5, 1);
    EXPECT_EQ(label("CountedLine")->text(), QStringLiteral("linka 177"));
    EXPECT_FALSE(label("CountedLine")->isHidden());
}

TEST_F(SlotLinesTest, ALineOfOneLineShowsNoLines) {
    writeConfig(lineConfig(kTimes, QStringLiteral("1")));
    ASSERT_TRUE(startWindow());
    tickAt(6, 5, 0);
    for (const char* line : {"SlotLine_0", "SlotLine_1", "SlotLine_2", "SlotLine_3"}) {
        EXPECT_TRUE(label(line)->isHidden()) << line;
    }
    EXPECT_EQ(label("Label3_0")->accessibleName(), QStringLiteral("1. 06:10"));
    EXPECT_EQ(label("Label3_0")->toolTip(),
              QStringLiteral("Čas, ve který přijede odpočítávaný autobus"));
    EXPECT_EQ(label("Label5")->accessibleDescription(),
              QStringLiteral("Autobus 150 odjíždí v 06:10, za 5 minut."));
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("CountedLine")), nullptr);
}

TEST_F(SlotLinesTest, TheHeadingOfSeveralLinesEndsBeforeTheNote) {
    // A line of one line of that name: the heading as laid out, cut by the note.
    writeConfig(namedByItsLines(withLines(QStringLiteral("0"), false)));
    ASSERT_TRUE(startWindow());
    const QFont laidOut = label("Label1")->font();
    EXPECT_EQ(laidOut.pixelSize(), 16);

    form.reset();
    writeConfig(namedByItsLines(withLines(QStringLiteral("0"))));
    ASSERT_TRUE(startWindow());
    QLabel* heading = label("Label1");
    ASSERT_EQ(heading->text(), QStringLiteral("Příjezdy BUS č.150+177"));
    EXPECT_LE(QFontMetrics(heading->font()).horizontalAdvance(heading->text()), heading->width());
    EXPECT_LE(heading->x() + heading->width(), label("Label7")->x());
    EXPECT_LT(heading->font().pixelSize(), laidOut.pixelSize());
    EXPECT_EQ(heading->font().family(), laidOut.family());
    EXPECT_TRUE(heading->font().bold());
}

// Line 150 from Hlavní to Metro as `kvapomer-import FEED HL --to MET --route
// 150` writes it (tests/data/gtfs/destination on 2026-12-09); without its
// Dated keys, the plain line of the same times.
QStringList importedToMetro(bool dated) {
    QStringList config = lineConfig({"01:10", "06:20"});
    config.replaceInStrings(QStringLiteral("(směr Kačerov)"), QStringLiteral("(směr Metro)"));
    if (dated) {
        config << "DatedFrom=2026-12-09"
               << "DatedWritten=A"
               << "DatedDays=AAABC DAAAABC DAAAABC DAAAB"
               << "DatedListA=01:10 06:20"
               << "DatedListB=01:10"
               << "DatedListC=-"
               << "DatedListD=06:20"
               << "DatedFeed=/nonexistent/destination"
               << "DatedFeedTime=2026-12-09T19:40:08Z"
               << "DatedStop=HL"
               << "DatedTo=MET"
               << "DatedRoutes=R150";
    }
    return config;
}

TEST_F(SlotLinesTest, AnImportedLineOfOneLineLooksAsAPlainOnePixelForPixel) {
    writeConfig(importedToMetro(true));
    ASSERT_TRUE(startWindow());
    TempFolder other;
    other.write(QStringLiteral("kvapomern.ini"), fileBytes(importedToMetro(false)));
    FakePlatform otherFake;
    otherFake.exeFolder.folder = other.path();
    Form1 plain(otherFake.platform);
    ASSERT_TRUE(plain.start());
    form->show();
    plain.show();
    for (const auto& [h, m, s] : {std::tuple{0, 50, 0}, {6, 5, 0}, {6, 19, 30}, {6, 20, 0}}) {
        tickAt(h, m, s);
        otherFake.clock.set(h, m, s);
        plain.tick();
        EXPECT_EQ(plain.grab().toImage(), form->grab().toImage()) << h << ':' << m << ':' << s;
    }
    // The dated list of the day is the one counted down to.
    tickAt(6, 5, 0);
    EXPECT_EQ(label("Label3_0")->text(), QStringLiteral("06:20"));
}

} // namespace
} // namespace kvapomer::test
