// Reading a radio directory answer: parsing a generated station search of
// KW_DIRECTORY_STATIONS stations (50,000 by default, about 1.3 KB each in
// the directory's shape), then cleaning them. peak_MB is the process's peak,
// peak_added_MB the part of it above what it held with the answer alone.
// Then the same stations fetched as pages of a search from a server in this
// process and added to a catalogue of KW_DIRECTORY_CHANNELS channels
// (1,000,000) with its tree built: fetch_ms for the pages, add_ms for the
// add, peak_added_MB above what the catalogue held, against answer_MB.

#include "SourceRoles.h"
#include "core/actions/ShellOpen.h"
#include "core/base/YieldHook.h"
#include "core/sources/RadioDirectory.h"
#include "core/sources/RadioStation.h"
#include "core/sources/StationCleaning.h"
#include "platform/CurlWebFetch.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/LocalDocumentServer.h"
#include "support/SilentUi.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <string>

namespace {

using namespace kw;
namespace fs = std::filesystem;

// A station search answer as the directory writes it, with the untidiness
// it has: repeats, sentences among the tags, blanks around addresses.
std::string directoryAnswer(std::size_t count, std::size_t first = 0) {
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
    for (std::size_t i = first; i < first + count; ++i) {
        const std::string n = std::to_string(i % 49'000 == 48'999 ? i - 1 : i);  // a few repeats
        const auto& country = kCountries[i % 5];
        std::string tags;
        for (std::size_t t = 0; t < 2 + i % 6; ++t) tags.append(t ? "," : "").append(kTags[(i + t * 3) % 11]);
        if (i > first) answer += ',';
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

// A catalogue of `channels` channels with its directory, and a server holding
// a search's answer of `searched` stations as its pages.
struct Catalogue {
    static constexpr int kPage = DirectoryClient::kMaxStationLimit;

    Catalogue(const std::string& folder, std::size_t channels, std::size_t searched)
        : dir(bench::emptyFolder(folder)),
          stations(searched),
          roles(dir, channels, web, ui, yield),
          client(web, servers, ui, yield, *roles.settings),
          directory(*roles.store, *roles.exchange, *roles.browser, *roles.subscriptions, client, shell, ui,
                    yield) {
        std::ofstream(dir / "Kestrelwave.ini") << "[Directory]\r\nServer=" << server.url("") << "\r\n";
        // The directory answers an empty page after the last.
        for (std::size_t first = 0; first <= stations; first += kPage) {
            test::LocalDocumentServer::Answer answer;
            answer.body = first == stations
                              ? "[]"
                              : directoryAnswer(std::min<std::size_t>(kPage, stations - first), first);
            answer.gzip = true;
            answerBytes += answer.body.size();
            server.serve("/json/stations/search?order=votes&reverse=true&limit=" + std::to_string(kPage) +
                             "&offset=" + std::to_string(first) + "&hidebroken=true",
                         std::move(answer));
        }
        roles.browser->RebuildChannelTree(false);
    }

    fs::path dir;
    std::size_t stations;
    std::size_t answerBytes = 0;
    test::SilentUi ui;
    YieldHook yield;
    CurlWebFetch web;
    test::LocalDocumentServer server;
    test::FakeDirectoryServers servers;
    test::FakeDesktop desktop;
    ShellOpener shell{desktop, ui};
    bench::SourceRoles roles;
    DirectoryClient client;
    RadioDirectory directory;
};

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_AddSearchResultsToCatalogue(benchmark::State& state) {
    static Catalogue c("kw-bench-directory", bench::sizeFromEnv("KW_DIRECTORY_CHANNELS", 1'000'000),
                       bench::sizeFromEnv("KW_DIRECTORY_STATIONS", 50'000));
    DirectoryAddReport report;
    double fetchMs = 0, addMs = 0, added = 0;
    for (auto _ : state) {
        bench::restartPeak();
        const double before = bench::statusMegabytes("VmRSS");
        auto start = std::chrono::steady_clock::now();
        std::vector<RadioStation> found;
        StationQuery query;
        query.limit = Catalogue::kPage;
        for (bool more = true; more; query.offset += Catalogue::kPage) {
            StationPage page = *c.directory.search(query);
            found.insert(found.end(), std::make_move_iterator(page.stations.begin()),
                         std::make_move_iterator(page.stations.end()));
            more = page.more;
        }
        fetchMs = millisecondsSince(start);
        start = std::chrono::steady_clock::now();
        report = c.directory.add(found);
        addMs = millisecondsSince(start);
        added = bench::statusMegabytes("VmHWM") - before;
    }
    state.counters["stations_added"] = static_cast<double>(report.added);
    state.counters["fetch_ms"] = fetchMs;
    state.counters["add_ms"] = addMs;
    state.counters["answer_MB"] = static_cast<double>(c.answerBytes) / (1024.0 * 1024.0);
    state.counters["peak_added_MB"] = added;
}

// A search's first page of 100 stations: the directory's answer read,
// tidied and ready for the window, against the bare round trip of the same
// request over the loopback (extra_ms is what the program adds to it).
void BM_FirstSearchPage(benchmark::State& state) {
    Catalogue c("kw-bench-directory-page", 1000, 0);
    const std::string path =
        "/json/stations/search?name=jazz&order=votes&reverse=true&limit=100&offset=0&hidebroken=true";
    test::LocalDocumentServer::Answer answer;
    answer.body = directoryAnswer(100);
    answer.gzip = true;
    c.server.serve(path, std::move(answer));
    StationQuery query;
    query.name = "jazz";
    double pageMs = 0, tripMs = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(
            c.web.fetch(c.server.url(path), DirectoryClient::stationLimits(), {}).body.size());
        tripMs += millisecondsSince(start);
        start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(c.directory.search(query)->stations.size());
        pageMs += millisecondsSince(start);
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["round_trip_ms"] = tripMs / runs;
    state.counters["first_page_ms"] = pageMs / runs;
    state.counters["extra_ms"] = (pageMs - tripMs) / runs;
}

BENCHMARK(BM_ParseAndCleanStations)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseStations)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSearchPage)->Iterations(50)->Unit(benchmark::kMillisecond);
// Once: a second add would find every station already there.
BENCHMARK(BM_AddSearchResultsToCatalogue)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
