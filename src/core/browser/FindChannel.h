#pragma once

#include "core/base/YieldHook.h"
#include "core/browser/ChannelTree.h"

#include <string_view>

namespace kw {

// Whether text contains needle once the ASCII letters a to z of both are
// upper-cased; every other byte compares as it is.
bool containsIgnoringAsciiCase(std::string_view text, std::string_view needle);

// The first node after `from` in tree order (all levels, expanded or not)
// that has no children and whose text contains needle. The walk starts at
// position 1 (the node after the first) when `from` is kNoNode or the last
// node, and never wraps. kNoNode when nothing qualifies.
NodeId findNextChannelNode(const ChannelTree& tree, NodeId from, std::string_view needle, YieldHook& yield);

}  // namespace kw
