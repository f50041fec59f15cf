#pragma once

#include <bit>
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace kw {

// Memory for large tree builds in 2 MiB units that ask for huge pages: a
// million-node build then costs a few dozen page faults instead of tens of
// thousands, and its arrays grow block by block instead of being copied whole
// in one long step.
inline constexpr std::size_t kBlockBytes = std::size_t{2} << 20;

// bytes rounded up to whole blocks, aligned to a block. `huge` is off for a
// structure's first block, so a small tree stays small.
void* allocateBlocks(std::size_t bytes, bool huge = true);

struct BlockFree {
    void operator()(void* block) const;
};

// An array that grows by whole blocks and never moves what it holds. No
// element is initialised before it is pushed: a fresh block stays untouched
// memory until it is filled.
template <typename T>
class BlockArray {
public:
    static_assert(std::has_single_bit(sizeof(T)) && sizeof(T) <= kBlockBytes, "elements must tile a block");

    T& operator[](std::size_t at) { return blocks_[at / kPerBlock][at % kPerBlock]; }
    const T& operator[](std::size_t at) const { return blocks_[at / kPerBlock][at % kPerBlock]; }
    std::size_t size() const { return size_; }
    std::size_t bytes() const { return blocks_.size() * kBlockBytes; }
    void push_back(const T& value) {
        if (size_ % kPerBlock == 0)
            blocks_.emplace_back(static_cast<T*>(allocateBlocks(kBlockBytes, !blocks_.empty())));
        blocks_.back()[size_ % kPerBlock] = value;
        ++size_;
    }

private:
    static constexpr std::size_t kPerBlock = kBlockBytes / sizeof(T);
    std::vector<std::unique_ptr<T[], BlockFree>> blocks_;
    std::size_t size_ = 0;
};

// Texts packed end to end in blocks that never move, so a holder keeps a
// plain pointer and size instead of a string of its own.
class TextBlocks {
public:
    std::string_view store(std::string_view text);
    std::size_t bytes() const { return bytes_; }

private:
    std::vector<std::unique_ptr<char[], BlockFree>> blocks_;
    std::vector<std::unique_ptr<char[]>> large_;
    std::size_t used_ = kBlockBytes;
    std::size_t bytes_ = 0;
};

}  // namespace kw
