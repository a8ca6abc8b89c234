#pragma once
// When to ask the live address next: every 30 s while answers come, after a
// failure 30 s, then twice as long each time, at most 5 minutes.

namespace kvapomer::live {

class PollSchedule {
public:
    static constexpr int kIntervalMs = 30 * 1000;
    static constexpr int kMaxBackoffMs = 5 * 60 * 1000;

    // The wait before the next poll after one that succeeded or failed.
    int next(bool succeeded) {
        if (succeeded) {
            failures_ = 0;
            return kIntervalMs;
        }
        ++failures_;
        int wait = kIntervalMs;
        for (int i = 1; i < failures_ && wait < kMaxBackoffMs; ++i) {
            wait *= 2;
        }
        return wait < kMaxBackoffMs ? wait : kMaxBackoffMs;
    }
    int failures() const { return failures_; }

private:
    int failures_ = 0;
};

} // namespace kvapomer::live
