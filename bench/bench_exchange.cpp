// Batch add, export, text-file reading and compaction on large catalogues.
// Sizes come from the environment so that a run can be kept small:
// KW_BENCH_CHANNELS (channels already stored, default 200,000) and
// KW_BENCH_RECORDS (records in the file, default 100,000).
#include "BenchSupport.h"
#include "SyntheticCatalogue.h"
#include "core/base/ScrambleText.h"
#include "core/base/YieldHook.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/store/ChannelStore.h"
#include "core/store/Compaction.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using kw::bench::SilentUi;
using kw::bench::sizeFromEnv;

const std::size_t kChannels = sizeFromEnv("KW_BENCH_CHANNELS", 200'000);
const std::size_t kRecords = sizeFromEnv("KW_BENCH_RECORDS", 100'000);

// A clean folder for this run, emptied once.
fs::path benchDir() {
    static const fs::path dir = kw::bench::emptyFolder("kw-bench-exchange");
    return dir;
}

// A database of kChannels channels, made once and copied for each run.
const fs::path& baseDatabase() {
    static const fs::path file = [] {
        const fs::path made = benchDir() / "base.dll";
        kw::bench::writeCatalogueDatabase(
            made, kChannels, [](const std::string& name) { return "mms://media.example/" + name; },
            "Windows Media", "[直播][全天][新闻综合频道]");
        return made;
    }();
    return file;
}

// kRecords records; every tenth name is one the database already holds.
const fs::path& textFile() {
    static const fs::path file = [] {
        const auto stored = kw::bench::syntheticCatalogue(kChannels);
        std::string bytes;
        for (std::size_t i = 0; i < kRecords; ++i) {
            const std::string name = i % 10 == 0 && !stored.empty() ? stored[i % stored.size()].name
                                                                    : "导入频道 " + std::to_string(i);
            kw::ChannelTextRecord record{"B电视台",   "新闻",         "中国大陆",
                                         "普通话",    name,           "mms://x/" + std::to_string(i),
                                         "http://l/", "[直播][全天]", "Windows Media",
                                         "56",        "InsertChannel"};
            bytes += kw::encodeChannelRecord(record);
        }
        const fs::path made = benchDir() / "records.txt";
        std::ofstream(made, std::ios::binary) << bytes;
        return made;
    }();
    return file;
}

fs::path freshCopy() {
    const fs::path& base = baseDatabase();
    const fs::path dir = benchDir() / "run";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(base, dir / kw::ChannelStore::kFileName);
    return dir;
}

// Batch add of file into the catalogue in dir; the timing, paused by the
// caller while it made dir, resumes at the first record.
void timeBatchAdd(benchmark::State& state, const fs::path& dir, const fs::path& file) {
    auto store = kw::ChannelStore::open(dir / kw::ChannelStore::kFileName);
    SilentUi ui;
    kw::YieldHook yield;
    kw::ChannelBrowser browser(*store, dir, ui, yield);
    kw::ChannelExchange exchange(*store, browser, ui, yield, dir);
    state.ResumeTiming();
    benchmark::DoNotOptimize(exchange.batchAdd(file));
}

void countRecords(benchmark::State& state, std::size_t records) {
    state.counters["records/s"] = benchmark::Counter(
        static_cast<double>(records) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_BatchAdd(benchmark::State& state) {
    const fs::path& file = textFile();
    for (auto _ : state) {
        state.PauseTiming();
        timeBatchAdd(state, freshCopy(), file);
    }
    countRecords(state, kRecords);
}
BENCHMARK(BM_BatchAdd)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// N records of one name into a catalogue without it: all but the first are
// renamed, the series " (2)" to " (N)".
void BM_BatchAddOneName(benchmark::State& state) {
    const auto records = static_cast<std::size_t>(state.range(0));
    const fs::path file = benchDir() / ("one-name-" + std::to_string(records) + ".txt");
    {
        std::string bytes;
        for (std::size_t i = 0; i < records; ++i) {
            kw::ChannelTextRecord record{
                "B电视台", "", "", "", "同名频道",     "mms://x/" + std::to_string(i),
                "",        "", "", "", "InsertChannel"};
            bytes += kw::encodeChannelRecord(record);
        }
        std::ofstream(file, std::ios::binary) << bytes;
    }
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path dir = benchDir() / "one-name";
        fs::remove_all(dir);
        fs::create_directories(dir);
        kw::bench::createCatalogueDatabase(dir / kw::ChannelStore::kFileName).reset();
        timeBatchAdd(state, dir, file);
    }
    countRecords(state, records);
}
BENCHMARK(BM_BatchAddOneName)->Arg(10'000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_ReadTextFile(benchmark::State& state) {
    const fs::path& file = textFile();
    for (auto _ : state) {
        kw::ChannelTextReader reader(file);
        kw::ChannelTextRecord record;
        do {
            reader.read(record);
            benchmark::DoNotOptimize(record);
        } while (!reader.atEnd());
    }
}
BENCHMARK(BM_ReadTextFile)->Unit(benchmark::kMillisecond);

// The export of kRecords user channels (the database holds only those).
void BM_ExportUserChannels(benchmark::State& state) {
    const fs::path dir = benchDir() / "export";
    fs::remove_all(dir);
    fs::create_directories(dir);
    kw::SettingsRow settings;
    settings.name = "Kestrel";
    auto store = kw::ChannelStore::create(dir / kw::ChannelStore::kFileName, settings);
    store->inTransaction([&] {
        kw::ChannelRecord record;
        for (std::size_t i = 0; i < kRecords; ++i) {
            record.class0 = "B电视台";
            record.class1 = "新闻";
            record.name = "自添频道 " + std::to_string(i);
            record.scrambledUrl = kw::scrambleText("mms://media.example/" + std::to_string(i), record.name);
            record.memo = "[直播][全天][新闻综合频道]";
            record.type = "Windows Media";
            store->insertChannel(record, 2, "User");
        }
    });
    SilentUi ui;
    kw::YieldHook yield;
    kw::ChannelBrowser browser(*store, dir, ui, yield);
    kw::ChannelExchange exchange(*store, browser, ui, yield, dir);
    for (auto _ : state) benchmark::DoNotOptimize(exchange.exportUserChannels(dir / "out.txt"));
}
BENCHMARK(BM_ExportUserChannels)->Unit(benchmark::kMillisecond);

void BM_CompactDatabase(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path dir = freshCopy();
        state.ResumeTiming();
        kw::CompactDatabaseFile(dir / kw::ChannelStore::kFileName);
    }
}
BENCHMARK(BM_CompactDatabase)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
