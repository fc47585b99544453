#pragma once
// The main window's host for tests: records what the model asks of its view, in
// order, as short texts ("minimize", "restore", "hide", "error <message>", "close
// window", "tray off", "list loaded", "state", "editor"), with a hook that runs before each is
// recorded. The game editor is "used" by `onEditor`, which plays the user: it changes the editor's
// state, calls its handlers and answers OK (true) or Cancel (false). Without one the editor is
// cancelled.

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "app/game_launches.h"
#include "ui/game_editor.h"
#include "ui/main_window_host.h"
#include "ui/options.h"

namespace pallisar::test {

class FakeWindowHost : public MainWindowHost {
  public:
    void MinimizeApplication() override { Record("minimize"); }
    void RestoreApplication() override { Record("restore"); }
    void HideApplicationWindow() override { Record("hide"); }
    void ReportError(const std::exception_ptr& error) override {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            Record(std::string("error ") + e.what());
        }
    }
    void CloseWindow() override { Record("close window"); }
    void DeactivateTrayIcon() override { Record("tray off"); }
    void GameListLoaded() override { Record("list loaded"); }
    void StateChanged() override { Record("state"); }
    bool ShowEditor(TfmGlide& editor) override {
        Record("editor");
        return onEditor ? onEditor(editor) : false;
    }
    // The Options dialog is cancelled unless `onOptions` plays the user.
    OptionsHost& OptionsDialogs() override { return options_; }
    void IconsChanged() override { Record("icons"); }

    // The requests other than the two redraws ("list loaded", "state").
    std::vector<std::string> Actions() const {
        std::vector<std::string> actions;
        for (const std::string& call : calls) {
            if (call != "list loaded" && call != "state") actions.push_back(call);
        }
        return actions;
    }

    std::vector<std::string> calls;
    // Runs before a call is recorded, with its text.
    std::function<void(const std::string&)> onCall;
    std::function<bool(TfmGlide&)> onEditor;
    std::function<bool(TfmOptions&)> onOptions;

  private:
    struct Options : OptionsHost {
        FakeWindowHost& host;
        explicit Options(FakeWindowHost& owner) : host(owner) {}
        bool ShowOptions(TfmOptions& options) override {
            host.Record("options");
            return host.onOptions ? host.onOptions(options) : false;
        }
        bool ShowChangeIcon(TfmChangeIcon&) override { return false; }
    };
    Options options_{*this};

    void Record(const std::string& call) {
        if (onCall) onCall(call);
        calls.push_back(call);
    }
};

// Launches for tests: records "list <title>", "tray <title>", "run <title>" into a
// list the test gives, or runs `action` instead when it is set.
class FakeLaunches : public GameLaunches {
  public:
    explicit FakeLaunches(std::vector<std::string>& out) : out_(out) {}
    LaunchOutcome ListLaunch(const GameEntry& entry) override {
        return Launch("list " + entry.Title);
    }
    LaunchOutcome TrayLaunch(const GameEntry& entry) override {
        return Launch("tray " + entry.Title);
    }
    LaunchOutcome CommandLineLaunch(const GameEntry& entry) override {
        return Launch("run " + entry.Title);
    }

    bool Waiting() const override { return waiting; }
    void StopWaiting() override { ++stops; }

    std::function<void(const std::string&)> action;
    // What every launch reports.
    LaunchOutcome outcome;
    // What Waiting answers, and how often StopWaiting was called.
    bool waiting = false;
    int stops = 0;

  private:
    LaunchOutcome Launch(const std::string& what) {
        if (action)
            action(what);
        else
            out_.push_back(what);
        return outcome;
    }
    std::vector<std::string>& out_;
};

}  // namespace pallisar::test
