#pragma once
// Where the day's scheduled calls at the stop come from: the window (over the
// child's standard input) or, in the child, the line's own feed. A source
// over the GTFS feed implements this beside the import's reading.

#include "live/matcher.h"
#include "profile/result.h"

#include <QDate>

#include <vector>

namespace kvapomer::live {

class ScheduledCallSource {
public:
    virtual ~ScheduledCallSource() = default;
    // The calls of the service days `today` and the day before (whose trips
    // after midnight leave today), at the line's stop, of its routes.
    virtual Result<std::vector<ScheduledCall>> callsFor(QDate today) = 0;
    // The feed's agency_timezone (IANA id).
    virtual QByteArray timeZone() const = 0;
};

// A fixed list, as the window sends it.
class FixedCallSource final : public ScheduledCallSource {
public:
    FixedCallSource(std::vector<ScheduledCall> calls, QByteArray zone)
        : calls_(std::move(calls)), zone_(std::move(zone)) {}
    Result<std::vector<ScheduledCall>> callsFor(QDate) override { return calls_; }
    QByteArray timeZone() const override { return zone_; }

private:
    std::vector<ScheduledCall> calls_;
    QByteArray zone_;
};

} // namespace kvapomer::live
