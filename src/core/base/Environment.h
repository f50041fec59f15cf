#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>

namespace kw {

// Files that hold this computer's identity, tried in order.
inline constexpr std::string_view kMachineIdFiles[] = {"/etc/machine-id", "/var/lib/dbus/machine-id"};

// What the program takes from its surroundings: read once by the front end's
// main() and handed down, so that nothing below reads the process
// environment and no test has to change it. Empty texts stand for unset
// variables.
struct Environment {
    std::string home;           // HOME
    std::string xdgDataHome;    // XDG_DATA_HOME
    std::string xdgConfigHome;  // XDG_CONFIG_HOME
    // This computer's identity ("machine:<id>", else "host:<name>"); empty when unknown.
    std::string machineId;

    static Environment fromProcess();
};

// "machine:<id>" from the first readable machine-id file holding a settled
// identity, else "host:<host name>", else empty.
std::string machineIdentity(std::span<const std::string_view> machineIdFiles = kMachineIdFiles);

// The chance draws of a run (the advertisement roll, the compaction draw):
// seeded from the clock in the program, from a fixed number in a test.
class RandomSource {
public:
    explicit RandomSource(std::uint32_t seed) : engine_(seed) {}
    static RandomSource fromClock();
    // A whole number from 0 to range - 1; range is at least 1.
    int below(int range) { return std::uniform_int_distribution<int>(0, range - 1)(engine_); }

private:
    std::mt19937 engine_;
};

}  // namespace kw
