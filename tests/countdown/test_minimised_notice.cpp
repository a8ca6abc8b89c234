// When a minimised window sends its desktop notice, and what the notice says.

#include "countdown/minimised_notice.h"

#include <gtest/gtest.h>

namespace kvapomer {
namespace {

AlertSettings alerts(const QString& alertOn = QStringLiteral("ON"), std::int16_t redMin = 5) {
    AlertSettings a;
    a.RedAlertMin = redMin;
    a.BlinkAlertM = 1;
    a.BlinkAlert = 30;
    a.AlertON = alertOn;
    return a;
}

// The remaining time to a 10:00 departure at 09:mm:ss.
Remaining before10(int minute, int second) {
    return rozdil(QStringLiteral("10:00"), ClockSample{9, minute, second});
}

constexpr bool kNormal = true;
constexpr bool kMinimised = false;

TEST(MinimisedNotice, OneNoticeOnTheTickTheMinimisedRedSpanOpens) {
    MinimisedNotice notice;
    const AlertSettings a = alerts();
    EXPECT_FALSE(notice.step(before10(55, 0), kMinimised, a)); // 00:05:00, not red yet
    EXPECT_TRUE(notice.step(before10(55, 1), kMinimised, a));  // 00:04:59
    EXPECT_FALSE(notice.step(before10(55, 2), kMinimised, a));
    // Restored and minimised again inside the same span: still that one notice.
    EXPECT_FALSE(notice.step(before10(56, 0), kNormal, a));
    EXPECT_FALSE(notice.step(before10(56, 1), kMinimised, a));
    EXPECT_FALSE(notice.step(before10(59, 59), kMinimised, a));
}

TEST(MinimisedNotice, EachContinuousSpanGetsItsOwnNotice) {
    MinimisedNotice notice;
    const AlertSettings a = alerts();
    EXPECT_TRUE(notice.step(before10(57, 0), kMinimised, a));
    // The next departure lies more than five minutes away: the span has ended.
    EXPECT_FALSE(
        notice.step(rozdil(QStringLiteral("10:30"), ClockSample{10, 0, 0}), kMinimised, a));
    EXPECT_TRUE(
        notice.step(rozdil(QStringLiteral("10:30"), ClockSample{10, 25, 1}), kMinimised, a));
    // Two departures closer than the threshold form one span.
    EXPECT_FALSE(
        notice.step(rozdil(QStringLiteral("10:33"), ClockSample{10, 30, 0}), kMinimised, a));
}

TEST(MinimisedNotice, ASpanThatOpensWithTheWindowNormalSendsNone) {
    MinimisedNotice notice;
    const AlertSettings a = alerts();
    EXPECT_FALSE(notice.step(before10(55, 1), kNormal, a)); // red and the sound instead
    EXPECT_FALSE(notice.step(before10(55, 2), kMinimised, a));
}

TEST(MinimisedNotice, OnlyWithTheSoundSwitchOn) {
    for (const char* off : {"OFF", "", "YES"}) {
        MinimisedNotice notice;
        EXPECT_FALSE(notice.step(before10(57, 0), kMinimised, alerts(QString::fromLatin1(off))))
            << off;
    }
    MinimisedNotice lowerCase;
    EXPECT_TRUE(lowerCase.step(before10(57, 0), kMinimised, alerts(QStringLiteral("on"))));
    MinimisedNotice neverRed;
    EXPECT_FALSE(neverRed.step(before10(59, 59), kMinimised, alerts(QStringLiteral("ON"), 0)));
}

TEST(MinimisedNotice, TextSaysWhichBusLeavesAndWhen) {
    const NoticeText text =
        busNotice(QStringLiteral("150"), QStringLiteral("10:00"), before10(55, 1));
    EXPECT_EQ(text.summary, QStringLiteral("Linka 150 odjíždí v 10:00"));
    EXPECT_EQ(text.body, QStringLiteral("za 5 minut"));
    EXPECT_EQ(busNotice(QStringLiteral("7"), QStringLiteral("10:00"), before10(59, 50)).body,
              QStringLiteral("za méně než minutu"));
}

} // namespace
} // namespace kvapomer
