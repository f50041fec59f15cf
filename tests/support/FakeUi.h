#pragma once

#include "app/UiPort.h"

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kw::test {

// A scripted Ui port: records everything the core shows or asks, and answers
// questions and dialogs from queues the test fills beforehand. A question
// without a queued answer fails the test loudly instead of guessing.
class FakeUi : public UiPort {
public:
    struct Shown {
        std::string caption;
        std::string text;
        bool operator==(const Shown&) const = default;
    };

    std::vector<Shown> messages;
    std::vector<std::string> errors;
    std::vector<Shown> questions;     // AskYesNo
    std::vector<Shown> inputPrompts;  // InputBox caption and prompt
    std::vector<FileDialogRequest> fileDialogs;

    std::deque<bool> yesNoAnswers;
    std::deque<std::optional<std::string>> inputAnswers;
    std::deque<std::optional<std::string>> fileAnswers;

    void ShowMessage(std::string_view text, std::string_view caption = kAppTitle) override {
        messages.push_back({std::string(caption), std::string(text)});
    }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    bool AskYesNo(std::string_view caption, std::string_view text) override {
        questions.push_back({std::string(caption), std::string(text)});
        return next(yesNoAnswers, "AskYesNo");
    }
    std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                        std::string_view /*initial*/) override {
        inputPrompts.push_back({std::string(caption), std::string(prompt)});
        return next(inputAnswers, "InputBox");
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override {
        fileDialogs.push_back(request);
        return next(fileAnswers, "ChooseSaveFile");
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override {
        fileDialogs.push_back(request);
        return next(fileAnswers, "ChooseOpenFile");
    }

private:
    template <typename T>
    static T next(std::deque<T>& answers, const char* what) {
        if (answers.empty()) throw std::logic_error(std::string("FakeUi: no answer queued for ") + what);
        T answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

}  // namespace kw::test
