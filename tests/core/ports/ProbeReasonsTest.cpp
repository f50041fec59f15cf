#include "core/ports/ProbeReasons.h"

#include <gtest/gtest.h>

#include <set>
#include <string_view>

namespace kw {
namespace {

TEST(ProbeReasons, EachReasonHasOneEntryWithItsOwnCodeAndWords) {
    std::set<std::string_view> codes, words;
    for (const ProbeReasonEntry& entry : kProbeReasons) {
        EXPECT_EQ(&probeReasonEntry(entry.reason), &entry) << entry.code;
        EXPECT_TRUE(codes.insert(entry.code).second) << entry.code;
        EXPECT_TRUE(words.insert(entry.words).second) << entry.words;
    }
    EXPECT_EQ(probeReasonEntry(ProbeReason::DashAnswered).code, "dash-answered");
}

}  // namespace
}  // namespace kw
