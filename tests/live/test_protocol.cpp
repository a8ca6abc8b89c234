// The lines between the window and the kvapomer-live child, both ways.

#include "live/protocol.h"

#include <gtest/gtest.h>

using namespace kvapomer::live;

namespace {

ExpectedDeparture departure(const QString& trip, LiveState state, int expected) {
    return {{trip, QDate(2026, 12, 8), 12, 25 * 3600, QStringLiteral("Noční 91"), QString()},
            state,
            expected};
}

std::vector<LiveSnapshot> parseAll(const QByteArray& bytes, bool* ok = nullptr) {
    ChildOutputParser parser;
    std::vector<LiveSnapshot> batches;
    const bool fed = parser.feed(bytes, batches);
    if (ok) {
        *ok = fed;
    }
    return batches;
}

} // namespace

TEST(LiveProtocol, BatchesReadBackAsWritten) {
    LiveSnapshot live;
    live.live = true;
    live.liveAt = QStringLiteral("06:10:35");
    live.stamp = 1'796'800'000;
    live.departures = {departure(QStringLiteral("T 1"), LiveState::Expected, 25 * 3600 + 120),
                       departure(QStringLiteral("T2"), LiveState::Cancelled, 25 * 3600),
                       departure(QStringLiteral("T3"), LiveState::Skipped, 25 * 3600),
                       departure(QStringLiteral("T4"), LiveState::Timetable, 25 * 3600)};
    LiveSnapshot none;
    none.reason = QStringLiteral("Server odpověděl chybou 404.");
    const QByteArray bytes = formatBatch(live) + formatBatch(none);
    EXPECT_TRUE(bytes.contains("\nlive at 06:10:35\nno data: Server odpověděl chybou 404.\n"));

    // Fed a byte at a time, as a pipe may give it.
    ChildOutputParser parser;
    std::vector<LiveSnapshot> batches;
    for (char c : bytes) {
        ASSERT_TRUE(parser.feed(QByteArray(1, c), batches));
    }
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0], live);
    EXPECT_EQ(batches[1], none);
}

TEST(LiveProtocol, NonsenseFromTheChildIsRefused) {
    const QByteArray valid = "departure\t20261209\t5\t22200\texpected\t22440\tT1\t150";
    const QByteArray nonsense[] = {
        "hello",
        "departure\t20261209\t5\t22200\tlate\t22440\tT1\t150",     // no such state
        "departure\t20261309\t5\t22200\texpected\t22440\tT1\t150", // no such date
        "departure\t20261209\t-5\t22200\texpected\t22440\tT1\t150",
        "departure\t20261209\t5\t22200\texpected\t99999999\tT1\t150",
        "departure\t20261209\t5\t22200\texpected\t22440\t\x1b]0;x\a\t150",
        "departure\t20261209\t5\t22200\texpected\t22440\t\t150", // no trip
        "departure\t20261209\t5\t22200\texpected\t22440\tT1",    // a field short
        valid + "\textra",
        "live at 25:00:00",
        "live at 6:10:35",
        "no data: ",
        "no data: \x1b[31mred",
        "stamp\tsoon",
        "stamp\t1\nstamp\t2",
        "departure" + QByteArray(kMaxProtocolLine, 'x'),
    };
    for (const QByteArray& line : nonsense) {
        bool ok = true;
        const auto batches = parseAll(valid + "\n" + line + "\nlive at 06:10:35\n", &ok);
        EXPECT_FALSE(ok) << line.left(80).toStdString();
        EXPECT_TRUE(batches.empty()) << line.left(80).toStdString();
    }
    bool ok = true;
    EXPECT_EQ(parseAll(valid + "\nlive at 06:10:35\n", &ok).size(), 1u);
    EXPECT_TRUE(ok);
    // An endless line without a newline is refused before it is complete.
    EXPECT_FALSE([] {
        ChildOutputParser parser;
        std::vector<LiveSnapshot> batches;
        return parser.feed(QByteArray(kMaxProtocolLine + 1, 'a'), batches);
    }());
}

TEST(LiveProtocol, TheChildTakesTokenZoneAndWholeBlocksOfCalls) {
    const std::vector<ScheduledCall> calls = {
        {QStringLiteral("T1"), QDate(2026, 12, 9), 5, 22200, QStringLiteral("150"),
         QStringLiteral("U1Z1")},
        {QStringLiteral("N9"), QDate(2026, 12, 8), 7, 91800, QStringLiteral("N 91"), QString()}};
    const QByteArray block = callsBlock(calls);
    ChildInputParser parser;
    ChildInput input;
    ASSERT_TRUE(parser.feed(
        tokenLine("k3y") + timeZoneLine("Europe/Prague") + block.left(block.size() - 4), input));
    EXPECT_EQ(input.token, QByteArray("k3y"));
    EXPECT_EQ(input.timeZone, QByteArray("Europe/Prague"));
    EXPECT_FALSE(input.calls); // not before "calls end"
    ASSERT_TRUE(parser.feed(block.right(4), input));
    ASSERT_TRUE(input.calls);
    EXPECT_EQ(*input.calls, calls);
    // A bad line is left out and said; the rest still counts.
    ChildInput second;
    EXPECT_FALSE(parser.feed("call\tx\n" + callsBlock({calls[0]}), second));
    ASSERT_TRUE(second.calls);
    EXPECT_EQ(second.calls->size(), 1u);
}
