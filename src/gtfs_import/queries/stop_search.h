#pragma once
// Finding the places where one can board by a part of their name, typed the
// way people type it: without regard to case or diacritics ("kacerov" finds
// "Kačerov", "sporilov" finds "Spořilov"). A place is a station with its
// platforms, or a stop that belongs to no station; entrances, generic nodes
// and boarding areas are never places. The names are folded once when the
// index is built, so a query only scans short folded texts.

#include "gtfs_import/queries/feed.h"

#include <string>
#include <string_view>
#include <vector>

namespace kvapomer::gtfs {

// `text` (UTF-8) folded for matching: letters in lower case without their
// diacritics (Latin letters to their base letters, "ß" to "ss", "ł" to "l",
// "æ" to "ae"), letters of other scripts case-folded, digits kept, and every
// run of other characters one space, none at either end. Invalid UTF-8 bytes
// count as other characters.
std::string foldForSearch(std::string_view text);

// Whether one can board there: a stop or platform (location_type empty or 0)
// or a station (1).
bool isBoardable(const Stop& stop);

class StopIndex {
public:
    // `stops` must outlive the index and stay unchanged.
    explicit StopIndex(const std::vector<Stop>& stops);
    StopIndex(const StopIndex&) = delete;
    StopIndex& operator=(const StopIndex&) = delete;

    // The places whose name or one of whose platforms' names contains every
    // word of `text`, folded: first those whose name starts with the folded
    // text, then those where it starts a word, then the rest, each group by
    // folded name. An empty text finds every place.
    std::vector<const StopPlace*> find(std::string_view text) const;

    // The places named `name`: by the name as written without regard to
    // case when any place is, otherwise by the folded name.
    std::vector<const StopPlace*> named(std::string_view name) const;

    // Every place, by folded name.
    const std::vector<StopPlace>& places() const { return places_; }

    // The place a boardable stop belongs to: a platform's station, or itself.
    const StopPlace* placeOf(const Stop& stop) const;

private:
    std::vector<StopPlace> places_;
    std::vector<std::string> folded_;      // per place: its names folded, '\n' between them
    std::vector<std::size_t> placeOfStop_; // per stop of the feed; npos for none
    const Stop* firstStop_ = nullptr;
};

} // namespace kvapomer::gtfs
