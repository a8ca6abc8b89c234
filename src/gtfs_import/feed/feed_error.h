#pragma once
// What can go wrong while reading a feed or answering a question about it.
// Every message is one Czech line for the user.

#include <stdexcept>
#include <string>

namespace kvapomer::gtfs {

enum class Problem {
    BadFeed,      // a file is missing, damaged or does not follow the format
    NotFound,     // no stop, route or direction of that name or id
    Ambiguous,    // the name fits several; the message lists them
    NoDepartures, // nothing departs there on that date
};

// What the user reads when reading the feed failed in a way no check foresaw:
// memory ran out, or anything else.
inline constexpr const char* kOutOfMemoryMessage = "Na zpracování jízdního řádu nestačí paměť.";
inline constexpr const char* kUnexpectedMessage =
    "Jízdní řád nelze zpracovat pro neočekávanou chybu.";

class FeedError : public std::runtime_error {
public:
    FeedError(Problem problem, const std::string& message)
        : std::runtime_error(message), problem_(problem) {}
    Problem problem() const { return problem_; }

private:
    Problem problem_;
};

} // namespace kvapomer::gtfs
