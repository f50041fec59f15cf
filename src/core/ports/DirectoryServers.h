#pragma once

#include <string>
#include <vector>

namespace kw {

// Where the public radio directory can be asked: its mirrors come and go,
// so they are looked up in the name system rather than kept in the program.
class DirectoryServers {
public:
    virtual ~DirectoryServers() = default;
    // Base addresses of the mirrors ("https://de1.api.radio-browser.info"),
    // without a trailing "/", in random order so that the load spreads;
    // empty when none can be found (no network).
    virtual std::vector<std::string> candidates() = 0;
};

}  // namespace kw
