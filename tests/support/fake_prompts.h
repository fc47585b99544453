#pragma once
// Prompts for tests: records every prompt in order and answers Confirm from a queue
// (an empty queue answers "&No").

#include <deque>
#include <string>
#include <vector>

#include "platform/prompts.h"

namespace pallisar::test {

class FakePrompts : public Prompts {
  public:
    struct Prompt {
        std::string kind;  // "Error", "Information", "Warning", "Confirm", "Application"
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

    std::vector<Prompt> shown;
    std::deque<bool> answers;
};

}  // namespace pallisar::test
