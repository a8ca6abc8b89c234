#pragma once
// What the import spends on one feed, whatever the feed holds: a downloaded
// file may be built to exhaust memory or time (one field of a gigabyte that
// compresses to a megabyte, millions of rows kept in memory).

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvapomer::gtfs {

struct FeedLimits {
    // One CSV record, its fields and separators; real records are under 1 KB.
    std::size_t recordBytes = std::size_t{64} << 10;
    // One file of the feed as read (unpacked). A national stop_times.txt of
    // 15 million rows is about 1 GB; the limit bounds the time a read takes.
    std::uint64_t fileBytes = std::uint64_t{8} << 30;
    // What the process holds on its heap while reading: the stops, routes and
    // trips the questions keep. Past it the feed is refused, so that the
    // import stays under 200 MB whatever it reads.
    std::size_t heapBytes = std::size_t{96} << 20;
};

// Bytes the process has allocated and not freed.
std::size_t heapInUse();

// A size for messages: "64 KiB", "8 GiB", "96 MiB".
std::string sizeText(std::uint64_t bytes);

} // namespace kvapomer::gtfs
