#include "core/actions/ComputerKey.h"

#include "core/base/TextCodec.h"

#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>

namespace kw {
namespace {

std::string readIdentity(std::span<const std::string_view> machineIdFiles) {
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

std::uint64_t fnv1a(std::string_view bytes, std::uint64_t seed) {
    std::uint64_t hash = seed;
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

void appendHex(std::string& out, std::uint64_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int shift = 60; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

}  // namespace

std::string computerKey(std::span<const std::string_view> machineIdFiles) {
    const std::string identity = readIdentity(machineIdFiles);
    if (identity.empty()) return {};
    const std::string salted = "Kestrel Wave child lock\n" + identity;
    std::string key;
    appendHex(key, fnv1a(salted, 0xcbf29ce484222325ULL));
    appendHex(key, fnv1a(salted, 0x84222325cbf29ce4ULL));
    return key;
}

}  // namespace kw
