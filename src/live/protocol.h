#pragma once
// The lines between the window and its kvapomer-live child, one message a
// line, fields separated by a tab (no checked text holds one).
//
// The window writes to the child's standard input:
//   token<TAB>TOKEN                       the access key (never on the command line)
//   timezone<TAB>IANA-ID                  the feed's agency_timezone
//   call<TAB>YYYYMMDD<TAB>SEQ<TAB>SECONDS<TAB>TRIP<TAB>ROUTE<TAB>STOP
//   calls end                             the calls above replace the earlier ones
//
// The child writes to its standard output, after every poll (and again every
// 30 s while it waits after a failure), one batch:
//   departure<TAB>YYYYMMDD<TAB>SEQ<TAB>SCHEDULED<TAB>STATE<TAB>EXPECTED<TAB>TRIP<TAB>ROUTE
//   stamp<TAB>SECONDS-SINCE-1970          optional: the data's time
//   live at hh:mm:ss                      or
//   no data: <Czech reason>
// STATE is expected, timetable, skipped or cancelled; the status line ends the batch.

#include "live/matcher.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace kvapomer::live {

inline constexpr int kMaxProtocolLine = 2048;
inline constexpr int kMaxBatchDepartures = 20000;
inline constexpr int kMaxReasonChars = 200;
// Seconds of a service day a time may have (GTFS times pass 24:00:00).
inline constexpr int kMaxServiceSeconds = 4 * 24 * 3600;

// One batch as the window takes it.
struct LiveSnapshot {
    bool live = false;
    QString liveAt;              // "hh:mm:ss" when live
    QString reason;              // Czech, when not live
    std::optional<qint64> stamp; // the data's time, seconds since 1970-01-01 UTC
    std::vector<ExpectedDeparture> departures;
    bool operator==(const LiveSnapshot&) const = default;
};

// The child's side.
QByteArray departureLine(const ExpectedDeparture& departure);
QByteArray stampLine(qint64 stamp);
QByteArray liveLine(const QString& hhmmss);
QByteArray noDataLine(const QString& reason);
QByteArray formatBatch(const LiveSnapshot& snapshot);

// The window's side.
QByteArray tokenLine(const QByteArray& token);
QByteArray timeZoneLine(const QByteArray& ianaId);
QByteArray callsBlock(const std::vector<ScheduledCall>& calls);

// Splits a stream into lines; refuses an overlong one.
class LineSplitter {
public:
    // False once a line was longer than kMaxProtocolLine (the stream is then useless).
    bool feed(const QByteArray& bytes, std::vector<QByteArray>& lines);

private:
    QByteArray pending_;
    bool broken_ = false;
};

// Reads the child's output; any line that is not as above makes it refuse
// the rest of the stream (the child is then restarted).
class ChildOutputParser {
public:
    // Adds complete batches to `batches`. False on nonsense.
    bool feed(const QByteArray& bytes, std::vector<LiveSnapshot>& batches);
    bool broken() const { return broken_; }

private:
    bool line(const QByteArray& text, std::vector<LiveSnapshot>& batches);
    LineSplitter splitter_;
    LiveSnapshot current_;
    bool broken_ = false;
};

// What the window told the child so far.
struct ChildInput {
    std::optional<QByteArray> token;
    std::optional<QByteArray> timeZone;
    std::optional<std::vector<ScheduledCall>> calls; // the last complete block
};

// Reads the window's lines in the child; nonsense lines are refused (false).
class ChildInputParser {
public:
    bool feed(const QByteArray& bytes, ChildInput& input);

private:
    bool line(const QByteArray& text, ChildInput& input);
    LineSplitter splitter_;
    std::vector<ScheduledCall> pending_;
};

} // namespace kvapomer::live
