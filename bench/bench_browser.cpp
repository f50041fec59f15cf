// Channel browser hot paths: tree build, cache save and load, find, memory.
#include "BenchSupport.h"
#include "SyntheticCatalogue.h"

#include "core/base/TextCodec.h"
#include "core/base/YieldHook.h"
#include "core/browser/BrowserTexts.h"
#include "core/browser/ChannelBrowser.h"
#include "core/browser/ChannelPlacer.h"
#include "core/browser/ChannelTree.h"
#include "core/browser/FindChannel.h"
#include "core/browser/TreeCache.h"
#include "core/browser/TreeCollation.h"

#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>

namespace {

using namespace kw;
using bench::SilentUi;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// Files the benchmark writes live here and go when the program ends.
const fs::path& scratch() {
    struct Folder {
        fs::path path = fs::temp_directory_path() / ("kw-bench-browser-" + std::to_string(::getpid()));
        Folder() { fs::create_directories(path); }
        ~Folder() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    };
    static const Folder folder;
    return folder.path;
}

const std::vector<ChannelListing>& catalogue(std::size_t count) {
    static std::map<std::size_t, std::vector<ChannelListing>> cache;
    auto& rows = cache[count];
    if (rows.empty()) rows = bench::syntheticCatalogue(count);
    return rows;
}

// The window's yield hook (default interval), whose callback records the
// longest stretch of work between two calls (and at both ends). Work is this
// thread's CPU time, so other programs on the machine do not count.
class YieldGapMeter {
public:
    YieldGapMeter() : hook_([this] { mark(); }) {}
    YieldHook& hook() { return hook_; }
    void start() { last_ = cpuNow(); }
    double maxGapMs() {
        mark();
        return maxGap_ * 1e3;
    }

private:
    static double cpuNow() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }
    void mark() {
        const double now = cpuNow();
        maxGap_ = std::max(maxGap_, now - last_);
        last_ = now;
    }
    YieldHook hook_;
    double last_ = cpuNow();
    double maxGap_ = 0;
};

// Placement and sort inside a reset, as a rebuild does them.
void buildTree(ChannelTree& tree, const std::vector<ChannelListing>& rows, int mode, YieldHook& yield) {
    ChannelTree::ResetScope reset(tree);
    addCategoryRoots(tree);
    ChannelPlacer placer(tree, mode, {1}, yield);
    for (const ChannelListing& row : rows) {
        placer.place(row);
        yield.tick();
    }
    placer.finish();
    tree.sortChildren(TreeCollation(texts::kFavouritesRoot), yield);
}

