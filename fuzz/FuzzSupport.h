#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

// What every fuzz target shares: a scratch folder and a way to take several
// inputs out of one byte string.
namespace kw::fuzz {

// Stops the run so libFuzzer keeps the input as a finding.
[[noreturn]] inline void fail(std::string_view what) {
    std::fprintf(stderr, "property broken: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline void check(bool holds, std::string_view what) {
    if (!holds) fail(what);
}

// A folder of this process's own, emptied for each input and removed at exit.
class Scratch {
public:
    static const std::filesystem::path& fresh() {
        static Scratch scratch;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path_))
            std::filesystem::remove_all(entry.path(), ignored);
        return scratch.path_;
    }

private:
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kw-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) fail("no scratch folder");
        path_ = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::size_t filesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

// Reads the input front to back: small numbers and pieces cut at a separator.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t byte() {
        if (rest_.empty()) return 0;
        const auto value = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return value;
    }
    // The bytes up to the next separator (dropped), or all that is left.
    std::string_view piece(char separator = '\0') {
        const std::size_t end = rest_.find(separator);
        const std::string_view piece = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        return piece;
    }
    std::string_view rest() const { return rest_; }

private:
    std::string_view rest_;
};

}  // namespace kw::fuzz
