#pragma once
// The exit status of kvapomer-import, and how a feed's problem or a line's
// write becomes one.

#include "gtfs_import/feed/feed_error.h"

#include <ostream>

namespace kvapomer::gtfs {

// Exit status of the command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;        // wrong arguments
inline constexpr int kExitBadFeed = 3;      // the feed is missing, damaged, malformed or too large
inline constexpr int kExitNotFound = 4;     // no such stop, route or direction
inline constexpr int kExitAmbiguous = 5;    // a name fits several; they are listed
inline constexpr int kExitNoDepartures = 6; // nothing departs there on that date
inline constexpr int kExitRefused = 7;      // the configuration file cannot hold the line
inline constexpr int kExitConfigFile = 8;   // the configuration file is absent or unwritable

struct LineWriteResult;

// The exit status of a line's write; its message on `err` when it failed.
int writeStatus(const LineWriteResult& written, std::ostream& err);

// The exit status for a problem with the feed or a question about it
// (kOutOfMemoryMessage and kUnexpectedMessage end with kExitBadFeed).
int exitStatusFor(Problem problem);

} // namespace kvapomer::gtfs
