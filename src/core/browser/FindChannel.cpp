#include "core/browser/FindChannel.h"

#include "core/base/AsciiText.h"

#include <algorithm>

namespace kw {
bool containsIgnoringAsciiCase(std::string_view text, std::string_view needle) {
    return std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                       [](char a, char b) { return ascii::toUpper(a) == ascii::toUpper(b); }) != text.end() ||
           needle.empty();
}

NodeId findNextChannelNode(const ChannelTree& tree, NodeId from, std::string_view needle, YieldHook& yield) {
    NodeId node = kNoNode;
    if (from == kNoNode || from == tree.lastInTreeOrder()) {
        node = tree.nextInTreeOrder(tree.nextInTreeOrder(kNoNode));
    } else {
        node = tree.nextInTreeOrder(from);
    }
    for (; node != kNoNode; node = tree.nextInTreeOrder(node)) {
        if (!tree.hasChildren(node) && containsIgnoringAsciiCase(tree.text(node), needle)) return node;
        yield.tick();
    }
    return kNoNode;
}

}  // namespace kw
