#pragma once
// Text from a feed or from the command line on its way to a terminal. A feed
// is downloaded from the internet: a stop name may carry escape sequences that
// retitle or clear the terminal, line breaks that split a message, bidirectional
// controls that reorder what is shown, or bytes that are not UTF-8 at all.

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace kvapomer::gtfs {

// `text` as it can be shown: C0 controls (tab and line ends included) as their
// visible symbols (U+2400…U+241F), DEL as U+2421, C1 controls, bidirectional
// controls and line or paragraph separators as U+FFFD, and each malformed
// UTF-8 sequence as one U+FFFD.
std::string printable(std::string_view text);

// At most `characters` characters of `text`, followed by "…" when cut; a
// malformed byte counts as one character and is never split from its
// sequence.
std::string shortened(std::string_view text, std::size_t characters);

// How many characters of a feed's or user's text a message repeats.
inline constexpr std::size_t kEchoCharacters = 80;

// `text` without control or bidirectional control characters, for a value
// taken from a feed into the configuration file: tabs and line breaks become
// one blank between words, the rest is dropped; malformed sequences become
// U+FFFD.
std::string withoutControls(std::string_view text);

// Writes `message` to `err` as one line, whatever the feed's or the user's text
// in it holds.
void say(std::ostream& err, std::string_view message);

// Writes a message of several lines to `err`: a listing whose maker put each
// item on a line of its own; every line is shown safely.
void sayLines(std::ostream& err, std::string_view message);

} // namespace kvapomer::gtfs
