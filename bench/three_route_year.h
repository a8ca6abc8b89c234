#pragma once
// A year of a line of three routes from one station to one destination, as
// a city's feed has it: lines 150, 177 and 9 from two platforms of Hlavní to
// Metro, from the timetable change of 13 December 2026 to 11 December 2027.
// Each route has its own kinds of day (workdays in term and in the school
// holidays, Fridays, Saturdays, Sundays and public holidays, Christmas Eve
// and New Year's Eve), its own change of timetable during the year, and
// trips after midnight on Friday and Saturday nights.

#include <QString>

#include <chrono>

namespace kvapomer::bench {

inline constexpr std::chrono::sys_days kYearFirst{std::chrono::year(2026) / 12 / 13};
inline constexpr std::chrono::sys_days kYearLast{std::chrono::year(2027) / 12 / 11};

// Writes the feed's files into the folder `path` (which must exist).
void writeThreeRouteYear(const QString& path);

} // namespace kvapomer::bench
