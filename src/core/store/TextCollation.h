#pragma once

#include <string_view>

struct sqlite3;

namespace kw {

// The collation of the compared text columns (classes, volume): ASCII letter
// case is folded, as the channel name's comparison folds it, and texts that
// differ otherwise sort as the tree sorts them (Chinese collation, Latin
// before Han), ties broken by the folded bytes. So "News" and "news" group as
// one class and the class lists come out in the tree's order.
inline constexpr std::string_view kTextCollationName = "KWTEXT";

// Registers the collation on a connection; every connection that reads the
// schema's text columns needs it.
void registerTextCollation(sqlite3* db);

// Negative, zero or positive as a sorts before, equal to or after b.
int compareChannelText(std::string_view a, std::string_view b);

}  // namespace kw
