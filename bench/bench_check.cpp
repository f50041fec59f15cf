// A catalogue check of many channels against servers in this process on
// 127.0.0.1: a mix of steady, slow, missing, refusing and silent streams.
// KW_CHECK_CHANNELS overrides the sizes (one run of that many channels).

#include "BenchSupport.h"
#include "platform/CurlStreamProbe.h"
#include "support/LocalStreamServer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using namespace kw;

void BM_CheckChannels(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    test::LocalStreamServer server;
    const std::array<std::string, 5> addresses = {server.url("/steady128"), server.url("/drip"),
                                                  server.url("/404"), test::LocalStreamServer::refusedUrl(),
                                                  server.url("/silent")};
    std::vector<ProbeTarget> targets;
    targets.reserve(count);
    for (std::size_t i = 0; i < count; ++i) targets.push_back({addresses[i % addresses.size()], false, 64});
    ProbeLimits limits = probeLimitsFor(std::chrono::seconds(2));
    limits.maxBytes = 64 * 1024;
    // The servers' sockets share the process's descriptors with the probe's.
    limits.jobs = static_cast<int>(std::min<std::size_t>(count, kMaxProbeJobs));
    CurlStreamProbe probe;
    for (auto _ : state) {
        const std::vector<ProbeResult> results = probe.probe(targets, limits, {}, {});
        benchmark::DoNotOptimize(results.data());
    }
    state.counters["channels/s"] =
        benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_MB"] = bench::peakMegabytes();
}

void checkSizes(benchmark::internal::Benchmark* bench) {
    const std::size_t only = bench::sizeFromEnv("KW_CHECK_CHANNELS", 0);
    if (only > 0) {
        bench->Arg(static_cast<std::int64_t>(only));
    } else {
        bench->Arg(1000)->Arg(10000);
    }
}

BENCHMARK(BM_CheckChannels)->Apply(checkSizes)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
