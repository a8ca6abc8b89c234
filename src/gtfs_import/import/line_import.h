#pragma once
// Writing an imported line into the configuration file:
// the same bytes as a save from the settings window with that line, note and
// times, every other byte kept, and `Main`/`Bus` set only when asked.

#include "config/dated_keys.h"
#include "config/settings_save.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kvapomer::gtfs {

struct LineImport {
    QString line;
    QString note;
    QStringList times;
    bool activate = false; // make it the active line (Main/Bus)
    // The walk from home to the stop, in minutes: 1..kMaxWalkMin sets it, 0
    // removes it, nothing keeps what the line's section holds.
    std::optional<int> walkMin;
    // A dated line: its dated data, with `times` the list it names as written.
    std::optional<DatedLine> dated;
    // A line of one date of several lines: the line of each of `times`.
    DepartureLines lines{};
    // A dated line's live address; nothing keeps the one the line has.
    std::optional<LiveAddress> live;
};

enum class LineWrite {
    Written,
    Refused,    // the settings save would refuse it; nothing written
    NoFile,     // the configuration file does not exist
    WriteFailed // the update failed; the file is as it was
};

struct LineWriteResult {
    LineWrite outcome = LineWrite::Written;
    QString message; // one Czech line when not written
};

LineWriteResult writeLine(const QString& iniPath, const LineImport& import);

} // namespace kvapomer::gtfs
