#pragma once

// Small pieces every benchmark program shares: a Ui that answers nothing and
// sizes taken from the environment, so a run can be kept small or made large.

#include "core/ports/UiPort.h"

#include <cstdlib>
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

}  // namespace kw::bench
