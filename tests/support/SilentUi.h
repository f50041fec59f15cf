#pragma once

#include "core/ports/UiPort.h"

#include <optional>
#include <string>

namespace kw::test {

// A Ui port that shows nothing and answers every question No or Cancel, for
// the benchmarks and fuzz targets, which drive the core without a person.
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

}  // namespace kw::test
