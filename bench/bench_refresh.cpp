// A subscription's refresh in a large catalogue: a list of 100,000 entries
// (KW_REFRESH_ENTRIES) among 1,000,000 channels (KW_REFRESH_CHANNELS), served
// by a server in this process and fetched over the loopback as the program
// fetches it. Unchanged, the refresh must write nothing: the database file and
// its log keep their size and the file its change counter. Changed, 1,000
// entries get new addresses and 1,000 new ones appear, with the tree built.
// longest_stall_ms is the longest stretch in which the refresh did not hand
// the window's event loop its turn (through the yield hook).

#include "SourceRoles.h"
#include "platform/CurlWebFetch.h"
#include "support/LocalDocumentServer.h"
#include "support/SilentUi.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>

namespace {

using namespace kw;
namespace fs = std::filesystem;

// The list after `round` rounds of change: round r gave the entries
// [r * kStep, (r + 1) * kStep) new addresses and added kStep new entries, so
// each round changes kStep entries and adds kStep more, and loses none.
constexpr std::size_t kStep = 1000;

std::string list(std::size_t entries, int round) {
    const auto rounds = static_cast<std::size_t>(round);
    std::string text = "#EXTM3U\n";
    text.reserve((entries + rounds * kStep) * 110);
    const auto entry = [&](std::size_t id, const std::string& address) {
        text += "#EXTINF:-1 tvg-id=\"id" + std::to_string(id) + "\" group-title=\"新闻\",订阅台 " +
                std::to_string(id) + "\n" + address + "\n";
    };
    for (std::size_t id = 0; id < entries; ++id) {
        const std::size_t changedIn = id / kStep;
        const bool moved = changedIn >= 1 && changedIn <= rounds;
        entry(id, "http://cdn.example/live/" + std::to_string(id) + ".m3u8" +
                      (moved ? "?round=" + std::to_string(changedIn) : ""));
    }
    for (std::size_t id = entries; id < entries + rounds * kStep; ++id)
        entry(id, "http://new.example/" + std::to_string(id));
    return text;
}

// The database header's change counter and the sizes of the file and its log.
std::tuple<std::uint32_t, std::uintmax_t, std::uintmax_t> written(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    unsigned char header[28] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    const std::uint32_t counter = (header[24] << 24) | (header[25] << 16) | (header[26] << 8) | header[27];
    std::error_code none;
    return {counter, fs::file_size(file), fs::file_size(fs::path(file.string() + "-wal"), none)};
}

struct Catalogue {
    Catalogue()
        : dir(bench::emptyFolder("kw-bench-refresh")),
          entries(bench::sizeFromEnv("KW_REFRESH_ENTRIES", 100'000)),
          roles(dir, bench::sizeFromEnv("KW_REFRESH_CHANNELS", 1'000'000), web, ui, yield),
          file(roles.file),
          subscriptions(*roles.subscriptions) {
        server.serve("/list.m3u", answer(list(entries, 0)));
        subscriptions.subscribe(server.url("/list.m3u"), {});
        roles.browser->RebuildChannelTree(false);
    }

    static test::LocalDocumentServer::Answer answer(std::string body) {
        test::LocalDocumentServer::Answer made;
        made.body = std::move(body);
        made.gzip = true;
        return made;
    }

    RefreshReport refresh() {
        longestStallMs = 0;
        lastTurn = std::chrono::steady_clock::now();
        RefreshReport report = *subscriptions.refresh(*subscriptions.find(server.url("/list.m3u")));
        yield.yieldNow();
        return report;
    }

    fs::path dir;
    std::size_t entries;
    test::SilentUi ui;
    // Measures the gaps between the turns a window would get.
    std::chrono::steady_clock::time_point lastTurn = std::chrono::steady_clock::now();
    double longestStallMs = 0;
    YieldHook yield{[this] {
        const auto now = std::chrono::steady_clock::now();
        longestStallMs =
            std::max(longestStallMs, std::chrono::duration<double, std::milli>(now - lastTurn).count());
        lastTurn = now;
    }};
    CurlWebFetch web;
    test::LocalDocumentServer server;
    bench::SourceRoles roles;
    fs::path file;
    Subscriptions& subscriptions;
};

Catalogue& catalogue() {
    static Catalogue made;
    return made;
}

void BM_RefreshUnchanged(benchmark::State& state) {
    Catalogue& c = catalogue();
    const auto before = written(c.file);
    RefreshReport report;
    for (auto _ : state) report = c.refresh();
    if (report.changed() || written(c.file) != before) state.SkipWithError("an unchanged refresh wrote");
    state.counters["unchanged"] = static_cast<double>(report.unchanged);
    state.counters["longest_stall_ms"] = c.longestStallMs;
    state.counters["peak_MB"] = bench::peakMegabytes();
}

void BM_RefreshChanged(benchmark::State& state) {
    Catalogue& c = catalogue();
    int round = 0;
    RefreshReport report;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        c.server.serve("/list.m3u", Catalogue::answer(list(c.entries, round)));
        state.ResumeTiming();
        report = c.refresh();
    }
    state.counters["updated"] = static_cast<double>(report.updated);
    state.counters["added"] = static_cast<double>(report.added);
    state.counters["gone"] = static_cast<double>(report.gone.size());
    state.counters["longest_stall_ms"] = c.longestStallMs;
    state.counters["peak_MB"] = bench::peakMegabytes();
}

BENCHMARK(BM_RefreshUnchanged)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshChanged)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
