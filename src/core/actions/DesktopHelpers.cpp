#include "core/actions/DesktopHelpers.h"

#include <cstdio>

namespace kw {

std::string dateTooltipText(const std::tm& localTime) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "现在是: %04d年%02d月%02d日\r\n\r\n          %02d时%02d分%02d秒",
                  localTime.tm_year + 1900, localTime.tm_mon + 1, localTime.tm_mday, localTime.tm_hour,
                  localTime.tm_min, localTime.tm_sec);
    return buffer;
}

std::string dateTooltipTextNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return dateTooltipText(local);
}

}  // namespace kw
