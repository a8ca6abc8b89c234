#pragma once
// Loading the active line's timetable and the alert settings from the
// configuration file, with the messages a bad file gives the user.

#include "config/records.h"
#include "profile/profile_document.h"

#include <QList>
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

// One message for the user; every message of a load has the error style
// (error icon, OK).
struct LoadMessage {
    QString text;
    QString title;
    bool operator==(const LoadMessage&) const = default;
};

struct [[nodiscard]] LoadResult {
    LoadStatus status = LoadStatus::Failed;
    int errorNumber = 0;         // 13, 6 or 9 when Failed
    LoadedConfig config;         // complete only when Loaded
    QList<LoadMessage> messages; // to show in this order, each waiting for OK
};

// At most this many invalid departure times are reported per load; further
// ones become "00:00" without a message.
inline constexpr int kMaxTimeMessages = 10;

// The file at `path` read once: every value of a load comes from this copy.
struct ConfigSnapshot {
    bool found = false; // an ordinary file was there to read
    ProfileDocument file;
};
ConfigSnapshot takeSnapshot(const QString& path);

// Reads everything from one snapshot of the file. Invalid departure times
// give a message each and become "00:00"; a missing file or a value that
// cannot be used gives its one message and a status other than Loaded (the
// caller then ends the program).
LoadResult loadConfiguration(const ConfigSnapshot& snapshot);
LoadResult loadConfiguration(const QString& path);

// Whether the snapshot would load without a fatal error with `bus` as its
// active line.
bool wouldLoadLine(const ConfigSnapshot& snapshot, const QString& bus);
bool wouldLoadLine(const QString& path, const QString& bus); // one read of the file

// Whether typing `line` in the settings window switches to it: its section
// holds a five-character t0 and, with it as the active line (as Main/Bus
// would give it back), the file loads. One read of the file.
bool canSwitchToLine(const QString& path, const QString& line);

} // namespace kvapomer
