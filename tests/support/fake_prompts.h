#pragma once
// Prompts for tests: records every prompt in order and answers Confirm from a queue
// (an empty queue answers "&No"), the file dialogs and the input box from another
// (an empty queue cancels). A file dialog is recorded with its proposed name, an
// input box with its caption, prompt and starting text joined by "|".

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompts.h"

namespace pallisar::test {

class FakePrompts : public Prompts {
  public:
    struct Prompt {
        std::string kind;  // "Error", "Information", "Warning", "Confirm", "Application",
                           // "Message"
        std::string message;
        bool operator==(const Prompt&) const = default;
    };

    void ShowError(const std::string& message) override { shown.push_back({"Error", message}); }
    void ShowInformation(const std::string& message) override {
        shown.push_back({"Information", message});
    }
    void ShowWarning(const std::string& message) override { shown.push_back({"Warning", message}); }
    bool Confirm(const std::string& message) override {
        shown.push_back({"Confirm", message});
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowApplicationError(const std::string& message) override {
        shown.push_back({"Application", ApplicationErrorText(message)});
    }

    void ShowMessage(const std::string& message) override { shown.push_back({"Message", message}); }

    std::optional<std::string> PromptOpenFile(const FileDialogRequest& request) override {
        return Answer("Open", request.FileName);
    }
    std::optional<std::string> PromptSaveFile(const FileDialogRequest& request) override {
        return Answer("Save", request.FileName);
    }
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& text) override {
        return Answer("Input", caption + "|" + prompt + "|" + text);
    }

    std::vector<Prompt> shown;
    std::deque<bool> answers;
    std::deque<std::optional<std::string>> texts;

  private:
    std::optional<std::string> Answer(const std::string& kind, const std::string& what) {
        shown.push_back({kind, what});
        if (texts.empty()) return std::nullopt;
        auto answer = texts.front();
        texts.pop_front();
        return answer;
    }
};

}  // namespace pallisar::test
