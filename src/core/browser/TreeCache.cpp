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
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
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

// Whole lines of a cache, converted: each line's level and its text in
// UTF-8, the texts one after another in text, each ended by the LF at ends.
struct LineBatch {
    std::vector<std::size_t> levels;
    std::vector<std::size_t> ends;
    std::string text;
};

void placeBatch(CacheReader& reader, const LineBatch& batch) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < batch.levels.size(); ++i) {
        reader.add(batch.levels[i], std::string_view(batch.text).substr(start, batch.ends[i] - start));
        start = batch.ends[i] + 1;
    }
}

// Splits cache bytes into lines as they arrive and hands them on in
// converted batches, so a large file is read and placed in small steps.
class LineSplitter {
public:
    using Emit = std::function<void(LineBatch&&)>;

    explicit LineSplitter(Emit emit) : emit_(std::move(emit)) {}

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
            if (joined_.size() >= kBatchBytes) emitBatch();
        }
        emitBatch();
        pos = std::min(pos, pending_.size());
        pending_.erase(0, pos);
        scanned_ = scanned_ > pos ? scanned_ - pos : 0;
    }

    void emitBatch() {
        if (levels_.empty()) return;
        LineBatch batch;
        batch.text = text::fromGbk(joined_);
        for (std::size_t nl = batch.text.find('\n'); nl != std::string::npos;
             nl = batch.text.find('\n', nl + 1)) {
            batch.ends.push_back(nl);
        }
        if (batch.ends.size() != levels_.size()) {
            // Malformed bytes swallowed a line end: convert line by line instead.
            batch.text.clear();
            batch.ends.clear();
            std::size_t lineStart = 0;
            for (const std::size_t lineEnd : ends_) {
                batch.text += text::fromGbk(std::string_view(joined_).substr(lineStart, lineEnd - lineStart));
                batch.ends.push_back(batch.text.size());
                batch.text += '\n';
                lineStart = lineEnd + 1;
            }
        }
        batch.levels.swap(levels_);
        levels_.clear();
        ends_.clear();
        joined_.clear();
        emit_(std::move(batch));
    }

    Emit emit_;
    std::string pending_;
    std::size_t scanned_ = 0;  // no line break in pending_ before this
    std::vector<std::size_t> levels_;
    std::vector<std::size_t> ends_;  // end of each line's text in joined_
    std::string joined_;
};

// Hands converted batches from the thread that reads and converts a cache
// file to the one that places its nodes. Holds a few batches at most, so
// memory stays small whichever side is faster.
class BatchQueue {
public:
    // False once the placing side has stopped.
    bool push(LineBatch&& batch) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || batches_.size() < kMostQueued; });
        if (stopped_) return false;
        batches_.push_back(std::move(batch));
        changed_.notify_all();
        return true;
    }
    // The reading side is done, with error set when it failed.
    void finish(std::exception_ptr error) {
        const std::lock_guard lock(mutex_);
        finished_ = true;
        error_ = std::move(error);
        changed_.notify_all();
    }
    // The next batch, or nothing after the last; throws the reading side's error.
    std::optional<LineBatch> pop() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return finished_ || !batches_.empty(); });
        if (batches_.empty()) {
            if (error_) std::rethrow_exception(error_);
            return std::nullopt;
        }
        LineBatch batch = std::move(batches_.front());
        batches_.pop_front();
        changed_.notify_all();
        return batch;
    }
    // The placing side stops (done or failed): a waiting push returns.
    void stop() {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }

private:
    static constexpr std::size_t kMostQueued = 8;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<LineBatch> batches_;
    bool finished_ = false;
    bool stopped_ = false;
    std::exception_ptr error_;
};

// Feeds the file to splitter until it ends or going turns false.
void feedFile(int in, const std::filesystem::path& file, LineSplitter& splitter, const bool& going) {
    std::string chunk(kBatchBytes, '\0');
    while (going) {
        const ssize_t got = ::read(in, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw Error("Unable to read " + file.string());
        if (got == 0) break;
        splitter.feed(std::string_view(chunk).substr(0, static_cast<std::size_t>(got)));
    }
    if (going) splitter.finish();
}

// Reads file into the queue; runs on a thread of its own.
void readConverted(int in, const std::filesystem::path& file, BatchQueue& queue) {
    try {
        bool placing = true;
        LineSplitter splitter([&](LineBatch&& batch) { placing = placing && queue.push(std::move(batch)); });
        feedFile(in, file, splitter, placing);
        queue.finish(nullptr);
    } catch (...) {
        queue.finish(std::current_exception());
    }
}

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
    CacheReader reader(tree, yield);
    LineSplitter splitter([&](LineBatch&& batch) { placeBatch(reader, batch); });
    for (std::string_view piece : pieces) splitter.feed(piece);
    splitter.finish();
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
    CacheReader reader(tree, yield);
    // Reading and converting run on a second thread while this one places
    // the nodes: each is about half of the work.
    BatchQueue queue;
    std::jthread converter;
    try {
        converter = std::jthread([&] { readConverted(in.get(), file, queue); });
    } catch (const std::system_error&) {
        const bool going = true;  // no second thread: one does both
        LineSplitter splitter([&](LineBatch&& batch) { placeBatch(reader, batch); });
        feedFile(in.get(), file, splitter, going);
        return;
    }
    // Runs first on the way out: the thread may be waiting for room in the
    // queue when this one stops early, and is joined only after it is told.
    const struct StopQueue {
        BatchQueue& queue;
        ~StopQueue() { queue.stop(); }
    } stopQueue{queue};
    while (const std::optional<LineBatch> batch = queue.pop()) {
        yield.tick();  // a cache of few, long lines places few nodes
        placeBatch(reader, *batch);
    }
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
