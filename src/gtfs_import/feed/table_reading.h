#pragma once
// What the readers of a feed's tables share: maps keyed by the feed's ids that
// are looked up by a view, numbers read exactly, and the message for a field
// that breaks the format.

#include "gtfs_import/feed/csv_table.h"
#include "gtfs_import/feed/feed_source.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kvapomer::gtfs {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>{}(text);
    }
};
template <typename Value>
using TextMap = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;
using TextSet = std::unordered_set<std::string, TextHash, std::equal_to<>>;

// A name as a message repeats it: the user's or the feed's text, cut short
// and safe to show (no line break or control of its own).
std::string shown(std::string_view text);

// A text as a message repeats it, between Czech quotation marks.
std::string quoted(std::string_view text);

// What a message lists: the first few items, then how many there are in all.
template <typename Items, typename Describe>
std::string listed(const Items& items, Describe describe) {
    constexpr std::size_t kListed = 10;
    std::string list;
    std::size_t n = 0;
    for (const auto& item : items) {
        if (n == kListed) {
            return list + " a další, celkem " + std::to_string(items.size());
        }
        list += (n++ == 0 ? "" : ", ") + describe(item);
    }
    return list;
}

// A whole decimal int; nothing for any other text.
std::optional<int> parseNumber(std::string_view text);

// Throws FeedError BadFeed: the row of `file` has an invalid `what`.
[[noreturn]] void badRow(const std::string& file, const TableRow& row, const std::string& what,
                         std::string_view value);
// The same for the record `rowNumber` (TableRow::number) of a row read earlier.
[[noreturn]] void badRow(const std::string& file, long rowNumber, const std::string& what,
                         std::string_view value);

// Streams the table `name` of `source` through `onRow`. Throws FeedError.
void readTable(const FeedSource& source, const std::string& name, std::vector<Column> columns,
               const CsvTable::RowHandler& onRow);

} // namespace kvapomer::gtfs
