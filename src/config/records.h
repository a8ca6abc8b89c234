#pragma once
// The two records the program loads from the configuration file: the active
// line's timetable and the alert settings.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace kvapomer {

struct Timetable {
    QString Bus;       // the active line number, also its section name
    QStringList Times; // departure times hh:mm, indexes 0..LastIndex
    std::int16_t LastIndex = -1;
    int WalkMin = 0; // minutes from home to the stop; 0: the countdown runs to the bus
};

struct AlertSettings {
    std::int16_t RedAlertMin = 0;
    std::int16_t BlinkAlert = 0;  // seconds part of the flashing threshold
    std::int16_t BlinkAlertM = 0; // minutes part of the flashing threshold
    QString AlertWav;
    QString AlertON;
};

} // namespace kvapomer
