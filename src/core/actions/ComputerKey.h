#pragma once

#include "core/base/Environment.h"

#include <span>
#include <string>
#include <string_view>

namespace kw {

// The key the child-lock password is scrambled under, derived from the
// computer's identity (Environment::machineId): the same on every run on one
// computer and different between computers; the identity is hashed so the
// stored password never reveals it. Empty for an unknown identity.
std::string computerKeyFor(std::string_view machineId);
// The same for the identity read from the first readable, non-empty
// machine-id file, else from the host name.
std::string computerKey(std::span<const std::string_view> machineIdFiles = kMachineIdFiles);

}  // namespace kw
