#pragma once
// Keys of the Set section that only the program's own windows use: the
// stay-on-top choice of the main window and the timetable feed last read by
// the import window. The loader never reads them, so a file that holds them
// loads exactly as one without them.

#include "config/config_store.h"
#include "config/profile_document.h"

#include <QString>

namespace kvapomer {

namespace keys {
inline constexpr const char* kSet = "Set";
inline constexpr const char* kStayOnTop = "StayOnTop"; // "1" on, anything else off
inline constexpr const char* kLastFeed = "LastFeed";   // path of a .zip or a folder
} // namespace keys

bool readStayOnTop(const ProfileDocument& file);
bool readStayOnTop(const QString& path); // one read of the file

// Writes "1" or "0"; every other byte of the file stays as it was.
WriteResult writeStayOnTop(const QString& path, bool on);

// The last feed, empty when none is stored.
QString readLastFeed(const QString& path);

// Stores `feed` when the file can hold it unchanged (a path with a character
// outside the file's encoding, or a line break, is refused: error 5).
WriteResult writeLastFeed(const QString& path, const QString& feed);

} // namespace kvapomer
