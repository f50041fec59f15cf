#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct UCollator;

namespace kw {

// The order of the tree's children: ICU's Chinese collation (pinyin for Han)
// with Latin script ordered before Han, case-sensitive (tertiary strength).
// Texts the collator finds equal are ordered by their bytes, so the order is
// total and only byte-identical texts compare equal. One text may be pinned
// before all others (the favourites branch leads the tree, whatever the
// other main categories start with).
class TreeCollation {
public:
    explicit TreeCollation(std::string_view pinnedFirst = {});
    ~TreeCollation();
    TreeCollation(const TreeCollation&) = delete;
    TreeCollation& operator=(const TreeCollation&) = delete;

    // The text sorted before all others; a second collation made with it
    // orders exactly as this one (a thread of its own needs its own).
    std::string_view pinnedFirst() const { return pinnedFirst_; }

    // Negative, zero or positive as a sorts before, with or after b.
    int compare(std::string_view a, std::string_view b) const;

    // Appends the collator's sort key of text to out (without the final NUL).
    // Comparing two keys with memcmp agrees with compare() up to the byte
    // tie-break, which the caller applies to equal keys.
    void appendSortKey(std::string_view text, std::string& out) const;

private:
    struct Closer {
        void operator()(UCollator* collator) const;
    };
    std::unique_ptr<UCollator, Closer> collator_;
    std::string pinnedFirst_;
    // Reused buffers: a build makes a key for every node.
    mutable std::u16string utf16_;
    mutable std::vector<std::uint8_t> key_;
};

}  // namespace kw
