#pragma once
// The kvapomer-import command: its arguments, messages and exit status, kept
// apart from main() so that it runs in tests as it runs for the user.

#include "gtfs_import/feed_error.h"

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

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

struct CommandEnvironment {
    std::string defaultIni; // kvapomern.ini beside the main program
    std::chrono::year_month_day today;
};

struct LineWriteResult;

// The exit status of a line's write; its message on `err` when it failed.
int writeStatus(const LineWriteResult& written, std::ostream& err);

// The exit status for a problem with the feed or a question about it.
int exitStatusFor(Problem problem);

// What the user reads when reading the feed failed in a way no check foresaw
// (the exit status is kExitBadFeed): memory ran out, or anything else.
inline constexpr const char* kOutOfMemoryMessage = "Na zpracování jízdního řádu nestačí paměť.";
inline constexpr const char* kUnexpectedMessage =
    "Jízdní řád nelze zpracovat pro neočekávanou chybu.";

// Runs the command; results of the listings go to `out`, messages (one
// Czech line each) to `err`. Returns the exit status.
int runImportCommand(const std::vector<std::string>& args, const CommandEnvironment& env,
                     std::ostream& out, std::ostream& err);

} // namespace kvapomer::gtfs
