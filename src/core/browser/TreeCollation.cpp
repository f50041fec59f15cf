#include "core/browser/TreeCollation.h"

#include "core/base/Error.h"

#include <unicode/ucol.h>
#include <unicode/uscript.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <array>
#include <cstring>

namespace kw {
namespace {

void check(UErrorCode status, const char* what) {
    if (U_FAILURE(status)) throw Error(std::string("ICU cannot ") + what + ": " + u_errorName(status));
}

}  // namespace

void TreeCollation::Closer::operator()(UCollator* collator) const { ucol_close(collator); }

TreeCollation::TreeCollation(std::string_view pinnedFirst) : pinnedFirst_(pinnedFirst) {
    UErrorCode status = U_ZERO_ERROR;
    collator_.reset(ucol_open("zh", &status));
    check(status, "open the Chinese collator");
    // Plain Chinese collation puts Han before Latin; category roots lead with
    // a Latin letter and must come before classes that start with Han.
    const std::array<int32_t, 2> order{USCRIPT_LATIN, USCRIPT_HAN};
    ucol_setReorderCodes(collator_.get(), order.data(), static_cast<int32_t>(order.size()), &status);
    check(status, "reorder the collator's scripts");
    ucol_setStrength(collator_.get(), UCOL_TERTIARY);
}

TreeCollation::~TreeCollation() = default;

int TreeCollation::compare(std::string_view a, std::string_view b) const {
    if (!pinnedFirst_.empty() && (a == pinnedFirst_) != (b == pinnedFirst_))
        return a == pinnedFirst_ ? -1 : 1;
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result =
        ucol_strcollUTF8(collator_.get(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                         static_cast<int32_t>(b.size()), &status);
    check(status, "compare texts");
    if (result != UCOL_EQUAL) return result == UCOL_LESS ? -1 : 1;
    const int bytes = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (bytes != 0) return bytes;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

void TreeCollation::appendSortKey(std::string_view text, std::string& out) const {
    // The collator's keys hold no zero byte, so a lone zero sorts before them all.
    if (!pinnedFirst_.empty() && text == pinnedFirst_) {
        out.push_back('\0');
        return;
    }
    // Decoding here costs much less per call than u_strFromUTF8WithSub; UTF-8
    // never needs more UTF-16 units than it has bytes.
    if (utf16_.size() < text.size()) utf16_.resize(text.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    std::size_t units = 0;
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) c = 0xFFFD;
        if (c <= 0xFFFF) {
            utf16_[units++] = static_cast<char16_t>(c);
        } else {
            utf16_[units++] = U16_LEAD(c);
            utf16_[units++] = U16_TRAIL(c);
        }
    }
    if (key_.size() < 4 * units + 32) key_.resize(4 * units + 32);
    for (;;) {
        const int32_t needed = ucol_getSortKey(collator_.get(), utf16_.data(), static_cast<int32_t>(units),
                                               key_.data(), static_cast<int32_t>(key_.size()));
        if (needed <= 0) throw Error("ICU cannot make a collation key");
        if (static_cast<std::size_t>(needed) <= key_.size()) {
            // Without the terminating NUL.
            out.append(reinterpret_cast<const char*>(key_.data()), static_cast<std::size_t>(needed) - 1);
            return;
        }
        key_.resize(static_cast<std::size_t>(needed));
    }
}

}  // namespace kw
