// The background check's share of the window's thread: each tick keeps the
// last batch's results, picks the next channels and reads their addresses.
// The probes answer at once here, so a tick costs only what the window pays.
// KW_BACKGROUND_CHANNELS sets the catalogue's size (200,000 by default), half
// of it checked long ago.

#include "BenchSupport.h"
#include "core/browser/ChannelBrowser.h"
#include "core/health/BackgroundCheck.h"
#include "core/health/ChannelHealth.h"
#include "core/settings/SettingsFile.h"
#include "support/FakeProbe.h"
#include "support/SilentUi.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

using namespace kw;

void BM_BackgroundTick(benchmark::State& state) {
    const std::size_t count = bench::sizeFromEnv("KW_BACKGROUND_CHANNELS", 200'000);
    const std::filesystem::path dir = bench::emptyFolder("kw-bench-background");
    const std::filesystem::path file = dir / ChannelStore::kFileName;
    bench::writeCatalogueDatabase(
        file, count, [](const std::string& name) { return "http://127.0.0.1:9/" + name; }, "MP3");
    auto store = ChannelStore::open(file);
    std::vector<CheckToRecord> old;
    for (const ChannelListing& row : bench::syntheticCatalogue(count / 2))
        old.push_back({row.name, 2, "smooth", 1, 10, 128});
    store->recordChecks(old);

    test::SilentUi ui;
    YieldHook yield;
    SettingsFile settings(dir);
    test::FakeProbe probe;
    ChannelBrowser browser(*store, dir, ui, yield);
    ChannelHealth health(*store, browser, settings, probe, yield);
    std::int64_t ms = 0;
    BackgroundCheck check(*store, health, settings, probe, BackgroundCheckHooks{{}, {}, [&ms] { return ms; }},
                          BackgroundCheck::Threading::Inline);
    double slowest = 0;
    for (auto _ : state) {
        ms += 60'000;  // every tick may start the next channels
        const auto started = std::chrono::steady_clock::now();
        check.tick();
        slowest = std::max(
            slowest,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count());
    }
    state.counters["slowest_tick_ms"] = slowest;
    state.counters["kept"] = static_cast<double>(check.kept());
    state.counters["peak_MB"] = bench::peakMegabytes();
}

BENCHMARK(BM_BackgroundTick)->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
