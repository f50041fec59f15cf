#include "core/browser/TreeCache.h"

#include "core/base/Error.h"
#include "core/base/SafeFile.h"
#include "core/base/TextCodec.h"
#include "core/browser/ChannelTree.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <vector>

namespace kw {
namespace {

// Text is converted in batches of whole lines: one converter call per batch
// instead of per node. CR, LF, TAB and space never occur inside a GBK
// character, so lines split the same before and after conversion.
constexpr std::size_t kBatchBytes = 64 * 1024;

// No node text comes near this; a longer line means a damaged cache, and
// refusing it keeps the line search from running over megabytes again and again.
constexpr std::size_t kMaxLineBytes = 64 * 1024;

[[noreturn]] void throwLineTooLong() {
    throw Error("Invalid tree cache: a line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
}

void appendNodeText(std::string& line, std::string_view text) {
    // A CR or LF inside a text would split its line and corrupt the cache.
    for (char c : text) line.push_back(c == '\r' || c == '\n' ? ' ' : c);
}

// The first CR or LF at or after from, or npos. Plain loops here and for the
// level below: find_first_of and find_first_not_of call memchr on their
// character set once per byte they pass.
std::size_t findLineEnd(std::string_view text, std::size_t from) {
    for (std::size_t at = from; at < text.size(); ++at) {
        if (text[at] == '\n' || text[at] == '\r') return at;
    }
    return std::string_view::npos;
}

std::string invalidLevel(std::size_t level, std::string_view text) {
    return "Invalid level (" + std::to_string(level) + ") for item \"" + std::string(text) + "\"";
}

class CacheReader {
public:
    CacheReader(ChannelTree& tree, YieldHook& yield) : tree_(tree), yield_(yield) {}

    void add(std::size_t level, std::string_view text) {
        yield_.tick();
        if (previous_ == kNoNode) {
            previous_ = tree_.appendChild(kNoNode, text);
            return;
        }
        const std::size_t previousLevel = tree_.level(previous_);
        if (level > previousLevel + 1) throw Error(invalidLevel(level, text));
        if (level == previousLevel + 1) {
            previous_ = tree_.appendChild(previous_, text);
            return;
        }
        NodeId sibling = previous_;
        while (tree_.level(sibling) > level) sibling = tree_.parent(sibling);
        previous_ = tree_.appendChild(tree_.parent(sibling), text);
    }

private:
    ChannelTree& tree_;
    YieldHook& yield_;
    NodeId previous_ = kNoNode;
};

// Splits cache bytes into lines as they arrive, so a large file is read and
// placed in small steps.
class CacheParser {
public:
    CacheParser(ChannelTree& tree, YieldHook& yield) : reader_(tree, yield) {}

    void feed(std::string_view bytes) {
        pending_.append(bytes);
        consume(false);
    }
    void finish() { consume(true); }

private:
    void consume(bool atEnd) {
        std::size_t pos = 0;
        while (pos < pending_.size()) {
            // The bytes before scanned_ were searched by the last feed already.
            std::size_t end = findLineEnd(pending_, std::max(pos, scanned_));
            if (end == std::string::npos) {
                if (pending_.size() - pos > kMaxLineBytes) throwLineTooLong();
                if (!atEnd) {
                    scanned_ = pending_.size();
                    break;
                }
                end = pending_.size();
            } else if (!atEnd && pending_[end] == '\r' && end + 1 == pending_.size()) {
                scanned_ = end;
                break;  // the LF of this CR LF may come with the next bytes
            }
            if (end - pos > kMaxLineBytes) throwLineTooLong();
            std::string_view line = std::string_view(pending_).substr(pos, end - pos);
            pos = end + 1;
            if (end < pending_.size() && pending_[end] == '\r' && pos < pending_.size() &&
                pending_[pos] == '\n') {
                ++pos;
            }
            std::size_t level = 0;
            while (level < line.size() && (line[level] == '\t' || line[level] == ' ')) ++level;
            line.remove_prefix(level);
            if (line.empty()) continue;
            levels_.push_back(level);
            joined_ += line;
            ends_.push_back(joined_.size());
            joined_ += '\n';
            if (joined_.size() >= kBatchBytes) placeBatch();
        }
        placeBatch();
        pos = std::min(pos, pending_.size());
        pending_.erase(0, pos);
        scanned_ = scanned_ > pos ? scanned_ - pos : 0;
    }

    void placeBatch() {
        const std::string converted = text::fromGbk(joined_);
        std::vector<std::string_view> texts;
        std::size_t start = 0;
        for (std::size_t nl = converted.find('\n'); nl != std::string::npos;
             nl = converted.find('\n', start)) {
            texts.emplace_back(converted.data() + start, nl - start);
            start = nl + 1;
        }
        if (texts.size() == levels_.size()) {
            for (std::size_t i = 0; i < levels_.size(); ++i) reader_.add(levels_[i], texts[i]);
        } else {
            // Malformed bytes swallowed a line end: convert line by line instead.
            std::size_t lineStart = 0;
            for (std::size_t i = 0; i < levels_.size(); ++i) {
                const std::string_view raw =
                    std::string_view(joined_).substr(lineStart, ends_[i] - lineStart);
                reader_.add(levels_[i], text::fromGbk(raw));
                lineStart = ends_[i] + 1;
            }
        }
        levels_.clear();
        ends_.clear();
        joined_.clear();
    }

    CacheReader reader_;
    std::string pending_;
    std::size_t scanned_ = 0;  // no line break in pending_ before this
    std::vector<std::size_t> levels_;
    std::vector<std::size_t> ends_;  // end of each line's text in joined_
    std::string joined_;
};

// Calls flush with batches of whole lines, each node's TABs, text and eol.
template <typename Flush>
void formatLines(const ChannelTree& tree, std::string_view eol, YieldHook& yield, Flush flush) {
    std::string batch;
    for (NodeId node = tree.nextInTreeOrder(kNoNode); node != kNoNode; node = tree.nextInTreeOrder(node)) {
        yield.tick();
        batch.append(tree.level(node), '\t');
        appendNodeText(batch, tree.text(node));
        batch += eol;
        if (batch.size() >= kBatchBytes) {
            flush(batch);
            batch.clear();
        }
    }
    flush(batch);
}

}  // namespace

std::string formatTreeCache(const ChannelTree& tree, YieldHook& yield) {
    std::string gbk;
    formatLines(tree, "\r\n", yield, [&](const std::string& batch) { gbk += text::toGbk(batch); });
    return gbk;
}

std::string formatTreeOutline(const ChannelTree& tree) {
    std::string outline;
    YieldHook none;
    formatLines(tree, "\n", none, [&](const std::string& batch) { outline += batch; });
    return outline;
}

void parseTreeCache(std::string_view bytes, ChannelTree& tree, YieldHook& yield) {
    parseTreeCache(std::span(&bytes, 1), tree, yield);
}

void parseTreeCache(std::span<const std::string_view> pieces, ChannelTree& tree, YieldHook& yield) {
    ChannelTree::ResetScope reset(tree);
    tree.clear();
    CacheParser parser(tree, yield);
    for (std::string_view piece : pieces) parser.feed(piece);
    parser.finish();
}

void saveTreeCache(const ChannelTree& tree, const std::filesystem::path& file, YieldHook& yield) {
    // A name holding a line break (a hand-made database) cannot be kept in a
    // line; without a cache the next start builds the tree from the
    // database, where the name is whole and still plays.
    for (NodeId node = tree.nextInTreeOrder(kNoNode); node != kNoNode; node = tree.nextInTreeOrder(node)) {
        if (tree.text(node).find_first_of("\r\n") != std::string_view::npos) {
            std::error_code missing;
            std::filesystem::remove(file, missing);
            return;
        }
    }
    replaceFileAtomically(file, formatTreeCache(tree, yield));
}

void loadTreeCache(ChannelTree& tree, const std::filesystem::path& file, YieldHook& yield) {
    const FileDescriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) throw Error("Unable to read " + file.string());
    ChannelTree::ResetScope reset(tree);
    tree.clear();
    CacheParser parser(tree, yield);
    std::string chunk(kBatchBytes, '\0');
    for (;;) {
        const ssize_t got = ::read(in.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw Error("Unable to read " + file.string());
        if (got == 0) break;
        yield.tick();  // a cache of few, long lines places few nodes
        parser.feed(std::string_view(chunk).substr(0, static_cast<std::size_t>(got)));
    }
    parser.finish();
}

std::unique_ptr<TreeCachePreload> TreeCachePreload::start(std::filesystem::path file) {
    std::error_code missing;
    if (!std::filesystem::exists(file, missing)) return nullptr;
    try {
        return std::unique_ptr<TreeCachePreload>(new TreeCachePreload(std::move(file)));
    } catch (const std::system_error&) {
        return nullptr;  // no thread: the build reads the cache itself
    }
}

TreeCachePreload::TreeCachePreload(std::filesystem::path file)
    : file_(std::move(file)), read_(std::async(std::launch::async, [this] {
          YieldHook alone;  // nothing to hand over to on this thread
          loadTreeCache(tree_, file_, alone);
      })) {}

TreeCachePreload::~TreeCachePreload() = default;

void TreeCachePreload::takeInto(ChannelTree& tree, YieldHook& yield) {
    constexpr std::chrono::milliseconds kWaitStep{5};
    while (read_.wait_for(kWaitStep) != std::future_status::ready) yield.yieldNow();
    read_.get();
    tree.takeNodes(tree_);
}

}  // namespace kw
