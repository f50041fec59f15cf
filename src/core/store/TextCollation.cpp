#include "core/store/TextCollation.h"

#include "core/base/Error.h"

#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/uscript.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace kw {
namespace {

struct CollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};

UCollator& collator() {
    thread_local std::unique_ptr<UCollator, CollatorCloser> opened = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UCollator, CollatorCloser> made(ucol_open("zh", &status));
        const std::array<int32_t, 2> order{USCRIPT_LATIN, USCRIPT_HAN};
        if (U_SUCCESS(status))
            ucol_setReorderCodes(made.get(), order.data(), static_cast<int32_t>(order.size()), &status);
        if (U_FAILURE(status))
            throw Error(std::string("ICU cannot open the Chinese collator: ") + u_errorName(status));
        ucol_setStrength(made.get(), UCOL_TERTIARY);
        return made;
    }();
    return *opened;
}

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int compareFolded(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(foldAscii(a[i]));
        const auto y = static_cast<unsigned char>(foldAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int collate(void* /*unused*/, int lengthA, const void* dataA, int lengthB, const void* dataB) {
    return compareChannelText({static_cast<const char*>(dataA), static_cast<std::size_t>(lengthA)},
                              {static_cast<const char*>(dataB), static_cast<std::size_t>(lengthB)});
}

}  // namespace

int compareChannelText(std::string_view a, std::string_view b) {
    const int folded = compareFolded(a, b);
    if (folded == 0) return 0;  // the common case of equality tests costs no collator call
    std::string foldedA(a), foldedB(b);
    for (char& c : foldedA) c = foldAscii(c);
    for (char& c : foldedB) c = foldAscii(c);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result =
        ucol_strcollUTF8(&collator(), foldedA.data(), static_cast<int32_t>(foldedA.size()), foldedB.data(),
                         static_cast<int32_t>(foldedB.size()), &status);
    if (U_FAILURE(status) || result == UCOL_EQUAL) return folded;
    return result == UCOL_LESS ? -1 : 1;
}

void registerTextCollation(sqlite3* db) {
    const std::string name(kTextCollationName);
    if (sqlite3_create_collation_v2(db, name.c_str(), SQLITE_UTF8, nullptr, collate, nullptr) != SQLITE_OK)
        throw Error(sqlite3_errmsg(db));
}

}  // namespace kw
