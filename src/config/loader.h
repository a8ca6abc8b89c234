#pragma once
// Loading the active line's timetable and the alert settings from the
// configuration file, with the user-facing messages of a bad file.

#include "config/config_store.h"
#include "platform/platform.h"

#include <QString>

namespace kvapomer {

struct LoadedConfig {
    Timetable timetable;
    AlertSettings alerts;
    bool expand = false; // the stored view state asks for the expanded view
    QString heading;     // "Příjezdy BUS č." + line number
    QString note;        // the line's note
};

enum class LoadStatus { Loaded, FileMissing, Failed };

struct LoadResult {
    LoadStatus status = LoadStatus::Failed;
    int errorNumber = 0; // 13, 6 or 9 when Failed
    LoadedConfig config; // complete only when Loaded
};

// Reads everything from the file at `path`. Invalid departure times are
// reported one by one and replaced with "00:00"; a missing file or a value
// that cannot be used is reported with its one message and gives a status
// other than Loaded (the caller then ends the program).
LoadResult loadConfiguration(const QString& path, MessageBox& messageBox);

// Whether the file at `path` would load without a fatal error with `bus` as
// its active line. Asks nothing and shows nothing.
bool wouldLoadLine(const QString& path, const QString& bus);

// Short description of a load error number, for the message title.
QString loadErrorDescription(int number);

} // namespace kvapomer
