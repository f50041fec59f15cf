#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kw {

// One channel of the catalogue an installation ships, address in plain text.
struct CatalogueChannel {
    std::string class0, class1, class2, class3;
    std::string name, url, link, memo, type, speed;
};

// Reads the shipped catalogue: UTF-8, tab-separated, one header line
// "class0 class1 class2 class3 name url link memo type speed". Every row is
// checked against the column rules of the channel table (required columns,
// widths, names unique ignoring letter case); a bad row throws kw::Error
// naming the file and line, so a broken catalogue never half-installs.
std::vector<CatalogueChannel> readCatalogue(const std::filesystem::path& file);

}  // namespace kw
