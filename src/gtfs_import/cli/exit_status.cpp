#include "gtfs_import/cli/exit_status.h"

#include "gtfs_import/feed/terminal_text.h"
#include "gtfs_import/import/line_import.h"

namespace kvapomer::gtfs {

int writeStatus(const LineWriteResult& written, std::ostream& err) {
    switch (written.outcome) {
    case LineWrite::Written:
        return kExitOk;
    case LineWrite::Refused:
        say(err, written.message.toStdString());
        return kExitRefused;
    case LineWrite::NoFile:
    case LineWrite::WriteFailed:
        say(err, written.message.toStdString());
        return kExitConfigFile;
    }
    return kExitConfigFile;
}

int exitStatusFor(Problem problem) {
    switch (problem) {
    case Problem::BadFeed:
        return kExitBadFeed;
    case Problem::NotFound:
        return kExitNotFound;
    case Problem::Ambiguous:
        return kExitAmbiguous;
    case Problem::NoDepartures:
        return kExitNoDepartures;
    }
    return kExitBadFeed;
}

} // namespace kvapomer::gtfs
