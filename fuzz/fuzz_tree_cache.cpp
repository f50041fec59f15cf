// The tree cache loader: fed whole or in pieces cut anywhere, it gives the same
// tree or the same error; a tree it loads is saved and loaded back unchanged.
#include "FuzzSupport.h"
#include "core/base/Error.h"
#include "core/browser/ChannelTree.h"
#include "core/browser/TreeCache.h"

#include <algorithm>
#include <vector>

using namespace kw;

namespace {

// The tree's outline, or the error that stopped the load.
std::string load(std::span<const std::string_view> pieces, ChannelTree& tree) {
    YieldHook yield;
    try {
        parseTreeCache(pieces, tree, yield);
    } catch (const Error& error) {
        return std::string("error: ") + error.what();
    }
    return formatTreeOutline(tree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    std::vector<std::size_t> cuts(input.byte() % 8);
    for (std::size_t& cut : cuts) cut = static_cast<std::size_t>(input.byte()) << 8 | input.byte();
    const std::string_view bytes = input.rest();
    for (std::size_t& cut : cuts) cut = bytes.empty() ? 0 : cut % (bytes.size() + 1);
    std::sort(cuts.begin(), cuts.end());
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t cut : cuts) {
        pieces.push_back(bytes.substr(start, cut - start));
        start = cut;
    }
    pieces.push_back(bytes.substr(start));

    ChannelTree tree;
    const std::string whole = load(std::span(&bytes, 1), tree);
    ChannelTree piecewise;
    fuzz::check(load(pieces, piecewise) == whole, "pieces load as the whole does");
    if (whole.starts_with("error: ")) return 0;

    YieldHook yield;
    const std::string saved = formatTreeCache(tree, yield);
    const std::string_view savedView = saved;
    ChannelTree reloaded;
    fuzz::check(load(std::span(&savedView, 1), reloaded) == whole, "a saved tree loads back unchanged");
    return 0;
}
