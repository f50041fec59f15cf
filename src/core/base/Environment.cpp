#include "core/base/Environment.h"

#include "core/base/TextCodec.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

namespace kw {
namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

Environment Environment::fromProcess() {
    Environment environment;
    environment.home = variable("HOME");
    environment.xdgDataHome = variable("XDG_DATA_HOME");
    environment.xdgConfigHome = variable("XDG_CONFIG_HOME");
    environment.machineId = machineIdentity();
    return environment;
}

std::string machineIdentity(std::span<const std::string_view> machineIdFiles) {
    for (std::string_view file : machineIdFiles) {
        std::ifstream in{std::filesystem::path(file)};
        std::string line;
        if (!in || !std::getline(in, line)) continue;
        const std::string_view id = text::trimBlanks(line);
        // systemd writes "uninitialized" while the identity is not yet settled.
        if (!id.empty() && id != "uninitialized") return "machine:" + std::string(id);
    }
    std::array<char, 256> host{};
    if (gethostname(host.data(), host.size() - 1) == 0 && host[0] != '\0') {
        return "host:" + std::string(host.data());
    }
    return {};
}

RandomSource clockSeededRandomSource() {
    const auto seed =
        static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count());
    auto engine = std::make_shared<std::mt19937>(seed);
    return [engine](int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(*engine); };
}

}  // namespace kw
