#include "countdown/departures.h"

#include <optional>

namespace kvapomer {

namespace {

// Value of a field of two decimal digits starting at `pos`; nothing when
// either character is not a digit.
std::optional<int> twoDigits(const QString& text, qsizetype pos) {
    const QChar hi = text.at(pos);
    const QChar lo = text.at(pos + 1);
    if (hi < u'0' || hi > u'9' || lo < u'0' || lo > u'9') {
        return std::nullopt;
    }
    return (hi.unicode() - u'0') * 10 + (lo.unicode() - u'0');
}

struct HourMinute {
    int hour = 0;
    int minute = 0;
};

// Hour from the first two characters, minute from the last two; whatever
// lies between them is not looked at. Texts shorter than four characters
// (where the two fields would overlap) and non-numeric fields give nothing.
std::optional<HourMinute> readEntry(const QString& entry) {
    if (entry.size() < 4) {
        return std::nullopt;
    }
    const auto hour = twoDigits(entry, 0);
    const auto minute = twoDigits(entry, entry.size() - 2);
    if (!hour || !minute) {
        return std::nullopt;
    }
    return HourMinute{*hour, *minute};
}

// The time from `now` to `target` seconds after midnight, split and as hh:mm:ss.
Remaining remainingTo(int target, const ClockSample& now) {
    Remaining left;
    const int current = now.hour * 3600 + now.minute * 60 + now.second;
    const int total = target - current;

    left.any = true;
    left.hours = total / 3600;
    left.minutes = (total - left.hours * 3600) / 60;
    left.seconds = total - left.hours * 3600 - left.minutes * 60;
    left.text = Nula(static_cast<std::int16_t>(left.hours)) + u':' +
                Nula(static_cast<std::int16_t>(left.minutes)) + u':' +
                Nula(static_cast<std::int16_t>(left.seconds));
    return left;
}

} // namespace

QString Nula(const std::int16_t& n) {
    if (n < 10) {
        return QStringLiteral("0") + QString::number(n);
    }
    return QString::number(n);
}

NextDepartures UpdateNextDepartures(const QStringList& times, const ClockSample& now) {
    NextDepartures next;
    std::size_t k = 0;
    // The whole list is always walked: an entry due this minute may come
    // after the four slots are already filled.
    for (const QString& entry : times) {
        const auto hm = readEntry(entry);
        if (!hm) {
            continue;
        }
        if (k <= 3 && now.hour < hm->hour) {
            next.slots[k++] = entry;
        } else if (hm->hour == now.hour && hm->minute == now.minute) {
            // Due this very minute: not a next departure; only the tick that
            // samples second 0 announces it.
            if (now.second < 1) {
                next.busDue = true;
            }
        } else if (k <= 3 && hm->hour == now.hour && hm->minute > now.minute) {
            next.slots[k++] = entry;
        }
    }
    return next;
}

DeparturesOnFoot UpdateDeparturesOnFoot(const QStringList& times, const ClockSample& now,
                                        int walkMin) {
    DeparturesOnFoot next;
    const int current = now.hour * 60 + now.minute;
    std::array<QString, 4> reachable;
    std::size_t k = 0;
    for (const QString& entry : times) {
        const auto hm = readEntry(entry);
        if (!hm) {
            continue;
        }
        const int departure = hm->hour * 60 + hm->minute;
        const int leave = departure - walkMin;
        if (departure > current && next.fromStop.isNull()) {
            next.fromStop = entry;
        }
        if (leave > current) {
            if (k <= 3) {
                reachable[k++] = entry;
            }
            continue;
        }
        if (leave == current && now.second < 1 && next.leaveDue.isEmpty()) {
            next.leaveDue = entry;
        }
        if (departure > current) {
            next.late = true;
            next.slots[0] = entry;
        }
    }
    next.anyLeft = next.late || k > 0;
    const std::size_t first = next.late ? 1 : 0;
    for (std::size_t i = 0; first + i < next.slots.size(); ++i) {
        next.slots[first + i] = reachable[i];
    }
    return next;
}

Remaining rozdil(const QString& slot0, const ClockSample& now) {
    const auto hm = readEntry(slot0);
    if (!hm) {
        Remaining none;
        none.text = QString::fromLatin1(kNoDeparture);
        return none;
    }
    return remainingTo(hm->hour * 3600 + hm->minute * 60, now);
}

Remaining leaveIn(const QString& slot, int walkMin, const ClockSample& now) {
    const auto hm = readEntry(slot);
    if (!hm) {
        Remaining none;
        none.text = QString::fromLatin1(kNoDeparture);
        return none;
    }
    return remainingTo((hm->hour * 60 + hm->minute - walkMin) * 60, now);
}

} // namespace kvapomer
