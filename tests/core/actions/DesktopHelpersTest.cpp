#include "core/actions/DesktopHelpers.h"

#include <gtest/gtest.h>

namespace {

std::tm makeTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

TEST(DateTooltipText, PadsEveryFieldAndPutsTheTimeAfterAnEmptyLine) {
    EXPECT_EQ(kw::dateTooltipText(makeTime(2003, 8, 15, 9, 5, 3)),
              "现在是: 2003年08月15日\r\n\r\n          09时05分03秒");
    EXPECT_EQ(kw::dateTooltipText(makeTime(2024, 1, 1, 0, 0, 0)),
              "现在是: 2024年01月01日\r\n\r\n          00时00分00秒");
    EXPECT_EQ(kw::dateTooltipText(makeTime(999, 12, 31, 23, 59, 59)),
              "现在是: 0999年12月31日\r\n\r\n          23时59分59秒");
}

}  // namespace
