#pragma once
// kvapomer-import --refresh: every dated line of the file imported again
// from the feed, stop, route and direction it remembers.

#include <QString>

#include <chrono>
#include <ostream>

namespace kvapomer::gtfs {

// Imports every dated line of the file `ini` again, keeping its number, its
// note and which line is active. Each failure is one line on `err`; the
// status is that of the first failure, or 0 when all succeeded.
int refreshDatedLines(const QString& ini, std::chrono::sys_days today, std::ostream& err);

} // namespace kvapomer::gtfs
