#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace kw::test {

struct KwaveRun {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs the built kwave (KW_KWAVE_PATH) on a program directory. Arguments are
// single-quoted for the shell, so none of them may hold a single quote.
inline KwaveRun runKwave(const std::filesystem::path& programDir, const std::vector<std::string>& args) {
    const std::filesystem::path errFile =
        programDir.parent_path() / (programDir.filename().string() + ".stderr");
    std::string command = std::string(KW_KWAVE_PATH) + " --dir '" + programDir.string() + "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " 2>'" + errFile.string() + "'";
    KwaveRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (FILE* err = std::fopen(errFile.c_str(), "rb")) {
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, err)) run.err.append(buffer, got);
        std::fclose(err);
    }
    std::filesystem::remove(errFile);
    return run;
}

}  // namespace kw::test
