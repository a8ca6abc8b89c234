#include "countdown/live_departures.h"

#include "countdown/spoken.h"

#include <algorithm>

namespace kvapomer {

namespace {

constexpr int kDay = 24 * 60;

bool counts(const LiveDeparture& d) {
    return d.state == LiveCall::Expected || d.state == LiveCall::Timetable;
}

// Where a departure stands in the day: its expected minute, or the
// timetable's for one that does not come.
int minuteOf(const LiveDeparture& d) {
    return counts(d) ? d.expected : d.scheduled;
}

QString hhmm(int minute) {
    const int m = ((minute % kDay) + kDay) % kDay;
    return Nula(static_cast<std::int16_t>(m / 60)) + u':' + Nula(static_cast<std::int16_t>(m % 60));
}

QString minutesWord(int n) {
    if (n == 1) {
        return QStringLiteral("1 minutu");
    }
    return QString::number(n) +
           (n >= 2 && n <= 4 ? QStringLiteral(" minuty") : QStringLiteral(" minut"));
}

} // namespace

QString liveSlotName(int number, const LiveDeparture& d, bool severalLines) {
    const QString prefix = QString::number(number) + QStringLiteral(". ");
    const QString line =
        severalLines && !d.line.isEmpty() ? QStringLiteral(", linka ") + d.line : QString();
    switch (d.state) {
    case LiveCall::Cancelled:
        return prefix + hhmm(d.scheduled) + line + QStringLiteral(", zrušen");
    case LiveCall::Skipped:
        return prefix + hhmm(d.scheduled) + line + QStringLiteral(", nezastaví");
    case LiveCall::Expected:
    case LiveCall::Timetable:
        break;
    }
    const int late = d.expected - d.scheduled;
    if (late == 0) {
        return prefix + hhmm(d.expected) + line;
    }
    return prefix + hhmm(d.expected) + line + QStringLiteral(", o ") + minutesWord(std::abs(late)) +
           (late > 0 ? QStringLiteral(" později") : QStringLiteral(" dříve")) +
           QStringLiteral(", podle jízdního řádu ") + hhmm(d.scheduled);
}

LiveNext nextLiveDepartures(const std::vector<LiveDeparture>& departures, const ClockSample& now,
                            bool severalLines) {
    std::vector<LiveDeparture> order = departures;
    std::stable_sort(
        order.begin(), order.end(),
        [](const LiveDeparture& a, const LiveDeparture& b) { return minuteOf(a) < minuteOf(b); });
    const int current = now.hour * 60 + now.minute;
    LiveNext next;
    for (const LiveDeparture& d : order) {
        if (counts(d) && minuteOf(d) == current && now.second == 0) {
            next.busDue = true;
        }
    }
    // Today's departures after the current minute, from the first that comes.
    const auto first = std::find_if(order.begin(), order.end(), [&](const LiveDeparture& d) {
        return counts(d) && minuteOf(d) > current && minuteOf(d) < kDay;
    });
    std::size_t k = 0;
    for (auto it = first; it != order.end() && k < next.slots.size() && minuteOf(*it) < kDay;
         ++it, ++k) {
        next.slots[k] = hhmm(minuteOf(*it));
        next.live[k] = {counts(*it) && it->expected != it->scheduled, it->state,
                        liveSlotName(static_cast<int>(k) + 1, *it, severalLines),
                        severalLines ? it->line : QString()};
    }
    for (; k < next.slots.size(); ++k) {
        next.live[k].name = departureSlotName(static_cast<int>(k) + 1, QString());
    }
    return next;
}

} // namespace kvapomer
