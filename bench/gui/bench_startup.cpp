// Time from the start of the desktop program's process to its first painted
// main window, on a program directory whose tree cache holds 100,000 or
// 1,000,000 channels. Each run starts startup_probe (the program with a hook
// that ends it at the first paint) under the offscreen platform.
#include "core/browser/ChannelPlacer.h"
#include "core/browser/ChannelTree.h"
#include "core/browser/TreeCache.h"
#include "core/browser/TreeCollation.h"
#include "core/session/Installation.h"

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kCategories[] = {"B电视台",   "C广播电台", "D在线电影", "E最新专题",
                                   "Flash精品", "G远程教育", "H精选网址", "I其它"};

// A program directory from kwave init with a tree cache of `channels` channels
// in display mode 0 (every hundredth a favourite). Made once and kept.
fs::path installation(long channels) {
    const fs::path dir = fs::temp_directory_path() / ("kw-bench-startup-" + std::to_string(channels));
    if (fs::exists(dir / kw::kTreeCacheFileName)) return dir;
    kw::createInstallation(dir, KW_DATA_DIR, true);
    kw::ChannelTree tree;
    kw::YieldHook yield;
    kw::addCategoryRoots(tree);
    for (long i = 0; i < channels; ++i) {
        const std::string content = "内容" + std::to_string(i % 40);
        const std::string region = "地区" + std::to_string(i / 40 % 30);
        const std::string language = "语言" + std::to_string(i / 1200 % 6);
        const std::string name = "频道" + std::to_string(i);
        kw::ChannelColumns columns;
        columns.class0 = kCategories[i % 8];
        columns.class1 = content;
        columns.class2 = region;
        columns.class3 = language;
        columns.vol = "2026.12";
        columns.name = name;
        columns.favorited = i % 100 == 0 ? 1 : 0;
        kw::PlaceChannel(tree, columns, 0, yield);
    }
    tree.sortChildren(kw::TreeCollation(), yield);
    kw::saveTreeCache(tree, dir / kw::kTreeCacheFileName, yield);
    return dir;
}

fs::path probeProgram() { return fs::read_symlink("/proc/self/exe").parent_path() / "startup_probe"; }

// Starts the probe on dir and waits for its first paint; the elapsed seconds.
double timeToFirstPaint(const fs::path& dir, const fs::path& runtime) {
    // Offscreen, with a lock folder of its own (a running program must not
    // refuse the probe), and without Qt's note that offscreen has no tray.
    std::vector<std::string> variables{"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime.string(),
                                       "QT_LOGGING_RULES=qt.core.qobject.connect=false"};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string_view text(*variable);
        if (!text.starts_with("QT_QPA_PLATFORM=") && !text.starts_with("XDG_RUNTIME_DIR=") &&
            !text.starts_with("QT_LOGGING_RULES=")) {
            variables.emplace_back(text);
        }
    }
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);

    int pipe[2];
    if (::pipe(pipe) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    const std::string program = probeProgram().string();
    const std::string directory = dir.string();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(directory.c_str()), nullptr};

    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (spawned != 0) throw std::runtime_error("cannot start " + program);
    char line[16] = {};
    const ssize_t got = ::read(pipe[0], line, sizeof line);
    const auto painted = std::chrono::steady_clock::now();
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (got <= 0 || std::string_view(line, static_cast<std::size_t>(got)) != "painted\n") {
        throw std::runtime_error("the program ended without painting its window");
    }
    return std::chrono::duration<double>(painted - start).count();
}

void BM_StartUpToFirstPaint(benchmark::State& state) {
    const fs::path dir = installation(state.range(0));
    const fs::path runtime = fs::temp_directory_path() / "kw-bench-startup-runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    for (auto _ : state) state.SetIterationTime(timeToFirstPaint(dir, runtime));
    state.counters["channels"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_StartUpToFirstPaint)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
