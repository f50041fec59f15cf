#include "cli/CliUi.h"

#include "cli/Cli.h"
#include "core/ports/PasswordDialog.h"

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <ostream>

namespace kw::cli {

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // U+0080 to U+009F: C2 80 to C2 9F in UTF-8.
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F || c1) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c1 ? static_cast<unsigned char>(text[++i]) : c);
            out += escaped;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string tsvText(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    }
    return printable(text);
}

std::string jsonText(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

Format takeFormat(std::vector<std::string>& args) {
    std::string word = "text";
    takeOption(args, "--format", word);
    if (word == "text") return Format::Text;
    if (word == "tsv") return Format::Tsv;
    if (word == "json") return Format::Json;
    throw UsageError("--format must be text, tsv or json, not \"" + word + "\"");
}

void CliUi::ShowMessage(std::string_view text, std::string_view /*caption*/) {
    (messagesAreRefusals_ ? err_ : out_) << printable(text) << '\n';
}

void CliUi::ShowError(std::string_view text) {
    err_ << printable(text) << '\n';
    ++errors_;
}

bool CliUi::AskYesNo(std::string_view caption, std::string_view text) {
    if (!answerYes_)
        err_ << caption << ": " << printable(text) << "\n(answered No; give --yes to answer Yes)\n";
    return answerYes_;
}

std::optional<std::string> CliUi::InputBox(std::string_view, std::string_view, std::string_view) {
    return std::nullopt;
}

std::optional<std::string> CliUi::ChooseSaveFile(const FileDialogRequest& request) {
    // As the save dialog does, a name without an extension gets the default one.
    if (!file_ || request.defaultExtension.empty() || std::filesystem::path(*file_).has_extension())
        return file_;
    return *file_ + "." + request.defaultExtension;
}

std::optional<std::string> CliUi::ChooseOpenFile(const FileDialogRequest&) { return file_; }

std::optional<std::string> CliUi::AskPassword(PasswordPurpose /*purpose*/, PasswordDialog& dialog) {
    dialog.show();
    if (!password_) {
        err_ << printable(dialog.prompt()) << "\n(give --password to enter it)\n";
        passwordRefused_ = true;
        return std::nullopt;
    }
    dialog.entryChanged(*password_);
    if (dialog.ok()) return dialog.entry();
    // One entry only: a wrong one ends the command with the dialog's error text.
    err_ << printable(dialog.errorText()) << '\n';
    passwordRefused_ = true;
    return std::nullopt;
}

void CliUi::ShowProgress(std::string_view text, int /*percent*/) {
    if (::isatty(STDERR_FILENO) == 0) return;
    err_ << '\r' << printable(text) << std::flush;
    progressShown_ = true;
}

void CliUi::EndProgress() {
    if (progressShown_) err_ << '\n';
    progressShown_ = false;
}

}  // namespace kw::cli
