#include "core/browser/FindChannel.h"

#include <algorithm>

namespace kw {
namespace {

char upperAsciiByte(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool containsIgnoringAsciiCase(std::string_view text, std::string_view needle) {
    return std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                       [](char a, char b) { return upperAsciiByte(a) == upperAsciiByte(b); }) != text.end() ||
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
