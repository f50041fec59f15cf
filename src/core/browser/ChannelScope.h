#pragma once

#include "core/store/ChannelStore.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// Which channels a catalogue check or a playlist export covers: all of them,
// the favourites, the user's own, or a branch of the categories. A branch is
// the category path the playlists carry (main category, then content, region,
// language), so it means the same whatever the tree's display mode.
class ChannelScope {
public:
    enum class Kind { All, Favorites, User, Branch };

    // The words a command line takes, for its usage message.
    static constexpr std::string_view kWords = "all, favorites, user or branch:PATH";

    ChannelScope() = default;  // every channel
    explicit ChannelScope(Kind kind) : kind_(kind) {}
    // The channels below a category path, "/" between its parts; blanks at
    // the ends of each part do not count.
    static ChannelScope branch(std::string_view path);
    // "all", "favorites", "user" or "branch:PATH"; nullopt for anything else,
    // a branch without a path among them.
    static std::optional<ChannelScope> parse(std::string_view text);

    Kind kind() const { return kind_; }
    bool contains(const ChannelStore::ExportedChannel& channel) const;
    // A branch that holds no channel names no category: throws kw::Error
    // saying so when `found` channels were in scope and none is.
    void requireFound(std::size_t found) const;

private:
    Kind kind_ = Kind::All;
    std::vector<std::string> path_;
};

}  // namespace kw
