// The stop search as one keystroke runs it, on a generated list of 50 000
// stops (12 500 stations with three platforms each) whose names carry Czech,
// Polish and German diacritics; the import window's list of places for one
// keystroke; and building the index once for the feed.

#include "gtfs_import/queries/stop_search.h"
#include "gtfs_import/window/import_session.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using kvapomer::gtfs::Stop;
using kvapomer::gtfs::StopIndex;

std::vector<Stop> generatedStops() {
    const char* const first[] = {"Kačerov",   "Spořilov", "Náměstí",  "Želivského", "Sídliště",
                                 "Nádraží",   "Hůrka",    "Újezd",    "Łódź",       "Schloßstraße",
                                 "Dvůr",      "Kolonie",  "Třebešín", "Ďáblice",    "Čakovice",
                                 "Ořechovka", "Radlická", "Zličín",   "Můstek",     "Vltavská"};
    const char* const second[] = {"Horní",   "Dolní",   "Nové",  "Staré", "u Školy",
                                  "náměstí", "sever",   "jih",   "Malá",  "Velká",
                                  "Kostel",  "Hřbitov", "Pošta", "Mlýn",  "Zámek"};
    std::vector<Stop> stops;
    stops.reserve(50000);
    for (int i = 0; i < 12500; ++i) {
        const std::string name = std::string(first[i % 20]) + ' ' + second[(i / 20) % 15] + ' ' +
                                 std::to_string(i / 300);
        std::string id(1, 'S');
        id += std::to_string(i);
        stops.push_back(Stop{id, name, "", "", true, 1, ""});
        for (const char* code : {"A", "B", "C"}) {
            stops.push_back(Stop{id + code, name, id, code, false, 0, ""});
        }
    }
    return stops;
}

void BM_StopSearch(benchmark::State& state, const char* query) {
    const std::vector<Stop> stops = generatedStops();
    const StopIndex index(stops);
    std::size_t found = 0;
    for (auto _ : state) {
        found = index.find(query).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["places"] = static_cast<double>(found);
}
BENCHMARK_CAPTURE(BM_StopSearch, few, "kacerov horni 1")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_StopSearch, some, "sporilov")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_StopSearch, most, "o")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_StopSearch, none, "letnany")->Unit(benchmark::kMicrosecond);

// What the import window does at a keystroke before it fills its list: the
// search and the texts of the rows it shows (at most 200 places).
void BM_PlaceRows(benchmark::State& state, const char* query) {
    const std::vector<Stop> stops = generatedStops();
    const StopIndex index(stops);
    const QString text = QString::fromUtf8(query);
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = kvapomer::gtfs::searchPlaces(index, text).rows.size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK_CAPTURE(BM_PlaceRows, some, "sporilov")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PlaceRows, most, "o")->Unit(benchmark::kMicrosecond);

void BM_StopIndexBuild(benchmark::State& state) {
    const std::vector<Stop> stops = generatedStops();
    for (auto _ : state) {
        const StopIndex index(stops);
        benchmark::DoNotOptimize(index.places().size());
    }
}
BENCHMARK(BM_StopIndexBuild)->Unit(benchmark::kMillisecond);

} // namespace
