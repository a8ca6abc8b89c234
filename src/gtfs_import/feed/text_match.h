#pragma once
// Comparing names from a feed (UTF-8) with what the user typed, without regard
// to letter case in any script ("KAČEROV" is "Kačerov").

#include <string_view>

namespace kvapomer::gtfs {

bool equalIgnoringCase(std::string_view a, std::string_view b);
bool containsIgnoringCase(std::string_view text, std::string_view part);

} // namespace kvapomer::gtfs
