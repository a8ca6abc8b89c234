// The feed reader over any feed: it never crashes, throws nothing but its own
// errors, keeps to its limits, and every departure it gives is a time of the
// day as the program stores it ("hh:mm", sorted, each once).
//
// The input is a feed in one text: a first line of parameters, then each file
// after a line "=== NAME" (LF or CRLF). The parameters are the sizes of the chunks the
// files are pushed in (cycled; "1,7,300"), the service date ("2026-12-10")
// and a text to look stops and routes up by; any of them may be missing.

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/queries/feed.h"
#include "gtfs_import/queries/stop_lines.h"
#include "gtfs_import/queries/stop_search.h"

#include <charconv>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Last: its check() macro would clash with Qt's headers.
#include "fuzz_check.h"

namespace {

using namespace kvapomer::gtfs;

struct Input {
    std::vector<std::size_t> chunks{1 << 16};
    std::chrono::year_month_day date{std::chrono::year(2026), std::chrono::December,
                                     std::chrono::day(10)};
    std::string text;
    std::map<std::string, std::string, std::less<>> files;
};

std::string_view token(std::string_view& line) {
    const std::size_t end = std::min(line.find(' '), line.size());
    const std::string_view t = line.substr(0, end);
    line.remove_prefix(std::min(end + 1, line.size()));
    return t;
}

Input parse(std::string_view data) {
    Input in;
    const std::string_view marker = "=== ";
    std::size_t at = data.starts_with(marker) ? 0 : data.find("\n=== ");
    std::string_view line = data.substr(0, std::min(data.find('\n'), at));
    if (line.ends_with('\r')) {
        line.remove_suffix(1); // marker lines may end in CRLF like the files
    }
    std::vector<std::size_t> chunks;
    for (std::string_view list = token(line); !list.empty();) {
        std::size_t size = 0;
        const auto [end, ec] = std::from_chars(list.data(), list.data() + list.size(), size);
        if (ec == std::errc() && size > 0) {
            chunks.push_back(size);
        }
        list.remove_prefix(std::min(static_cast<std::size_t>(end - list.data()) + 1, list.size()));
    }
    if (!chunks.empty()) {
        in.chunks = std::move(chunks);
    }
    const std::string_view date = token(line);
    unsigned y = 0, m = 0, d = 0;
    if (date.size() == 10 && std::from_chars(date.data(), date.data() + 4, y).ec == std::errc() &&
        std::from_chars(date.data() + 5, date.data() + 7, m).ec == std::errc() &&
        std::from_chars(date.data() + 8, date.data() + 10, d).ec == std::errc()) {
        const std::chrono::year_month_day day{std::chrono::year(static_cast<int>(y)),
                                              std::chrono::month(m), std::chrono::day(d)};
        if (day.ok()) {
            in.date = day;
        }
    }
    in.text = line;
    while (at != std::string_view::npos) {
        at += data[at] == '\n' ? 1 : 0;
        const std::size_t nameEnd = std::min(data.find('\n', at), data.size());
        std::string name(data.substr(at + marker.size(), nameEnd - at - marker.size()));
        if (name.ends_with('\r')) {
            name.pop_back();
        }
        const std::size_t next = data.find("\n=== ", nameEnd);
        const std::size_t begin = std::min(nameEnd + 1, data.size());
        in.files[name] = data.substr(begin, next == std::string_view::npos ? std::string_view::npos
                                                                           : next + 1 - begin);
        at = next;
    }
    return in;
}

// The files held in memory, pushed in the input's chunk sizes.
class MemorySource : public FeedSource {
public:
    explicit MemorySource(Input input) : input_(std::move(input)) {}

    bool contains(const std::string& name) const override { return input_.files.contains(name); }

    void read(const std::string& name, const ChunkHandler& onChunk) const override {
        const auto it = input_.files.find(name);
        if (it == input_.files.end()) {
            throw FeedError(Problem::BadFeed, "V jízdním řádu chybí soubor " + name + ".");
        }
        std::string_view rest = it->second;
        std::uint64_t total = 0;
        for (std::size_t i = 0; !rest.empty(); ++i) {
            const std::string_view chunk = rest.substr(0, input_.chunks[i % input_.chunks.size()]);
            rest.remove_prefix(chunk.size());
            countRead(name, total, chunk.size());
            onChunk(chunk);
        }
    }

private:
    Input input_;
};

// A question that may fail as the feed's error, and only so.
template <typename Question> void ask(Question&& question) {
    try {
        question();
    } catch (const FeedError& e) {
        check(e.what()[0] != '\0');
    }
}

void checkTimes(const std::vector<std::string>& times) {
    check(!times.empty());
    for (std::size_t i = 0; i < times.size(); ++i) {
        const std::string& t = times[i];
        check(t.size() == 5 && t[2] == ':');
        for (const std::size_t digit : {0, 1, 3, 4}) {
            check(t[digit] >= '0' && t[digit] <= '9');
        }
        check(t.substr(0, 2) < "24" && t[3] < '6');
        check(i == 0 || times[i - 1] < t);
    }
}

// Every question about one route at one stop; each that gives times has
// them checked.
void askAboutRoute(const Feed& feed, const StopPlace& stop, const Route& route, const Input& in) {
    std::vector<Direction> directions;
    ask([&] { directions = feed.directionsAt(stop, route); });
    std::vector<std::string> choices{"", in.text};
    for (std::size_t i = 0; i < directions.size() && i < 3; ++i) {
        choices.push_back(directions[i].headsign);
        choices.push_back(directions[i].id);
    }
    for (const std::string& direction : choices) {
        ask([&] { checkTimes(feed.departures(stop, route, direction, in.date).times); });
    }
    // Every date of a short period: each day's list within the day, sorted,
    // once each, and the day's list one of those kept.
    ask([&] {
        const DatedDepartures dated =
            feed.datedDepartures(stop, route, "", std::chrono::sys_days(in.date), 40);
        check(dated.days.size() <= 40);
        for (const std::uint16_t list : dated.days) {
            check(list < dated.lists.size());
        }
        for (const std::vector<int>& list : dated.lists) {
            for (std::size_t i = 0; i < list.size(); ++i) {
                check(list[i] >= 0 && list[i] < 24 * 60 && (i == 0 || list[i - 1] < list[i]));
            }
        }
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Input in = parse(std::string_view(reinterpret_cast<const char*>(data), size));
    std::unique_ptr<Feed> feed;
    ask([&] { feed = std::make_unique<Feed>(std::make_unique<MemorySource>(in)); });
    if (!feed) {
        return 0;
    }
    const StopIndex index(feed->stops());
    for (const StopPlace* p : index.find(in.text)) {
        check(p->stop != nullptr);
    }
    ask([&] { feed->findStop(in.text); });
    ask([&] { feed->findRoute(in.text); });
    // The first few stops and routes there: each question streams the feed.
    std::vector<const Stop*> stops;
    for (const StopPlace& p : index.places()) {
        stops.push_back(p.stop);
        stops.insert(stops.end(), p.platforms.begin(), p.platforms.end());
    }
    for (std::size_t i = 0; i < stops.size() && i < 3; ++i) {
        ask([&] {
            const StopPlace stop = feed->findStop(stops[i]->id);
            check(!callingStopIds(stop).empty());
            const std::vector<Route> routes = routesLeaving(*feed, stop);
            for (std::size_t r = 0; r < routes.size() && r < 3; ++r) {
                askAboutRoute(*feed, stop, routes[r], in);
            }
        });
    }
    return 0;
}
