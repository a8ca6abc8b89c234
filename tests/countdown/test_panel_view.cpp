// What the status icon on the panel shows after a tick, and when that changes.

#include "countdown/panel_view.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <vector>

namespace kvapomer {
namespace {

Timetable line(const QString& bus, const QStringList& times) {
    Timetable t;
    t.Bus = bus;
    t.Times = times;
    t.LastIndex = static_cast<std::int16_t>(times.size() - 1);
    return t;
}

AlertSettings alerts(std::int16_t redMin = 5) {
    AlertSettings a;
    a.RedAlertMin = redMin;
    a.BlinkAlertM = 1;
    a.BlinkAlert = 30;
    a.AlertON = QStringLiteral("ON");
    return a;
}

// The icon after a tick at h:m:s, the window normal or minimised.
PanelView at(int h, int m, int s, bool minimised = false, const QStringList& times = {"10:00"},
             const QString& dayNotice = {}, const QString& bus = QStringLiteral("150")) {
    const TickView tick =
        countdownTick({h, m, s}, line(bus, times), alerts(), minimised, CountdownState{});
    return panelView(tick, alerts(), dayNotice);
}

TEST(PanelView, MinutesRoundedUpAsTheSentenceCountsThem) {
    EXPECT_EQ(at(9, 55, 0).text, QStringLiteral("5"));
    EXPECT_EQ(at(9, 54, 59).text, QStringLiteral("6"));
    EXPECT_EQ(at(9, 59, 0).text, QStringLiteral("1"));
    EXPECT_EQ(at(9, 59, 59).text, QStringLiteral("1")); // the last minute shows 1, never 0
    EXPECT_EQ(at(8, 21, 0).text, QStringLiteral("99"));

    // Every second of the last 99 minutes: the icon's number is the sentence's.
    const QRegularExpression number(QStringLiteral("za (\\d+) minut"));
    for (int s = 8 * 3600 + 21 * 60; s < 10 * 3600; ++s) {
        const TickView tick =
            countdownTick({s / 3600, s / 60 % 60, s % 60}, line(QStringLiteral("150"), {"10:00"}),
                          alerts(), false, CountdownState{});
        const QRegularExpressionMatch m = number.match(tick.sentence);
        const QString said = m.hasMatch() ? m.captured(1) : QStringLiteral("1");
        ASSERT_EQ(panelView(tick, alerts(), {}).text, said) << tick.sentence.toStdString();
    }
}

TEST(PanelView, WholeHoursRoundedDownFromOneHundredMinutes) {
    EXPECT_EQ(at(8, 20, 59).text, QStringLiteral("1h")); // 99:01 left: 100 minutes
    EXPECT_EQ(at(8, 0, 1).text, QStringLiteral("2h"));   // 119:59: 120 minutes
    EXPECT_EQ(at(8, 0, 0).text, QStringLiteral("2h"));
    EXPECT_EQ(at(7, 1, 0).text, QStringLiteral("2h"));  // 179 minutes
    EXPECT_EQ(at(7, 0, 59).text, QStringLiteral("3h")); // 179:01: 180 minutes
    EXPECT_EQ(at(0, 0, 0, false, {"23:59"}).text, QStringLiteral("23h"));
}

TEST(PanelView, DashWhenNoDepartureIsLeftToday) {
    const PanelView none = at(10, 0, 0);
    EXPECT_EQ(none.text, QStringLiteral("–"));
    EXPECT_EQ(none.colour, PanelColour::Green);
    EXPECT_EQ(none.toolTip, QStringLiteral("Dnes už žádný autobus nejede."));
    EXPECT_EQ(at(9, 0, 0, false, {}).text, QStringLiteral("–"));
}

TEST(PanelView, RedWhileLessThanTheRedMinutesRemainWhateverTheWindowState) {
    EXPECT_EQ(at(9, 55, 0).colour, PanelColour::Green); // 5:00 left
    EXPECT_EQ(at(9, 55, 1).colour, PanelColour::Red);   // 4:59 left
    EXPECT_EQ(at(9, 59, 59).colour, PanelColour::Red);
    // The minimised window's countdown stays green; the icon does not.
    EXPECT_EQ(at(9, 55, 1, true).colour, PanelColour::Red);
    EXPECT_EQ(at(9, 55, 0, true).colour, PanelColour::Green);
    // Red ends with the departure: the next one is green again.
    EXPECT_EQ(at(10, 0, 0, false, {"10:00", "10:30"}).colour, PanelColour::Green);
    // No red span at all with RedAlertMin 0.
    const TickView tick = countdownTick({9, 59, 59}, line(QStringLiteral("150"), {"10:00"}),
                                        alerts(0), false, CountdownState{});
    EXPECT_EQ(panelView(tick, alerts(0), {}).colour, PanelColour::Green);
}

TEST(PanelView, TooltipIsTheSentenceWithTheDayNoticeBelowIt) {
    EXPECT_EQ(at(9, 55, 0).toolTip, QStringLiteral("Autobus 150 odjíždí v 10:00, za 5 minut."));
    EXPECT_EQ(at(9, 59, 30).toolTip,
              QStringLiteral("Autobus 150 odjíždí v 10:00, za méně než minutu."));
    EXPECT_EQ(
        at(9, 55, 0, false, {"10:00"}, QStringLiteral("Dnes platí sobotní jízdní řád.")).toolTip,
        QStringLiteral("Autobus 150 odjíždí v 10:00, za 5 minut.\n"
                       "Dnes platí sobotní jízdní řád."));
}

TEST(PanelView, ChangesOnlyWithTheMinuteTheColourAndTheLine) {
    // One hour of ticks toward a 10:00 departure: 60 numbers, red once, and
    // the tooltip's "za méně než minutu" within the last "1".
    std::vector<PanelView> shown;
    for (int s = 9 * 3600; s < 10 * 3600; ++s) {
        const PanelView v = at(s / 3600, s / 60 % 60, s % 60);
        if (shown.empty() || !(shown.back() == v)) {
            shown.push_back(v);
        }
    }
    ASSERT_EQ(shown.size(), 62u);
    EXPECT_EQ(shown.front().text, QStringLiteral("60"));
    EXPECT_EQ(shown.back().text, QStringLiteral("1"));

    EXPECT_EQ(at(9, 50, 0), at(9, 50, 59));      // 10:00 to 9:01 left: "10"
    EXPECT_FALSE(at(9, 50, 59) == at(9, 51, 0)); // 9:00 left: "9"
    EXPECT_FALSE(at(9, 55, 0) == at(9, 55, 1));  // the same "5", turning red
    EXPECT_FALSE(at(9, 50, 1) == at(9, 50, 1, false, {"10:00"}, {}, QStringLiteral("151")));
    EXPECT_FALSE(at(9, 50, 1) == at(9, 50, 1, false, {"10:00"}, QStringLiteral("Výluka.")));
}

} // namespace
} // namespace kvapomer
