#include "core/browser/BlockMemory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace kw {

void* allocateBlocks(std::size_t bytes, bool huge) {
    const std::size_t rounded = (bytes + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
    void* block = std::aligned_alloc(kBlockBytes, rounded);
    if (block == nullptr) throw std::bad_alloc();
    if (huge) ::madvise(block, rounded, MADV_HUGEPAGE);
    return block;
}

void BlockFree::operator()(void* block) const { std::free(block); }

std::string_view TextBlocks::store(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > kBlockBytes / 8) {
        auto& own = large_.emplace_back(std::make_unique_for_overwrite<char[]>(text.size()));
        bytes_ += text.size();
        std::memcpy(own.get(), text.data(), text.size());
        return {own.get(), text.size()};
    }
    if (used_ + text.size() > kBlockBytes) {
        blocks_.emplace_back(static_cast<char*>(allocateBlocks(kBlockBytes, !blocks_.empty())));
        bytes_ += kBlockBytes;
        used_ = 0;
    }
    char* place = blocks_.back().get() + used_;
    std::memcpy(place, text.data(), text.size());
    used_ += text.size();
    return {place, text.size()};
}

}  // namespace kw
