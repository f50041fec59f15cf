#pragma once

#include "core/ports/DirectoryServers.h"

#include <string>
#include <vector>

namespace kw::test {

// The directory's mirrors as a test sets them; none unless given, so that
// nothing reaches the network.
class FakeDirectoryServers final : public DirectoryServers {
public:
    std::vector<std::string> servers;
    int asked = 0;

    std::vector<std::string> candidates() override {
        ++asked;
        return servers;
    }
};

}  // namespace kw::test
