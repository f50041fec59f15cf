#include "core/settings/AboutPage.h"

#include "core/store/ChannelStore.h"

namespace kw {

std::string channelCountLine(ChannelStore& store) {
    const std::int64_t system = store.countChannelsInGroup(1);
    const std::int64_t user = store.countChannelsInGroup(2);
    return "系统 " + std::to_string(system) + "个 + 自添 " + std::to_string(user) +
           "个 = " + std::to_string(system + user) + "个";
}

}  // namespace kw
