#pragma once
// The vocabulary of kvapomern.ini: every section and key name the program
// reads or writes, with the limits that go with them. This is the one place
// that spells them; everything else names them through this table. A new key
// gets a line here, under its section, with what it holds.
//
// Names match without regard to letter case, so a file written by hand in
// other case reads the same; the program writes them as spelled here.

#include "profile/profile_store.h"

#include <QString>

namespace kvapomer::keys {

// The file, beside the executable.
inline constexpr const char* kFileName = "kvapomern.ini";

// [Main]: the global settings and the active line.
inline const QString kMain = QStringLiteral("Main");
inline const QString kBus = QStringLiteral("Bus");                 // the active line's number
inline const QString kAlertOn = QStringLiteral("AlertON");         // "ON" plays the alert sound
inline const QString kAlertWav = QStringLiteral("AlertWav");       // the alert sound's file
inline const QString kRedAlertMin = QStringLiteral("RedAlertMin"); // minutes of the red warning
inline const QString kBlinkAlert = QStringLiteral("BlinkAlert");   // seconds part of flashing
inline const QString kBlinkAlertM = QStringLiteral("BlinkAlertM"); // minutes part of flashing

// [Set]: the view the program left, and the windows' own choices, which the
// loader never reads (a file that holds them loads as one without them).
inline const QString kSet = QStringLiteral("Set");
inline const QString kStav = QStringLiteral("Stav");           // 1: the expanded view; 0..255
inline const QString kStayOnTop = QStringLiteral("StayOnTop"); // "1" on, anything else off
inline const QString kTrayIcon = QStringLiteral("TrayIcon");   // "0" off, anything else on
inline const QString kLastFeed = QStringLiteral("LastFeed");   // the feed last read: .zip or folder

// A line's section, named by the line's number.
inline const QString kDescription = QStringLiteral("Description");     // the note on the line
inline const QString kNumberOfTimes = QStringLiteral("NumberOfTimes"); // 1..kMaxTimes
// Minutes from home to the stop, 1..kMaxWalkMin; anything else is no walk.
// The loader's checks never look at it.
inline const QString kWalkMin = QStringLiteral("WalkMin");
// The departure time at `index` (0 .. NumberOfTimes - 1), "hh:mm".
inline QString timeKey(int index) {
    return QStringLiteral("t") + QString::number(index);
}

// A dated line: its data in keys of the line's own section beside the plain
// ones, which the loader never reads (every name begins with kDatedPrefix).
// A value longer than a read gives back goes on in numbered keys: DatedDays,
// DatedDays2, DatedDays3, …
inline const QString kDatedPrefix = QStringLiteral("Dated");
inline const QString kDatedFrom = QStringLiteral("DatedFrom");       // the period's first date
inline const QString kDatedWritten = QStringLiteral("DatedWritten"); // id of the list in the t keys
inline const QString kDatedDays = QStringLiteral("DatedDays"); // one list id per date, by weeks
inline const QString kDatedList = QStringLiteral("DatedList"); // + an id: one distinct list
inline const QString kDatedFeed = QStringLiteral("DatedFeed"); // the feed's path
inline const QString kDatedFeedTime = QStringLiteral("DatedFeedTime");   // its time when read, UTC
inline const QString kDatedStop = QStringLiteral("DatedStop");           // stop id
inline const QString kDatedRoute = QStringLiteral("DatedRoute");         // route id
inline const QString kDatedDirection = QStringLiteral("DatedDirection"); // headsign or id
inline const QString kDatedTo = QStringLiteral("DatedTo");               // a destination's stop id
inline const QString kDatedRoutes = QStringLiteral("DatedRoutes");       // the routes named for it
// A line of several lines (dated or not): their names, and the line of each
// departure, one id per departure: of a dated list (+ the list's id), or of
// the t keys of a line of one date, whose times DatedTimes repeats.
inline const QString kDatedLines = QStringLiteral("DatedLines");
inline const QString kDatedOf = QStringLiteral("DatedOf");
inline const QString kDatedTimes = QStringLiteral("DatedTimes");
inline const QString kDatedTimesOf = QStringLiteral("DatedTimesOf");
// A line's live departures (GTFS-Realtime trip updates), which the loader
// never reads: the address (http or https) and its access key, sent as the
// X-Access-Token header and stored here in plain text.
inline const QString kLiveUrl = QStringLiteral("LiveUrl");
inline const QString kLiveToken = QStringLiteral("LiveToken");
// Part `chunk` (from 1) of a long value of `key`.
inline QString chunkKey(const QString& key, int chunk) {
    return chunk == 1 ? key : key + QString::number(chunk);
}

// Values the program writes.
inline const QString kOn = QStringLiteral("ON");
inline const QString kOff = QStringLiteral("OFF");

// Limits.
// A read gives back at most kReadBufferSize - 1 (699) characters: a longer
// line number would not find its own section again.
inline constexpr int kReadBufferSize = ::kvapomer::kReadBufferSize;
// The most departure times a line can hold (its count is a 16-bit number).
inline constexpr int kMaxTimes = 32767;
// The longest walk to the stop, in minutes.
inline constexpr int kMaxWalkMin = 120;
// Section names a line cannot take.
inline bool isFixedSection(const QString& name) {
    return name.compare(kMain, Qt::CaseInsensitive) == 0 ||
           name.compare(kSet, Qt::CaseInsensitive) == 0;
}

} // namespace kvapomer::keys
