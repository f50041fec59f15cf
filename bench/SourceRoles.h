#pragma once

// The roles a subscription's refresh and the radio directory work with, on a
// synthetic catalogue: for the benchmarks of both.

#include "BenchSupport.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/settings/SettingsFile.h"
#include "core/sources/Subscriptions.h"

#include <ctime>
#include <filesystem>
#include <memory>

namespace kw::bench {

struct SourceRoles {
    // A catalogue of `channels` channels written to dir, with the roles on it.
    SourceRoles(const std::filesystem::path& dir, std::size_t channels, WebFetch& web, UiPort& ui,
                YieldHook& yield)
        : file(dir / ChannelStore::kFileName) {
        writeCatalogueDatabase(
            file, channels, [](const std::string& name) { return "http://127.0.0.1:9/" + name; }, "MP3");
        store = ChannelStore::open(file);
        browser = std::make_unique<ChannelBrowser>(*store, dir, ui, yield);
        exchange = std::make_unique<ChannelExchange>(*store, *browser, ui, yield, dir);
        settings = std::make_unique<SettingsFile>(dir);
        subscriptions =
            std::make_unique<Subscriptions>(*store, *exchange, *browser, *settings, web, ui, yield, dir,
                                            [] { return static_cast<std::int64_t>(std::time(nullptr)); });
    }

    std::filesystem::path file;
    std::unique_ptr<ChannelStore> store;
    std::unique_ptr<ChannelBrowser> browser;
    std::unique_ptr<ChannelExchange> exchange;
    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<Subscriptions> subscriptions;
};

}  // namespace kw::bench