// Placement and sort from rows already in memory (the tree's share of a rebuild).
void BM_PlaceAndSort(benchmark::State& state) {
    const auto& rows = catalogue(static_cast<std::size_t>(state.range(0)));
    const int mode = static_cast<int>(state.range(1));
    double gap = 0;
    std::size_t bytesPerNode = 0;
    for (auto _ : state) {
        YieldGapMeter meter;
        ChannelTree tree;
        meter.start();
        buildTree(tree, rows, mode, meter.hook());
        gap = std::max(gap, meter.maxGapMs());
        bytesPerNode = tree.memoryUsage() / tree.nodeCount();
    }
    state.counters["max_yield_gap_ms"] = gap;
    state.counters["bytes_per_node"] = static_cast<double>(bytesPerNode);
}
// CPU time is the whole process's: the sort of a large build shares its lists
// with a second thread.
BENCHMARK(BM_PlaceAndSort)
    ->ArgsProduct({{100'000, 1'000'000}, {0, 5}})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

struct BuiltTree {
    ChannelTree tree;
    std::filesystem::path cacheFile;
};

BuiltTree& builtTree(std::size_t count) {
    static std::map<std::size_t, std::unique_ptr<BuiltTree>> trees;
    auto& built = trees[count];
    if (!built) {
        built = std::make_unique<BuiltTree>();
        YieldHook none;
        buildTree(built->tree, catalogue(count), 0, none);
        built->cacheFile = scratch() / ("tree-" + std::to_string(count) + ".tre");
        saveTreeCache(built->tree, built->cacheFile, none);
    }
    return *built;
}

void BM_CacheSave(benchmark::State& state) {
    BuiltTree& built = builtTree(static_cast<std::size_t>(state.range(0)));
    double gap = 0;
    for (auto _ : state) {
        YieldGapMeter meter;
        meter.start();
        saveTreeCache(built.tree, built.cacheFile, meter.hook());
        gap = std::max(gap, meter.maxGapMs());
    }
    state.counters["max_yield_gap_ms"] = gap;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(built.cacheFile)) / 1e6;
}
BENCHMARK(BM_CacheSave)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_CacheLoad(benchmark::State& state) {
    BuiltTree& built = builtTree(static_cast<std::size_t>(state.range(0)));
    double gap = 0;
    for (auto _ : state) {
        YieldGapMeter meter;
        ChannelTree tree;
        meter.start();
        loadTreeCache(tree, built.cacheFile, meter.hook());
        gap = std::max(gap, meter.maxGapMs());
        benchmark::DoNotOptimize(tree.nodeCount());
    }
    state.counters["max_yield_gap_ms"] = gap;
}
BENCHMARK(BM_CacheLoad)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_FindWithoutMatch(benchmark::State& state) {
    BuiltTree& built = builtTree(static_cast<std::size_t>(state.range(0)));
    double gap = 0;
    for (auto _ : state) {
        YieldGapMeter meter;
        meter.start();
        const NodeId found = findNextChannelNode(built.tree, kNoNode, "没有这个频道", meter.hook());
        gap = std::max(gap, meter.maxGapMs());
        benchmark::DoNotOptimize(found);
    }
    state.counters["max_yield_gap_ms"] = gap;
    state.counters["nodes"] = static_cast<double>(built.tree.nodeCount());
}
BENCHMARK(BM_FindWithoutMatch)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// A database of count channels, made once per size.
ChannelStore& database(std::size_t count) {
    static std::map<std::size_t, std::unique_ptr<ChannelStore>> stores;
    auto& store = stores[count];
    if (!store) {
        store =
            ChannelStore::create(scratch() / ("channels-" + std::to_string(count) + ".dll"), SettingsRow{});
        store->inTransaction([&] {
            for (const ChannelListing& row : catalogue(count)) {
                ChannelRecord record{row.class0, row.class1, row.class2, row.class3, row.name,
                                     "x",        "",         "",         "",         ""};
                const int group = row.vol == "User" ? 2 : 1;
                store->insertChannel(record, group, row.vol);
                if (row.favorited != 0) store->setFavorited(row.name, 1);
                if (row.locked != 0) store->setLocked(row.name, 1);
            }
        });
    }
    return *store;
}

// The database pass of a rebuild alone, to tell its share from the tree's.
void BM_ReadListedChannels(benchmark::State& state) {
    ChannelStore& store = database(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::size_t bytes = 0;
        store.forEachListedChannel(0, [&](const ChannelListing& row) { bytes += row.name.size(); });
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadListedChannels)->Arg(1'000'000)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// RebuildChannelTree without the cache: the database pass, placement, sort,
// expansion and selection, with lock mode 1.
void BM_RebuildFromDatabase(benchmark::State& state) {
    ChannelStore& store = database(static_cast<std::size_t>(state.range(0)));
    SilentUi ui;
    double gap = 0;
    std::size_t bytesPerNode = 0;
    for (auto _ : state) {
        YieldGapMeter meter;
        ChannelBrowser browser(store, scratch(), ui, meter.hook());
        browser.setLockMode(1);
        browser.setDisplayMode(static_cast<int>(state.range(1)));
        meter.start();
        browser.RebuildChannelTree(false);
        gap = std::max(gap, meter.maxGapMs());
        bytesPerNode = browser.tree().memoryUsage() / browser.tree().nodeCount();
    }
    state.counters["max_yield_gap_ms"] = gap;
    state.counters["bytes_per_node"] = static_cast<double>(bytesPerNode);
}
BENCHMARK(BM_RebuildFromDatabase)
    ->ArgsProduct({{100'000, 1'000'000}, {0, 1, 2, 3, 4, 5, 6}})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

class ResetCounter : public TreeObserver {
public:
    void treeReset() override { ++resets; }
    int resets = 0;
};

// One user channel added and then deleted again, each write followed by the
// patch that brings the tree to what a rebuild would give. Time is per
// iteration: two writes and two patches. "rebuilds" must stay 0.
void BM_PatchOneChannel(benchmark::State& state) {
    ChannelStore& store = database(static_cast<std::size_t>(state.range(0)));
    SilentUi ui;
    YieldHook none;
    ChannelBrowser browser(store, scratch(), ui, none);
    browser.setLockMode(1);
    browser.setDisplayMode(static_cast<int>(state.range(1)));
    browser.RebuildChannelTree(false);
    ResetCounter resets;
    browser.tree().addObserver(&resets);
    const ChannelRecord record{"B电视台", "新闻", "香港", "粤语", "补丁测试频道", "x", "", "", "", ""};
    for (auto _ : state) {
        store.insertChannel(record, 2, "User");
        browser.noteChannelStored(record.name);
        browser.applyPendingChanges();
        browser.noteChannelChanging(record.name);
        store.deleteChannel(record.name);
        browser.applyPendingChanges();
    }
    browser.tree().removeObserver(&resets);
    state.counters["rebuilds"] = resets.resets;
}
BENCHMARK(BM_PatchOneChannel)
    ->ArgsProduct({{1'000'000}, {0, 5}})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

// For contrast: placement that searches each node's children linearly, as a
// tree without a child index does, against the indexed tree, in mode 5 where
// all leaves share a few parents.
struct LinearTree {
    struct Node {
        std::string text;
        std::vector<std::size_t> children;
    };
    std::vector<Node> nodes{Node{"root", {}}};

    std::size_t findOrAdd(std::size_t parent, std::string_view text) {
        if (text.empty()) return parent;
        for (std::size_t child : nodes[parent].children) {
            if (nodes[child].text == text) return child;
        }
        nodes.push_back(Node{std::string(text), {}});
        nodes[parent].children.push_back(nodes.size() - 1);
        return nodes.size() - 1;
    }
};

void BM_LinearVersusIndexedPlacement(benchmark::State& state) {
    const auto& rows = catalogue(static_cast<std::size_t>(state.range(0)));
    double linearMs = 0;
    double indexedMs = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        LinearTree linear;
        for (const ChannelListing& row : rows) {
            const std::size_t category = linear.findOrAdd(0, text::trimBlanks(row.class0));
            linear.findOrAdd(category, text::trimBlanks(row.name));
        }
        const auto t1 = Clock::now();
        ChannelTree tree;
        YieldHook none;
        for (const ChannelListing& row : rows) {
            PlaceChannel(tree,
                         ChannelColumns{row.class0, row.class1, row.class2, row.class3, row.vol, row.name}, 5,
                         none);
        }
        const auto t2 = Clock::now();
        linearMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
        indexedMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
        benchmark::DoNotOptimize(linear.nodes.size());
    }
    state.counters["linear_ms"] = linearMs;
    state.counters["indexed_ms"] = indexedMs;
    state.counters["ratio"] = linearMs / indexedMs;
}
BENCHMARK(BM_LinearVersusIndexedPlacement)->Arg(100'000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
