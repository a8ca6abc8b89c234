#pragma once
// Choosing the next departures of the day and the time left to the nearest.

#include <QString>
#include <QStringList>
#include <QTime>

#include <array>
#include <cstdint>

namespace kvapomer {

// The clock sample of one tick.
struct ClockSample {
    int hour = 0;   // 0..23
    int minute = 0; // 0..59
    int second = 0; // 0..59
    static ClockSample from(const QTime& t) { return {t.hour(), t.minute(), t.second()}; }
};

inline constexpr const char* kNoDeparture = "--:--:--";

// n as text, with a leading "0" when it is below 10.
QString Nula(const std::int16_t& n);

struct NextDepartures {
    std::array<QString, 4> slots; // slot 0 is the departure counted down to
    bool busDue = false;          // second 0 of a minute in which an entry falls due
};

// The first four entries of `times` (in list order) lying strictly after the
// current hh:mm; entries of the current minute are excluded and, at its
// second 0, start the bus-in-station message.
NextDepartures UpdateNextDepartures(const QStringList& times, const ClockSample& now);

// The departures as seen from home, `walkMin` (1..120) minutes' walk from the
// stop: the choice above applied to the times to set off, d - walkMin.
struct DeparturesOnFoot {
    // The first four departures (in list order) whose time to set off lies
    // strictly after the current hh:mm; in front of them, when there is one,
    // the last departure that has not left yet but can no longer be reached
    // on foot. A time to set off before midnight is never reached.
    std::array<QString, 4> slots;
    bool late = false;    // slot 0 is that departure; the one counted down to is slot 1
    bool anyLeft = false; // some departure of the day has not left yet
    // At second 0 of a minute to set off: the departure it is for.
    QString leaveDue;
    // The next departure from the stop itself, as UpdateNextDepartures
    // chooses it for slot 0.
    QString fromStop;
    const QString& counted() const { return slots[late ? 1 : 0]; }
};

DeparturesOnFoot UpdateDeparturesOnFoot(const QStringList& times, const ClockSample& now,
                                        int walkMin);

struct Remaining {
    bool any = false; // false: nothing left today, text "--:--:--"
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    QString text;
    bool operator==(const Remaining&) const = default;
};

// Time from `now` to the departure in `slot0` (hh:mm), split and as hh:mm:ss.
Remaining rozdil(const QString& slot0, const ClockSample& now);

// Time from `now` to the moment to set off for the departure in `slot`.
Remaining leaveIn(const QString& slot, int walkMin, const ClockSample& now);

} // namespace kvapomer
