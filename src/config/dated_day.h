#pragma once
// Bringing a dated line's plain keys to a date: the list of the day written
// into t0…, NumberOfTimes, as long as they still hold the list the program
// wrote there last; any other list there is the user's, and the line becomes
// a plain one.

#include "config/dated_keys.h"
#include "profile/profile_document.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <vector>

namespace kvapomer {

// The dated data of a line's section; nothing for a plain line or data that
// cannot be trusted.
std::optional<DatedLine> readDatedSection(const ProfileDocument& doc, const QString& line);

// Every dated line of the file: its number, its note and its dated data.
struct DatedSection {
    QString line;
    QString note;
    DatedLine dated;
};
std::vector<DatedSection> datedSections(const ProfileDocument& doc);

struct DaySync {
    std::optional<DatedLine> dated; // the line's dated data afterwards; nothing: a plain line
    int today = -1;                 // the list of the date, when dated
    PeriodState period = PeriodState::Inside;
    bool changed = false;   // the document was edited
    bool madePlain = false; // the t keys held another list: the dated keys were removed
    // A plain line of several lines: the line of each of its times (a dated
    // line's are in `dated`).
    DepartureLines lines{};
};

// For `line` on `date`: when it is a dated line whose t keys hold the list
// written last, writes the list of the date into them (a date without
// service leaves them); when they hold another list, removes the dated keys.
DaySync syncDatedLine(ProfileDocument& doc, const QString& line, std::chrono::sys_days date);

// The dated data a settings save keeps for `line`: the line's dated data when
// the save keeps the list the window was filled with, for the same line, and
// that list is one of the line's lists (then named as the one in the times).
// Nothing otherwise: the user's own list makes a plain line.
std::optional<DatedLine> datedKeptBySave(const ProfileDocument& doc, const QString& line,
                                         const QStringList& times, const QString& filledLine,
                                         const QStringList& filledTimes);

// The departures' lines a settings save keeps for a plain line of several
// lines: those of the file when the save keeps the list the window was
// filled with, for the same line. None otherwise.
DepartureLines linesKeptBySave(const ProfileDocument& doc, const QString& line,
                               const QStringList& times, const QString& filledLine,
                               const QStringList& filledTimes);

} // namespace kvapomer
