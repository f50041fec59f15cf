#include "core/base/ScrambleText.h"
#include "core/store/ChannelStore.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string sampleBytes(std::size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(1 + random() % 255);
    return bytes;
}

// An address-sized value (64 bytes) and a large one (4 MiB).
void BM_ScrambleText(benchmark::State& state) {
    const std::string text = sampleBytes(static_cast<std::size_t>(state.range(0)));
    const std::string key = "CCTV-1 \xD7\xDB\xBA\xCF";  // a name with GBK bytes
    for (auto _ : state)
        benchmark::DoNotOptimize(kw::ScrambleText(text, key, kw::ScrambleDirection::Scramble));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ScrambleText)->Arg(64)->Arg(4 << 20);

// 100,000 channels added one statement at a time, each its own commit, as
// the program's own commands write them.
void BM_InsertChannelsWithoutTransaction(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    const fs::path dir = fs::temp_directory_path() / "kw-bench-store";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(dir);
        fs::create_directories(dir);
        kw::SettingsRow settings;
        settings.name = "Kestrel";
        auto store = kw::ChannelStore::create(dir / kw::ChannelStore::kFileName, settings);
        kw::ChannelRecord record;
        record.class0 = "B电视台";
        record.class1 = "综合";
        record.class2 = "中国大陆";
        record.memo = "[直播][全天][新闻综合频道]";
        record.type = "Windows Media";
        state.ResumeTiming();

        for (int i = 0; i < count; ++i) {
            record.name = "频道 " + std::to_string(i);
            record.scrambledUrl =
                kw::scrambleText("mms://live.example.cn/channel/" + std::to_string(i), record.name);
            store->insertChannel(record, 2, "User");
        }

        state.PauseTiming();
        store.reset();
        fs::remove_all(dir);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * count);
}
BENCHMARK(BM_InsertChannelsWithoutTransaction)->Arg(100000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
