// Export, then import, in each playlist format, on a real catalogue: the rows
// the import stores are the channels exported, and a dry run reports what
// the real import then does.
#include "FuzzSupport.h"
#include "core/base/AddressRules.h"
#include "core/base/AsciiText.h"
#include "core/base/Error.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/base/YieldHook.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/exchange/PlaylistExchange.h"
#include "core/store/ChannelStore.h"
#include "support/SilentUi.h"

#include <map>
#include <memory>
#include <set>
#include <tuple>

using namespace kw;

namespace {

namespace fs = std::filesystem;

struct Catalogue {
    explicit Catalogue(const fs::path& dir)
        : store(makeStore(dir)),
          browser(*store, dir, ui, yield),
          exchange(*store, browser, ui, yield, dir),
          playlists(exchange, *store, ui, yield) {}

    static std::unique_ptr<ChannelStore> makeStore(const fs::path& dir) {
        fs::create_directories(dir);
        SettingsRow settings;
        settings.name = "Kestrel";
        return ChannelStore::create(dir / ChannelStore::kFileName, settings);
    }

    test::SilentUi ui;
    YieldHook yield;
    std::unique_ptr<ChannelStore> store;
    ChannelBrowser browser;
    ChannelExchange exchange;
    PlaylistExchange playlists;
};

// A value the catalogue may hold: valid UTF-8, no control character, trimmed, within limit.
std::string value(std::string_view bytes, std::size_t limit) {
    std::string text = text::sanitizeUtf8(bytes);
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return cleanChannelValue(text, limit);
}

// XML has no U+FFFE and U+FFFF; the XSPF export writes U+FFFD for them.
std::string asXspfWrites(std::string text) {
    for (std::size_t at = 0; (at = text.find("\xEF\xBF", at)) != std::string::npos; at += 3) {
        if (at + 2 < text.size() && (text[at + 2] == '\xBE' || text[at + 2] == '\xBF')) text[at + 2] = '\xBD';
    }
    return text;
}

using Row = std::tuple<std::string, std::string, std::string, std::string>;  // address, classes 1 to 3

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const auto format = static_cast<PlaylistExchange::Format>(input.byte() % 3);
    const fs::path& dir = fuzz::Scratch::fresh();
    const fs::path list = dir / (format == PlaylistExchange::Format::M3u8  ? "list.m3u8"
                                 : format == PlaylistExchange::Format::Pls ? "list.pls"
                                                                           : "list.xspf");

    std::map<std::string, Row> expected;  // by name as it comes back
    {
        Catalogue source(dir / "source");
        std::set<std::string> taken;  // names as the file gives them, letter case folded
        for (int i = 0; i < 8 && !input.rest().empty(); ++i) {
            ChannelRecord record;
            record.class0 = "B电视台";
            record.name = value(input.piece('\n'), ChannelExchange::kMaxNameChars);
            const std::string url =
                value("http://h.example/" + std::string(input.piece('\n')), address::kMaxAddressChars);
            record.class1 = value(input.piece('\n'), 20);
            record.class2 = value(input.piece('\n'), 20);
            record.class3 = value(input.piece('\n'), 20);
            const bool xspf = format == PlaylistExchange::Format::Xspf;
            const std::string back = xspf ? asXspfWrites(record.name) : record.name;
            if (record.name.empty() || !taken.insert(ascii::lower(back)).second) continue;
            if (source.store->countChannelsByName(record.name) > 0) continue;
            record.scrambledUrl = scrambleText(url, record.name);
            source.store->insertChannel(record, 2, "User");

            Row row{xspf ? asXspfWrites(url) : url, "", "", ""};
            if (format == PlaylistExchange::Format::M3u8) {
                const auto quoted = [](std::string text) {
                    for (char& c : text) c = c == '"' ? '\'' : c;
                    return text;
                };
                row = {url, quoted(record.class1), quoted(record.class2), quoted(record.class3)};
            } else if (xspf) {
                std::get<1>(row) = asXspfWrites(record.class1);
            }
            expected[back] = row;
        }
        PlaylistExchange::ExportRequest request;
        request.format = format;
        fuzz::check(source.playlists.exportPlaylist(list, request).written ==
                        static_cast<std::int64_t>(expected.size()),
                    "every channel is exported");
    }

    Catalogue target(dir / "target");
    PlaylistExchange::ImportOptions rehearsal;
    rehearsal.dryRun = true;
    const auto dry = target.playlists.importPlaylist(list, rehearsal);
    fuzz::check(target.store->countChannelsInGroup(2) == 0, "a dry run stores nothing");
    const auto real = target.playlists.importPlaylist(list, {});
    fuzz::check(dry.entries == real.entries && dry.added == real.added && dry.renamed == real.renamed &&
                    dry.skipped == real.skipped && dry.notes == real.notes,
                "a dry run reports what the import does");
    fuzz::check(real.added == static_cast<std::int64_t>(expected.size()) && real.skipped == 0,
                "every exported channel is imported");

    std::map<std::string, Row> stored;
    target.store->forEachUserChannel([&](const ChannelRecord& row) {
        stored[row.name] = {unscrambleText(row.scrambledUrl, row.name), row.class1, row.class2, row.class3};
    });
    fuzz::check(stored == expected, "the stored rows are the channels exported");
    return 0;
}
