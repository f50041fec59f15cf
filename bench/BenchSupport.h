#pragma once

// Small pieces every benchmark program shares: a Ui that answers nothing and
// sizes taken from the environment, so a run can be kept small or made large.

#include "SyntheticCatalogue.h"

#include "core/base/ScrambleText.h"
#include "core/ports/UiPort.h"
#include "core/store/ChannelStore.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kw::bench {

class SilentUi final : public UiPort {
public:
    void ShowMessage(std::string_view, std::string_view) override {}
    void ShowError(std::string_view) override {}
    bool AskYesNo(std::string_view, std::string_view) override { return false; }
    std::optional<std::string> InputBox(std::string_view, std::string_view, std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> AskPassword(PasswordPurpose, PasswordDialog&) override { return std::nullopt; }
    void ShowAdvertisement() override {}
};

inline std::size_t sizeFromEnv(const char* name, std::size_t fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? static_cast<std::size_t>(std::strtoull(value, nullptr, 10)) : fallback;
}

// A folder of this name under the temporary folder, emptied.
inline std::filesystem::path emptyFolder(const std::string& name) {
    const std::filesystem::path made = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(made);
    std::filesystem::create_directories(made);
    return made;
}

// A database file of count synthetic channels, each with the address
// addressOf(name) and the given format and description.
inline void writeCatalogueDatabase(const std::filesystem::path& file, std::size_t count,
                                   const std::function<std::string(const std::string&)>& addressOf,
                                   const std::string& type, const std::string& memo = {}) {
    SettingsRow settings;
    settings.name = "Kestrel";
    auto store = ChannelStore::create(file, settings);
    store->inTransaction([&] {
        ChannelRecord record;
        record.type = type;
        record.memo = memo;
        for (const ChannelListing& row : syntheticCatalogue(count)) {
            record.class0 = row.class0;
            record.class1 = row.class1;
            record.class2 = row.class2;
            record.class3 = row.class3;
            record.name = row.name;
            record.scrambledUrl = scrambleText(addressOf(row.name), row.name);
            store->insertChannel(record, row.vol == "User" ? 2 : 1, row.vol);
        }
    });
}

}  // namespace kw::bench
