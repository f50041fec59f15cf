// Playlist import and export on large lists and catalogues. Sizes come from
// the environment: KW_BENCH_CHANNELS (channels already stored, default
// 200,000) and KW_BENCH_ENTRIES (entries in the imported list, default
// 100,000; 1000000 gives the million-entry figures).
#include "BenchSupport.h"
#include "SyntheticCatalogue.h"
#include "core/base/YieldHook.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/PlaylistExchange.h"
#include "core/store/ChannelStore.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using kw::bench::SilentUi;
using kw::bench::sizeFromEnv;

const std::size_t kChannels = sizeFromEnv("KW_BENCH_CHANNELS", 200'000);
const std::size_t kEntries = sizeFromEnv("KW_BENCH_ENTRIES", 100'000);

fs::path benchDir() {
    static const fs::path dir = kw::bench::emptyFolder("kw-bench-playlists");
    return dir;
}

const fs::path& baseDatabase() {
    static const fs::path file = [] {
        const fs::path made = benchDir() / "base.dll";
        kw::bench::writeCatalogueDatabase(
            made, kChannels, [](const std::string& name) { return "http://media.example/" + name + ".m3u8"; },
            "HLS");
        return made;
    }();
    return file;
}

// An IPTV-style list: attributes, quoted commas, groups; every tenth title
// is a name the catalogue already holds, so renaming is part of the work.
const fs::path& playlist() {
    static const fs::path file = [] {
        const auto stored = kw::bench::syntheticCatalogue(kChannels);
        const fs::path made = benchDir() / "list.m3u8";
        std::ofstream out(made, std::ios::binary);
        out << "#EXTM3U\n";
        for (std::size_t i = 0; i < kEntries; ++i) {
            const std::string title =
                i % 10 == 0 && !stored.empty() ? stored[i % stored.size()].name : "频道 " + std::to_string(i);
            out << "#EXTINF:-1 tvg-id=\"c" << i << "\" tvg-language=\"Chinese\" group-title=\"新闻, 综合\","
                << title << "\nhttp://live.example/" << i << "/index.m3u8\n";
        }
        return made;
    }();
    return file;
}

struct Catalogue {
    explicit Catalogue(const fs::path& dir)
        : store(kw::ChannelStore::open(dir / kw::ChannelStore::kFileName)),
          browser(*store, dir, ui, yield),
          exchange(*store, browser, ui, yield, dir),
          playlists(exchange, *store, ui, yield) {}

    SilentUi ui;
    kw::YieldHook yield;
    std::unique_ptr<kw::ChannelStore> store;
    kw::ChannelBrowser browser;
    kw::ChannelExchange exchange;
    kw::PlaylistExchange playlists;
};

fs::path freshCopy() {
    const fs::path dir = benchDir() / "run";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(baseDatabase(), dir / kw::ChannelStore::kFileName);
    return dir;
}

void BM_ImportM3u8(benchmark::State& state) {
    const fs::path& file = playlist();
    for (auto _ : state) {
        state.PauseTiming();
        Catalogue catalogue(freshCopy());
        state.ResumeTiming();
        benchmark::DoNotOptimize(catalogue.playlists.importPlaylist(file, {}));
    }
    state.counters["entries/s"] = benchmark::Counter(
        static_cast<double>(kEntries) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = kw::bench::peakMegabytes();
}
BENCHMARK(BM_ImportM3u8)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// N entries of one title into a catalogue that holds none of them: every
// entry after the first is renamed, the series " (2)" to " (N)".
void BM_ImportOneTitle(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const fs::path file = benchDir() / ("one-title-" + std::to_string(entries) + ".m3u");
    {
        std::ofstream out(file, std::ios::binary);
        out << "#EXTM3U\n";
        for (std::size_t i = 0; i < entries; ++i)
            out << "#EXTINF:-1,同一个频道\nhttp://live.example/" << i << ".mp3\n";
    }
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path dir = benchDir() / "one-title";
        fs::remove_all(dir);
        fs::create_directories(dir);
        kw::bench::createCatalogueDatabase(dir / kw::ChannelStore::kFileName).reset();
        Catalogue catalogue(dir);
        state.ResumeTiming();
        const auto report = catalogue.playlists.importPlaylist(file, {});
        if (report.renamed != static_cast<std::int64_t>(entries) - 1) state.SkipWithError("wrong renaming");
    }
    state.counters["entries/s"] = benchmark::Counter(
        static_cast<double>(entries) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ImportOneTitle)
    ->Arg(2'000)
    ->Arg(8'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// The whole catalogue out, in each format.
void BM_ExportAll(benchmark::State& state) {
    const auto format = static_cast<kw::PlaylistExchange::Format>(state.range(0));
    Catalogue catalogue(freshCopy());
    kw::PlaylistExchange::ExportRequest request;
    request.format = format;
    for (auto _ : state) {
        benchmark::DoNotOptimize(catalogue.playlists.exportPlaylist(benchDir() / "out.list", request));
    }
    state.counters["channels/s"] =
        benchmark::Counter(static_cast<double>(kChannels) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExportAll)
    ->Arg(static_cast<int>(kw::PlaylistExchange::Format::M3u8))
    ->Arg(static_cast<int>(kw::PlaylistExchange::Format::Pls))
    ->Arg(static_cast<int>(kw::PlaylistExchange::Format::Xspf))
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
