#pragma once

#include "core/base/YieldHook.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace kw {

class ChannelTree;

inline constexpr std::string_view kTreeCacheFileName = "ChannelTree.tre";

// The tree cache: one GBK line per node in tree order, as many TABs as the
// node's level, then its text, then CR LF. Expansion and selection are not kept.
std::string formatTreeCache(const ChannelTree& tree, YieldHook& yield);

// The same lines in UTF-8 ended by LF, for people and scripts.
std::string formatTreeOutline(const ChannelTree& tree);

// Replaces the nodes of tree with those of a cache's bytes. Lines end at
// CR LF, CR or LF; the leading run of TABs and spaces is the level; lines
// with no text are skipped. A line more than one level deeper than the one
// before throws kw::Error "Invalid level (N) for item "TEXT"".
// A line longer than 64 KB throws kw::Error "Invalid tree cache: a line is
// longer than 65536 bytes".
void parseTreeCache(std::string_view bytes, ChannelTree& tree, YieldHook& yield);
// The same for bytes that arrive in pieces; the result never depends on where
// the pieces are cut.
void parseTreeCache(std::span<const std::string_view> pieces, ChannelTree& tree, YieldHook& yield);

// Replaces the cache file whole (see replaceFileAtomically); throws kw::Error
// "Unable to write to PATH" when that fails.
void saveTreeCache(const ChannelTree& tree, const std::filesystem::path& file, YieldHook& yield);

// Reads file into tree (see parseTreeCache); throws kw::Error when the file
// cannot be read or is malformed.
void loadTreeCache(ChannelTree& tree, const std::filesystem::path& file, YieldHook& yield);

}  // namespace kw
