#pragma once

#include "core/base/YieldHook.h"
#include "core/browser/ChannelTree.h"

#include <filesystem>
#include <future>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kw {

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

// Reads a tree cache on a thread of its own, so that the program can build
// its windows meanwhile; the start's tree build then takes the nodes over.
class TreeCachePreload {
public:
    // Starts the read; nullptr when file does not exist or no thread can be started.
    static std::unique_ptr<TreeCachePreload> start(std::filesystem::path file);
    ~TreeCachePreload();
    TreeCachePreload(const TreeCachePreload&) = delete;
    TreeCachePreload& operator=(const TreeCachePreload&) = delete;

    // Waits for the read, handing control over through yield meanwhile, and
    // moves its nodes into tree as loadTreeCache would have read them; throws
    // the read's kw::Error instead. Once only.
    void takeInto(ChannelTree& tree, YieldHook& yield);

private:
    explicit TreeCachePreload(std::filesystem::path file);

    std::filesystem::path file_;
    ChannelTree tree_;
    std::future<void> read_;  // last: its end waits for the thread, which uses the rest
};

}  // namespace kw
