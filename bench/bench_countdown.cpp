// One clock tick of the countdown logic: next departures, remaining time and
// the alert step, over timetables of various lengths.

#include "countdown/alert.h"
#include "countdown/departures.h"

#include <benchmark/benchmark.h>

namespace {

// `count` departure times spread evenly over the day, in ascending order.
QStringList spreadOverTheDay(int count) {
    QStringList times;
    times.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int minuteOfDay = static_cast<int>(static_cast<long long>(i) * 1440 / count);
        times.append(kvapomer::Nula(static_cast<std::int16_t>(minuteOfDay / 60)) + u':' +
                     kvapomer::Nula(static_cast<std::int16_t>(minuteOfDay % 60)));
    }
    return times;
}

void BM_CountdownTick(benchmark::State& state) {
    const QStringList times = spreadOverTheDay(static_cast<int>(state.range(0)));
    kvapomer::AlertSettings settings;
    settings.RedAlertMin = 5;
    settings.BlinkAlertM = 1;
    settings.BlinkAlert = 30;
    bool soundArmed = true;
    int second = 0;
    for (auto _ : state) {
        const kvapomer::ClockSample now{12, 30, second};
        second = (second + 1) % 60;
        const kvapomer::NextDepartures next = kvapomer::UpdateNextDepartures(times, now);
        const kvapomer::Remaining left = kvapomer::rozdil(next.slots[0], now);
        if (left.any) {
            const kvapomer::AlertActions actions =
                kvapomer::alertStep(left, true, settings, soundArmed, false);
            benchmark::DoNotOptimize(actions);
        }
        benchmark::DoNotOptimize(next);
        benchmark::DoNotOptimize(left);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_CountdownTick)->Arg(1440)->Arg(32767)->Unit(benchmark::kMicrosecond);

} // namespace
