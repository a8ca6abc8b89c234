#pragma once
// UTF-8 one character at a time, for the texts of a feed, which may hold
// anything.

#include <cstddef>
#include <string>
#include <string_view>

namespace kvapomer::gtfs {

inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;

// One character of UTF-8 at `pos` (< text.size()): its code point and
// length, or kInvalidUtf8 with the length of the malformed part (at least
// one byte), as Unicode's "maximal subpart" rule counts it.
struct Utf8Char {
    char32_t code;
    std::size_t length;
};
Utf8Char decodeUtf8(std::string_view text, std::size_t pos);

// Appends `code` (at most U+10FFFF) to `out` in UTF-8.
void appendUtf8(std::string& out, char32_t code);

} // namespace kvapomer::gtfs
