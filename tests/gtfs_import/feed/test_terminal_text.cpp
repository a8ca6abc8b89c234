// Text on its way to the terminal: what a terminal would act on is shown as
// a symbol instead, text is cut at a character, and a note taken from a feed
// keeps its words without its controls.

#include "gtfs_import/feed/terminal_text.h"

#include <gtest/gtest.h>

namespace kvapomer::gtfs {
namespace {

TEST(TerminalText, ShowsControlsAndBrokenBytesAsSymbols) {
    const struct {
        const char* name;
        std::string text;
        std::string shown;
    } cases[] = {
        {"Czech text stays", "Kačerov, sídliště → 𝄞", "Kačerov, sídliště → 𝄞"},
        {"escape sequence retitling the terminal",
         "a\x1b]0;T\x07"
         "b",
         "a␛]0;T␇b"},
        {"tab, line ends, NUL", std::string("a\tb\r\nc\0d", 8), "a␉b␍␊c␀d"},
        {"DEL and the C1 controls",
         "a\x7f"
         "b\xc2\x85"
         "c\xc2\x9b"
         "d",
         "a␡b\uFFFDc\uFFFDd"},
        {"bidirectional controls and separators",
         "\xe2\x80\xae"
         "x\xe2\x81\xa6"
         "y\xe2\x81\xa9\xd8\x9c\xe2\x80\x8f\xe2\x80\xa8"
         "z",
         "\uFFFDx\uFFFDy\uFFFD\uFFFD\uFFFD\uFFFDz"},
        {"stray and truncated sequences",
         "a\xff"
         "b\xc3"
         "c\xe2\x82",
         "a\uFFFDb\uFFFDc\uFFFD"},
        {"overlong form and surrogate",
         "\xc0\xaf"
         "x\xed\xa0\x80",
         "\uFFFD\uFFFDx\uFFFD\uFFFD\uFFFD"},
        {"past U+10FFFF", "\xf4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(printable(c.text), c.shown) << c.name;
    }
}

TEST(TerminalText, CutsAtACharacter) {
    EXPECT_EQ(shortened("Kačerov", 7), "Kačerov");
    EXPECT_EQ(shortened("Kačerov", 3), "Kač…");
    EXPECT_EQ(shortened("ab\xe2\x82"
                        "cd",
                        3),
              "ab\xe2\x82…"); // a broken sequence is one
    EXPECT_EQ(shortened("", 0), "");
}

TEST(TerminalText, NoteFromAFeedKeepsItsWords) {
    EXPECT_EQ(withoutControls("Kačerov\r\nMetro"), "Kačerov Metro");
    EXPECT_EQ(withoutControls("\tKačerov \n\x1b[31m"
                              "Metro\xe2\x80\xae\n"),
              "Kačerov [31mMetro");
    EXPECT_EQ(withoutControls("a\x7f"
                              "b\xc2\x9b"
                              "c\xff"),
              "abc\uFFFD");
}

} // namespace
} // namespace kvapomer::gtfs
