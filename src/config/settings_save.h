#pragma once
// Saving what the settings window edits (the line's section and the alert
// settings, written to the configuration file as one atomic update), and the
// one way any write makes a line's section.

#include "config/keys.h"
#include "profile/error_numbers.h"
#include "profile/profile_document.h"
#include "profile/result.h"
#include "timetable/dated_line.h"

#include <QString>
#include <QStringList>

namespace kvapomer {

// A line's section as every write makes it, for the settings save, the
// import and a dated line's day alike: the section removed and appended anew
// with its note, the line made active (Main/Bus) when asked, the times in
// list order, their count, the walk to the stop and, for a dated line, its
// dated data and live address.
// A line's live address and its access key (empty for none).
struct LiveAddress {
    QString url;
    QString token;
    bool operator==(const LiveAddress&) const = default;
};

struct LineContent {
    QString line; // the line number, also the section's name
    QString note;
    QStringList times; // "hh:mm" in list order
    // A dated line's data, naming `times` as the list written; nothing: a plain line.
    std::optional<DatedLine> dated;
    // The walk to the stop: nothing keeps what the section holds, 0 removes
    // it, 1..kMaxWalkMin sets it.
    std::optional<int> walkMin = std::nullopt;
    // A plain line of several lines: the line of each of `times` (a dated
    // line keeps them in `dated`).
    DepartureLines lines{};
    // The line's live address; nothing keeps the section's own (a plain line
    // keeps it too, unused until the line is imported again).
    std::optional<LiveAddress> live = std::nullopt;
};

// Whether a live address can be stored and used: http or https with a host,
// and it and the key of printable ASCII without spaces, each within what a
// read of the file returns. Nothing when it can; else the Czech reason.
std::optional<QString> liveAddressProblem(const LiveAddress& live);

void applyLineSection(ProfileDocument& doc, const LineContent& content, bool makeActive);

// Whether a file in `doc`'s encoding gives the written line back unchanged:
// the loader must find its count under that name again (and the line through
// Main/Bus when it is made active). That depends on the encoding alone, so a
// small document answers without a copy of the file.
bool lineReadsBack(const ProfileDocument& doc, const LineContent& content, bool makeActive);

// The contents of the settings window at the moment of saving.
struct SettingsInput {
    QString line;      // the line number (also the line's section name), as typed
    QString note;      // the note on the line, as typed
    QStringList times; // the departure times in list order
    bool alertOn = false;
    QString redAlertMin; // minutes of the red warning, as typed
    QString blinkAlert;  // seconds part of the flashing threshold, as typed
    QString blinkAlertM; // minutes part of the flashing threshold, as typed
    // What the window was filled with: a dated line stays dated only when it
    // is saved under the same number with the same list.
    QString filledLine;
    QStringList filledTimes;
};

// An alert box's text is stored only when it is a number whose value,
// rounded half to even, is below 60.
bool passesAlertTest(const QString& text);

// Text that the configuration file can hold unchanged: every character has
// a Windows-1250 byte.
bool fitsCodePage(const QString& text);

// Whether `line` can name a line's section: not empty, not one of the fixed
// sections, no brackets, no control characters, no blanks at either end,
// representable in the file and short enough to be read back whole.
bool isUsableLineName(const QString& line);

// The refusals that come before anything is written; ok when the input can
// be saved.
Result<void> checkSettings(const SettingsInput& input);

// Applies to `doc` the edits of a save, in the order in which they are made:
// the line's section as every line write makes it (the section removed, its
// note, Main/Bus, the times, the count and, when the save keeps a dated
// line's list, its dated data), then the sound switch and the alert numbers
// that pass the test.
void applySettings(ProfileDocument& doc, const SettingsInput& input);

// Checks the input and writes it to the file at `path` in one update; on
// failure the file is left exactly as it was.
Result<void> saveSettings(const QString& path, const SettingsInput& input);

} // namespace kvapomer
