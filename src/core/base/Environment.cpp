#include "core/base/Environment.h"

#include "core/base/TextCodec.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

RandomSource RandomSource::fromClock() {
    return RandomSource(
        static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

}  // namespace kw
