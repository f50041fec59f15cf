#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kw {

// Files that hold this computer's identity, tried in order.
inline constexpr std::string_view kMachineIdFiles[] = {"/etc/machine-id", "/var/lib/dbus/machine-id"};

// The key the child-lock password is scrambled under: derived from the first
// readable, non-empty machine-id file, else from the host name. The same on
// every run on one computer and different between computers; the identity is
// hashed so the stored password never reveals it.
std::string computerKey(std::span<const std::string_view> machineIdFiles = kMachineIdFiles);

}  // namespace kw
