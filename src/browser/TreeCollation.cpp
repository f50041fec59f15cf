#include "browser/TreeCollation.h"

#include "store/Error.h"

#include <unicode/ucol.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>

#include <array>
#include <cstring>

namespace kw {
namespace {

void check(UErrorCode status, const char* what) {
    if (U_FAILURE(status)) throw Error(std::string("ICU cannot ") + what + ": " + u_errorName(status));
}

}  // namespace

void TreeCollation::Closer::operator()(UCollator* collator) const { ucol_close(collator); }

TreeCollation::TreeCollation() {
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
    utf16_.resize(text.size() + 1);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(utf16_.data(), static_cast<int32_t>(utf16_.size()), &length, text.data(),
                         static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    check(status, "convert a text for collation");
    const std::size_t start = out.size();
    std::size_t room = 3 * static_cast<std::size_t>(length) + 16;
    for (;;) {
        out.resize(start + room);
        const int32_t needed =
            ucol_getSortKey(collator_.get(), utf16_.data(), length,
                            reinterpret_cast<uint8_t*>(out.data() + start), static_cast<int32_t>(room));
        if (needed <= 0) throw Error("ICU cannot make a collation key");
        if (static_cast<std::size_t>(needed) <= room) {
            out.resize(start + static_cast<std::size_t>(needed) - 1);  // drop the terminating NUL
            return;
        }
        room = static_cast<std::size_t>(needed);
    }
}

}  // namespace kw
