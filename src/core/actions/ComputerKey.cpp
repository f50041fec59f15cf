#include "core/actions/ComputerKey.h"

#include <cstdint>

namespace kw {
namespace {

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
    return computerKeyFor(machineIdentity(machineIdFiles));
}

std::string computerKeyFor(std::string_view machineId) {
    if (machineId.empty()) return {};
    const std::string salted = "Kestrel Wave child lock\n" + std::string(machineId);
    std::string key;
    appendHex(key, fnv1a(salted, 0xcbf29ce484222325ULL));
    appendHex(key, fnv1a(salted, 0x84222325cbf29ce4ULL));
    return key;
}

}  // namespace kw
