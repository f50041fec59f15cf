// Reading a radio directory answer: parsing a generated station search of
// KW_DIRECTORY_STATIONS stations (50,000 by default, about 1.3 KB each in
// the directory's shape), then cleaning them. peak_MB is the process's peak,
// peak_added_MB the part of it above what it held with the answer alone.

#include "BenchSupport.h"
#include "core/sources/RadioStation.h"
#include "core/sources/StationCleaning.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace kw;

// A station search answer as the directory writes it, with the untidiness
// it has: repeats, sentences among the tags, blanks around addresses.
std::string directoryAnswer(std::size_t count) {
    static constexpr std::string_view kTags[] = {"pop",
                                                 "rock",
                                                 "jazz",
                                                 "news",
                                                 "talk",
                                                 "80s",
                                                 "classic rock",
                                                 "dance",
                                                 "top 40",
                                                 "oldies",
                                                 "the best hits of today and yesterday"};
    static constexpr std::string_view kCountries[][3] = {{"Germany", "DE", "german"},
                                                         {"China", "CN", "chinese"},
                                                         {"France", "FR", "french"},
                                                         {"The United States Of America", "US", "english"},
                                                         {"Japan", "JP", "japanese"}};
    std::string answer = "[";
    answer.reserve(count * 1400);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string n = std::to_string(i % 49'000 == 48'999 ? i - 1 : i);  // a few repeats
        const auto& country = kCountries[i % 5];
        std::string tags;
        for (std::size_t t = 0; t < 2 + i % 6; ++t) tags.append(t ? "," : "").append(kTags[(i + t * 3) % 11]);
        if (i > 0) answer += ',';
        answer +=
            R"({"changeuuid":"6f03675a-1600-a35a-0999-)" + n +
            R"(","stationuuid":"81e74ef5-e8e2-5d94-0ed9-)" + n +
            R"(","serveruuid":null,"name":"Radio Station )" + n + R"( \u2013 Stereo","url":" http://stream)" +
            n + R"(.example.net:8000/live ",)" + R"("url_resolved":"https://stream)" + n +
            R"(.example.net/live/stream.mp3?from=directory",)" + R"("homepage":"https://www.radio)" + n +
            R"(.example.net/","favicon":"https://www.radio)" + n +
            R"(.example.net/wp-content/uploads/2021/05/cropped-logo-192x192.png","tags":")" + tags +
            R"(","country":")" + std::string(country[0]) + R"(","countrycode":")" + std::string(country[1]) +
            R"(","iso_3166_2":null,"state":"Some State","language":")" + std::string(country[2]) +
            R"(","languagecodes":"xx","votes":)" + std::to_string(i * 7 % 50'000) +
            R"(,"lastchangetime":"2024-03-11 08:22:13","lastchangetime_iso8601":"2024-03-11T08:22:13Z",)"
            R"("codec":"MP3","bitrate":128,"hls":0,"lastcheckok":1,"lastchecktime":"2025-01-02 10:11:12",)"
            R"("lastchecktime_iso8601":"2025-01-02T10:11:12Z","lastcheckoktime":"2025-01-02 10:11:12",)"
            R"("lastcheckoktime_iso8601":"2025-01-02T10:11:12Z","lastlocalchecktime":"2025-01-02 03:04:05",)"
            R"("lastlocalchecktime_iso8601":"2025-01-02T03:04:05Z","clicktimestamp":"2025-01-02 09:00:00",)"
            R"("clicktimestamp_iso8601":"2025-01-02T09:00:00Z","clickcount":)" +
            std::to_string(i % 3000) +
            R"(,"clicktrend":-3,"ssl_error":0,"geo_lat":48.137154,"geo_long":11.576124,)"
            R"("geo_distance":null,"has_extended_info":false})";
    }
    answer += "]";
    return answer;
}

void BM_ParseAndCleanStations(benchmark::State& state) {
    const std::string answer = directoryAnswer(bench::sizeFromEnv("KW_DIRECTORY_STATIONS", 50'000));
    const double before = bench::peakMegabytes();
    std::size_t kept = 0;
    for (auto _ : state) {
        std::vector<RadioStation> stations = parseStations(answer);
        kept = cleanStations(stations).kept;
        benchmark::DoNotOptimize(stations.data());
    }
    state.counters["answer_MB"] = static_cast<double>(answer.size()) / (1024.0 * 1024.0);
    state.counters["kept"] = static_cast<double>(kept);
    state.counters["peak_MB"] = bench::peakMegabytes();
    state.counters["peak_added_MB"] = bench::peakMegabytes() - before;  // what reading the answer held
}

void BM_ParseStations(benchmark::State& state) {
    const std::string answer = directoryAnswer(bench::sizeFromEnv("KW_DIRECTORY_STATIONS", 50'000));
    for (auto _ : state) benchmark::DoNotOptimize(parseStations(answer).size());
    state.counters["answer_MB"] = static_cast<double>(answer.size()) / (1024.0 * 1024.0);
}

BENCHMARK(BM_ParseAndCleanStations)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseStations)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
