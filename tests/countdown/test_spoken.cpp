// The countdown in words, as a screen reader and the desktop notice give it.

#include "countdown/spoken.h"

#include <gtest/gtest.h>

namespace kvapomer {
namespace {

// The time left to a 10:00 departure at 09:mm:ss (or after 10:00 when none is left).
Remaining before10(int hour, int minute, int second) {
    return rozdil(QStringLiteral("10:00"), ClockSample{hour, minute, second});
}

TEST(Spoken, MinutesAreRoundedUpWithCzechForms) {
    struct Row {
        int h, m, s;
        const char* phrase;
    };
    // clang-format off
    const Row rows[] = {
        {9, 59, 59, "za méně než minutu"},
        {9, 59,  1, "za méně než minutu"},
        {9, 59,  0, "za 1 minutu"},
        {9, 58, 59, "za 2 minuty"},
        {9, 58,  0, "za 2 minuty"},
        {9, 56,  0, "za 4 minuty"},
        {9, 55, 59, "za 5 minut"},
        {9, 55,  1, "za 5 minut"},
        {9, 55,  0, "za 5 minut"},
        {9, 38,  0, "za 22 minut"},
        {8,  0,  0, "za 120 minut"},
    };
    // clang-format on
    for (const Row& r : rows) {
        EXPECT_EQ(minutesLeftPhrase(before10(r.h, r.m, r.s)), QString::fromUtf8(r.phrase))
            << r.h << ':' << r.m << ':' << r.s;
    }
}

TEST(Spoken, SentenceNamesTheBusAndTheDepartureOrSaysNoneIsLeft) {
    EXPECT_EQ(countdownSentence(QStringLiteral("150"), QStringLiteral("10:00"), before10(9, 55, 1)),
              QStringLiteral("Autobus 150 odjíždí v 10:00, za 5 minut."));
    const Remaining none = rozdil(QString(), ClockSample{22, 0, 0});
    EXPECT_EQ(countdownSentence(QStringLiteral("150"), QString(), none),
              QStringLiteral("Dnes už žádný autobus nejede."));
    EXPECT_EQ(redWarningSentence(QStringLiteral("7"), QStringLiteral("10:00"), before10(9, 58, 30)),
              QStringLiteral("Pozor, autobus 7 odjíždí v 10:00, za 2 minuty."));
    EXPECT_EQ(busInStationSentence(QStringLiteral("150")),
              QStringLiteral("Autobus 150 je ve stanici."));
    EXPECT_EQ(departureSlotName(1, QStringLiteral("06:20")), QStringLiteral("1. 06:20"));
    EXPECT_EQ(departureSlotName(4, QString()), QStringLiteral("4. žádný další odjezd"));
}

} // namespace
} // namespace kvapomer
