#pragma once

#include "core/ports/PasswordDialog.h"
#include "core/ports/UiPort.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace kw::test {

// A scripted Ui port: records everything shown and answers questions and
// dialogs from queues. A question nobody scripted fails the test and is
// answered No / Cancel.
class FakeUi : public UiPort {
public:
    struct Message {
        std::string text;
        std::string caption;
        bool operator==(const Message&) const = default;
    };
    struct Question {
        std::string caption;
        std::string text;
    };
    struct PasswordShowing {
        PasswordPurpose purpose;
        std::string prompt;
        std::vector<std::string> errors;  // error label after each refused OK
    };

    std::vector<Message> messages;
    std::vector<std::string> errors;
    std::vector<Question> questions;
    std::deque<bool> yesNoAnswers;
    std::vector<Question> inputPrompts;  // caption and prompt of each input box
    std::deque<std::optional<std::string>> inputAnswers;
    std::vector<FileDialogRequest> saveRequests;
    std::deque<std::optional<std::string>> saveFileAnswers;
    std::vector<FileDialogRequest> openRequests;
    std::deque<std::optional<std::string>> openFileAnswers;
    // Entries typed into the password dialog, one per OK; nullopt is Cancel.
    // A showing takes entries until one is accepted.
    std::deque<std::optional<std::string>> passwordEntries;
    std::vector<PasswordShowing> passwordShowings;
    int advertisements = 0;
    std::vector<std::string> progress;
    int progressEnds = 0;

    void ShowMessage(std::string_view text, std::string_view caption = kAppTitle) override {
        messages.push_back({std::string(text), std::string(caption)});
    }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    bool AskYesNo(std::string_view caption, std::string_view text) override {
        questions.push_back({std::string(caption), std::string(text)});
        if (yesNoAnswers.empty()) {
            ADD_FAILURE() << "unexpected question: " << caption;
            return false;
        }
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                        std::string_view) override {
        inputPrompts.push_back({std::string(caption), std::string(prompt)});
        return next(inputAnswers, "input box", caption);
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return next(saveFileAnswers, "save dialog", request.title);
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        return next(openFileAnswers, "open dialog", request.title);
    }
    std::optional<std::string> AskPassword(PasswordPurpose purpose, PasswordDialog& dialog) override {
        EXPECT_EQ(purpose, dialog.purpose());
        passwordShowings.push_back({purpose, std::string(dialog.prompt()), {}});
        for (;;) {
            const std::optional<std::string> typed =
                next(passwordEntries, "password dialog", dialog.prompt());
            if (!typed) return std::nullopt;
            dialog.entryChanged(*typed);
            if (dialog.ok()) return dialog.entry();
            EXPECT_TRUE(dialog.entry().empty()) << "a refused entry must be emptied";
            passwordShowings.back().errors.push_back(dialog.errorText());
        }
    }
    void ShowAdvertisement() override { ++advertisements; }
    void ShowProgress(std::string_view text, int /*percent*/) override { progress.emplace_back(text); }
    void EndProgress() override { ++progressEnds; }
    // The user stops the running command at the cancelAtCheck-th look (0: never).
    int cancelAtCheck = 0;
    int cancelChecks = 0;
    bool ProgressCancelled() override { return cancelAtCheck > 0 && ++cancelChecks >= cancelAtCheck; }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const Message& message : messages) texts.push_back(message.text);
        return texts;
    }

private:
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& queue,
                                           std::string_view what, std::string_view title) {
        if (queue.empty()) {
            ADD_FAILURE() << "unexpected " << what << ": " << title;
            return std::nullopt;
        }
        std::optional<std::string> answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }
};

}  // namespace kw::test
