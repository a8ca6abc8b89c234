#pragma once
// The kvapomer-import command: its arguments, messages and exit status, kept
// apart from main() so that it runs in tests as it runs for the user.

#include "gtfs_import/cli/exit_status.h"

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

namespace kvapomer::gtfs {

struct CommandEnvironment {
    std::string defaultIni; // kvapomern.ini beside the main program
    std::chrono::year_month_day today;
};

// Runs the command; results of the listings go to `out`, messages (one
// Czech line each) to `err`. Returns the exit status.
int runImportCommand(const std::vector<std::string>& args, const CommandEnvironment& env,
                     std::ostream& out, std::ostream& err);

} // namespace kvapomer::gtfs
