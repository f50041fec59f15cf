#pragma once

#include <cstdint>
#include <functional>
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

// The chance draws of a run (the advertisement roll, the compaction draw): a
// whole number drawn uniformly from [0, bound), bound > 0. The program's is
// seeded from the clock; a test hands in its own.
using RandomSource = std::function<int(int bound)>;
RandomSource clockSeededRandomSource();

}  // namespace kw
