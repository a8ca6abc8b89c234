#include "three_route_year.h"

#include <QFile>

#include <cstdio>

#include <array>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kvapomer::bench {

namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::weekday;
using std::chrono::year_month_day;

sys_days date(int y, unsigned m, unsigned d) {
    return sys_days(std::chrono::year(y) / m / d);
}

bool publicHoliday(sys_days d) {
    static const std::set<sys_days> holidays{
        date(2026, 12, 24), date(2026, 12, 25), date(2026, 12, 26), date(2027, 1, 1),
        date(2027, 3, 26),  date(2027, 3, 29),  date(2027, 5, 1),   date(2027, 5, 8),
        date(2027, 7, 5),   date(2027, 7, 6),   date(2027, 9, 28),  date(2027, 10, 28),
        date(2027, 11, 17)};
    return holidays.contains(d);
}

bool schoolHoliday(sys_days d) {
    const auto in = [&](sys_days a, sys_days b) { return a <= d && d <= b; };
    return in(date(2026, 12, 23), date(2027, 1, 3)) || d == date(2027, 1, 29) ||
           in(date(2027, 2, 8), date(2027, 2, 14)) || d == date(2027, 3, 25) ||
           in(date(2027, 7, 1), date(2027, 8, 31)) || in(date(2027, 10, 27), date(2027, 10, 29));
}

// The departures of a kind of day: every `headway` minutes from `from` until
// before `to`, in minutes of the service day (past 24:00 after midnight).
struct Run {
    int from, to, headway;
};
std::vector<int> minutesOf(const std::vector<Run>& runs, int shift = 0) {
    std::vector<int> result;
    for (const Run& r : runs) {
        for (int m = r.from; m < r.to; m += r.headway) {
            result.push_back(m + shift);
        }
    }
    return result;
}

struct Route {
    std::string id, number, platform;
    std::map<std::string, std::vector<int>> services; // service id -> its minutes
    // The services that run on a date.
    std::function<std::vector<std::string>(sys_days)> on;
};

std::vector<Route> routes() {
    const auto weekdayOf = [](sys_days d) { return weekday(d).c_encoding(); }; // 0 Sunday
    const auto eve = [](sys_days d) {
        const year_month_day ymd(d);
        return ymd.month() == std::chrono::December &&
               (ymd.day() == std::chrono::day(24) || ymd.day() == std::chrono::day(31));
    };
    std::vector<Route> result;

    // 150, the main line: Fridays and Saturdays run past midnight; its
    // timetable changes for the summer.
    Route r150{"R150", "150", "HL_A", {}, {}};
    const std::vector<Run> w{
        {300, 360, 15}, {360, 540, 8}, {540, 840, 10}, {840, 1080, 8}, {1080, 1410, 15}};
    const std::vector<Run> f{
        {300, 360, 15}, {360, 540, 8}, {540, 840, 10}, {840, 1080, 8}, {1080, 1470, 15}};
    for (const auto& [suffix, shift] : {std::pair{"", 0}, std::pair{"L", 2}}) {
        const std::string s(suffix);
        r150.services["150W" + s] = minutesOf(w, shift);
        r150.services["150F" + s] = minutesOf(f, shift);
        r150.services["150P" + s] = minutesOf({{300, 1410, 12}}, shift);
        r150.services["150S" + s] = minutesOf({{330, 1470, 15}}, shift);
        r150.services["150N" + s] = minutesOf({{360, 1410, 20}}, shift);
    }
    r150.services["150X"] = minutesOf({{330, 1200, 20}});
    r150.on = [=](sys_days d) -> std::vector<std::string> {
        const std::string s = d >= date(2027, 6, 26) ? "L" : "";
        const unsigned wd = weekdayOf(d);
        if (eve(d)) {
            return {"150X"};
        }
        if (publicHoliday(d) || wd == 0) {
            return {"150N" + s};
        }
        if (wd == 6) {
            return {"150S" + s};
        }
        if (schoolHoliday(d)) {
            return {"150P" + s};
        }
        return {(wd == 5 ? "150F" : "150W") + s};
    };
    result.push_back(r150);

    // 177: workdays in term and in the holidays; its timetable changes with
    // the new school year.
    Route r177{"R177", "177", "HL_B", {}, {}};
    for (const auto& [suffix, shift] : {std::pair{"", 0}, std::pair{"Z", 1}}) {
        const std::string s(suffix);
        r177.services["177W" + s] =
            minutesOf({{290, 420, 12}, {420, 1080, 6}, {1080, 1380, 12}}, shift);
        r177.services["177P" + s] = minutesOf({{300, 1380, 15}}, shift);
    }
    r177.services["177S"] = minutesOf({{320, 1380, 20}});
    r177.services["177N"] = minutesOf({{340, 1380, 30}});
    r177.on = [=](sys_days d) -> std::vector<std::string> {
        const std::string s = d >= date(2027, 9, 1) ? "Z" : "";
        const unsigned wd = weekdayOf(d);
        if (publicHoliday(d) || wd == 0) {
            return {"177N"};
        }
        if (wd == 6) {
            return {"177S"};
        }
        return {(schoolHoliday(d) ? "177P" : "177W") + s};
    };
    result.push_back(r177);

    // 9, a suburban line: workdays and weekends, two night trips on Friday and
    // Saturday nights; its timetable changes in March.
    Route r9{"R9", "9", "HL_A", {}, {}};
    r9.services["9X"] = minutesOf({{300, 1320, 30}});
    r9.services["9XM"] = minutesOf({{300, 1320, 30}}, 3);
    r9.services["9V"] = minutesOf({{420, 1320, 60}});
    r9.services["9NIGHT"] = {1470, 1530};
    r9.on = [=](sys_days d) -> std::vector<std::string> {
        const unsigned wd = weekdayOf(d);
        std::vector<std::string> on{
            publicHoliday(d) || wd == 0 || wd == 6 ? "9V" : (d >= date(2027, 3, 1) ? "9XM" : "9X")};
        if (wd == 5 || wd == 6) {
            on.push_back("9NIGHT");
        }
        return on;
    };
    result.push_back(r9);
    return result;
}

