#pragma once
// What the settings window sees of the rest of the program: a snapshot of the
// loaded line and settings to fill itself from, and the reload it may ask for.

#include "config/records.h"

#include <QString>

#include <functional>

namespace kvapomer {

struct ProgramSnapshot {
    Timetable timetable;
    AlertSettings alerts;
    QString note; // as the main window shows it
};

class SettingsHost {
public:
    virtual ~SettingsHost() = default;
    virtual ProgramSnapshot snapshot() const = 0;
    // Reloads everything from the configuration file. False when the load was
    // fatal: the program is then ending and the caller must stop.
    virtual bool reload() = 0;
    // Runs `write`, a write of the window's own to the configuration file
    // that no reload follows, so that the program does not take the change
    // for someone else's.
    virtual void ownWrite(const std::function<void()>& write) { write(); }

protected:
    SettingsHost() = default;
    SettingsHost(const SettingsHost&) = default;
    SettingsHost& operator=(const SettingsHost&) = default;
};

} // namespace kvapomer
