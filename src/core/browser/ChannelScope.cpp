#include "core/browser/ChannelScope.h"

#include "core/base/Error.h"
#include "core/base/TextCodec.h"

#include <array>

namespace kw {

namespace {
constexpr std::string_view kBranchPrefix = "branch:";
constexpr std::size_t kCategoryColumns = 4;
}  // namespace

ChannelScope ChannelScope::branch(std::string_view path) {
    ChannelScope scope(Kind::Branch);
    path = text::trimBlanks(path);
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        scope.path_.emplace_back(text::trimBlanks(path.substr(start, slash - start)));
        start = slash + 1;
    }
    return scope;
}

std::optional<ChannelScope> ChannelScope::parse(std::string_view text) {
    if (text == "all") return ChannelScope(Kind::All);
    if (text == "favorites") return ChannelScope(Kind::Favorites);
    if (text == "user") return ChannelScope(Kind::User);
    if (text.starts_with(kBranchPrefix) && !text::trimBlanks(text.substr(kBranchPrefix.size())).empty())
        return branch(text.substr(kBranchPrefix.size()));
    return std::nullopt;
}

bool ChannelScope::contains(const ChannelStore::ExportedChannel& channel) const {
    switch (kind_) {
        case Kind::All:
            return true;
        case Kind::Favorites:
            return channel.favorited != 0;
        case Kind::User:
            return isUserChannel(channel.groupId, channel.vol);
        case Kind::Branch:
            break;
    }
    if (path_.size() > kCategoryColumns) return false;
    const std::array<const std::string*, kCategoryColumns> columns = {
        &channel.record.class0, &channel.record.class1, &channel.record.class2, &channel.record.class3};
    for (std::size_t i = 0; i < path_.size(); ++i) {
        if (text::trimBlanks(*columns[i]) != path_[i]) return false;
    }
    return true;
}

void ChannelScope::requireFound(std::size_t found) const {
    if (kind_ != Kind::Branch || found > 0) return;
    std::string path;
    for (const std::string& part : path_) path += (path.empty() ? "" : "/") + part;
    throw Error("No branch \"" + path + "\" in the channel categories");
}

}  // namespace kw
