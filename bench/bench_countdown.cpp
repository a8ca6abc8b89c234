// One clock tick of the countdown logic: next departures, remaining time and
// the alert step, over timetables of various lengths.

#include "countdown/alert.h"
#include "countdown/countdown_tick.h"
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

// The whole tick the window paints, without a walk to the stop (0) and with
// one (7 minutes): the second argument.
void BM_WholeTick(benchmark::State& state) {
    kvapomer::Timetable line;
    line.Bus = QStringLiteral("150");
    line.Times = spreadOverTheDay(static_cast<int>(state.range(0)));
    line.LastIndex = static_cast<std::int16_t>(line.Times.size() - 1);
    line.WalkMin = static_cast<int>(state.range(1));
    kvapomer::AlertSettings settings;
    settings.RedAlertMin = 5;
    settings.BlinkAlertM = 1;
    settings.BlinkAlert = 30;
    kvapomer::CountdownState carried;
    int second = 0;
    for (auto _ : state) {
        const kvapomer::ClockSample now{12, 30 + second / 60, second % 60};
        second = (second + 1) % 1200;
        kvapomer::TickView view = kvapomer::countdownTick(now, line, settings, false, carried);
        carried = std::move(view.state);
        benchmark::DoNotOptimize(view);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_WholeTick)
    ->Args({1440, 0})
    ->Args({1440, 7})
    ->Args({32767, 0})
    ->Args({32767, 7})
    ->Unit(benchmark::kMicrosecond);

} // namespace