std::string clock(int minute) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:00", minute / 60, minute % 60);
    return buffer;
}

std::string ymd(sys_days d) {
    const year_month_day x(d);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d%02u%02u", static_cast<int>(x.year()),
                  static_cast<unsigned>(x.month()), static_cast<unsigned>(x.day()));
    return buffer;
}

void write(const QString& path, const std::string& text) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text.data(), static_cast<qint64>(text.size()));
}

} // namespace

void writeThreeRouteYear(const QString& path) {
    write(path + "/agency.txt", "agency_id,agency_name,agency_url,agency_timezone\n"
                                "A,Městská doprava,https://example.org,Europe/Prague\n");
    write(path + "/stops.txt", "stop_id,stop_name,location_type,parent_station,platform_code\n"
                               "HL,Hlavní,1,,\nHL_A,Hlavní,0,HL,A\nHL_B,Hlavní,0,HL,B\n"
                               "MET,Metro,0,,\n");
    std::string routesText = "route_id,agency_id,route_short_name,route_long_name,route_type\n";
    std::string trips = "route_id,service_id,trip_id,trip_headsign,direction_id\n";
    std::string times = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n";
    std::string dates = "service_id,date,exception_type\n";
    for (const Route& r : routes()) {
        routesText += r.id + ",A," + r.number + ",Hlavní - Metro,3\n";
        for (const auto& [service, minutes] : r.services) {
            int n = 0;
            for (const int m : minutes) {
                const std::string trip = service + "_" + std::to_string(n++);
                trips += r.id + "," + service + "," + trip + ",Metro,0\n";
                times += trip + "," + clock(m) + "," + clock(m) + "," + r.platform + ",1\n";
                times += trip + "," + clock(m + 14) + "," + clock(m + 14) + ",MET,2\n";
            }
        }
        for (sys_days d = kYearFirst; d <= kYearLast; d += days(1)) {
            for (const std::string& service : r.on(d)) {
                dates += service + "," + ymd(d) + ",1\n";
            }
        }
    }
    write(path + "/routes.txt", routesText);
    write(path + "/trips.txt", trips);
    write(path + "/stop_times.txt", times);
    write(path + "/calendar_dates.txt", dates);
}

} // namespace kvapomer::bench
