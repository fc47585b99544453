#include "shell/app_events.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/fake_prompts.h"

namespace pallisar {
namespace {

class FakeApplication : public EventApplication {
  public:
    bool minimized = false;
    std::vector<std::string> shown;  // messages of the standard error box
    int paints = 0;

    bool Minimized() const override { return minimized; }
    void ShowException(const std::exception_ptr& error) noexcept override {
        shown.push_back(ExceptionMessage(error));
    }
    void PaintMinimizedIcon(const std::function<void(void*)>& paint) override {
        ++paints;
        int device = 0;
        paint(&device);
    }
};

struct Walk {
    std::vector<std::string> calls;
    std::function<void()> Record(const std::string& name) {
        return [this, name] { calls.push_back(name); };
    }
};

TEST(AppEventsTest, DispatchGoesNewestFirstAndStopsWhereTheWalkSaysSo) {
    struct Case {
        const char* name;
        bool newerChained;
        bool newerHasHandler;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"both chained", true, true, {"newer", "older", "previous"}},
        {"newer not chained", false, true, {"newer"}},
        {"newer not chained, no handler", false, false, {}},
        {"newer chained, no handler", true, false, {"older", "previous"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeApplication app;
        Walk walk;
        app.Slots.OnMinimize = walk.Record("previous");
        TAppEvents older(app);
        TAppEvents newer(app);
        older.OnMinimize = walk.Record("older");
        if (c.newerHasHandler) newer.OnMinimize = walk.Record("newer");
        newer.Chained = c.newerChained;
        app.Slots.OnMinimize();
        EXPECT_EQ(walk.calls, c.expected);
    }
}

TEST(AppEventsTest, HandledStopsOnlyTheEventsThatCarryTheFlag) {
    FakeApplication app;
    Walk walk;
    app.Slots.OnMessage = [&](AppMessage&, bool&) { walk.calls.push_back("previous message"); };
    app.Slots.OnIdle = [&](bool&) { walk.calls.push_back("previous idle"); };
    TAppEvents older(app);
    TAppEvents newer(app);
    older.OnMessage = [&](AppMessage&, bool&) { walk.calls.push_back("older message"); };
    newer.OnMessage = [&](AppMessage&, bool& handled) { handled = true; };
    newer.OnIdle = [&](bool& done) { done = true; };
    AppMessage message;
    bool handled = false;
    app.Slots.OnMessage(message, handled);
    bool done = false;
    app.Slots.OnIdle(done);
    EXPECT_EQ(walk.calls, std::vector<std::string>{"previous idle"});
    EXPECT_TRUE(handled);
}

TEST(AppEventsTest, HelpAnswersWithTheLastHandlerOrThePreviousOne) {
    FakeApplication app;
    TAppEvents events(app);
    events.OnHelp = [](uint16_t, intptr_t, bool&) { return true; };
    bool callHelp = false;
    EXPECT_TRUE(app.Slots.OnHelp(1, 0, callHelp));

    FakeApplication withPrevious;
    withPrevious.Slots.OnHelp = [](uint16_t, intptr_t, bool&) { return false; };
    TAppEvents other(withPrevious);
    other.OnHelp = [](uint16_t, intptr_t, bool&) { return true; };
    EXPECT_FALSE(withPrevious.Slots.OnHelp(1, 0, callHelp));
}

TEST(AppEventsTest, AnErrorNobodyHandlesGetsTheStandardBox) {
    FakeApplication app;
    const auto error = std::make_exception_ptr(std::runtime_error("Unable to create .lnk file"));
    app.HandleException(error);  // before any component: the box
    {
        TAppEvents events(app);
        app.HandleException(error);  // a component without a handler: the box
        std::vector<std::string> seen;
        events.OnException = [&](const std::exception_ptr& e) {
            seen.push_back(ExceptionMessage(e));
        };
        app.HandleException(error);  // handled: no box
        EXPECT_EQ(seen, std::vector<std::string>{"Unable to create .lnk file"});
    }
    EXPECT_EQ(app.shown.size(), 2u);
    // The last component gone, the slots are empty and the box is back.
    EXPECT_FALSE(app.Slots.OnException);
    EXPECT_FALSE(app.Slots.OnMinimize);
    EXPECT_FALSE(app.EventList().Hooked());
    app.HandleException(error);
    EXPECT_EQ(app.shown.size(), 3u);
}

TEST(AppEventsTest, MainWindowHookPaintsTheMinimisedIconAndReportsSettingChanges) {
    FakeApplication app;
    TAppEvents events(app);
    bool painted = false;
    events.OnPaintIcon = [&] { painted = events.Canvas() != nullptr; };
    AppMessage paint{kPaintMessage};
    EXPECT_FALSE(app.FilterMainWindowMessage(paint));  // not minimised
    app.minimized = true;
    EXPECT_TRUE(app.FilterMainWindowMessage(paint));
    EXPECT_TRUE(painted);
    EXPECT_EQ(events.Canvas(), nullptr);

    events.OnSettingsChanged = [] { throw std::runtime_error("bad setting"); };
    AppMessage change{kSettingChangeMessage};
    EXPECT_FALSE(app.FilterMainWindowMessage(change));
    EXPECT_EQ(app.shown, std::vector<std::string>{"bad setting"});
}

TEST(AppEventsTest, SettingsReachTheApplicationAndMouseFallsBackToTheStoredValue) {
    FakeApplication app;
    app.Settings.HintPause = 9;
    TAppEvents events(app);
    EXPECT_EQ(app.Settings.HintPause, 500);  // pushed at construction
    events.SetHintPause(800);
    EXPECT_EQ(app.Settings.HintPause, 800);
    app.Mouse.reset();
    events.SetMouseDragThreshold(12);
    EXPECT_EQ(events.MouseDragThreshold(), 12);
}

// What escapes the whole program is shown in the application's error box, and the
// program ends with 1; a program that ends normally keeps its own exit code.
TEST(AppEventsTest, AnErrorThatEscapesTheProgramIsShownAndEndsItWithOne) {
    struct Case {
        std::function<int()> program;
        int exitCode;
        std::vector<test::FakePrompts::Prompt> shown;
    };
    const Case cases[] = {
        {[] { return 7; }, 7, {}},
        {[]() -> int { throw std::runtime_error("Disk full"); },
         1,
         {{"Application", "Disk full."}}},
        {[]() -> int { throw 42; }, 1, {{"Application", "An unexpected error occurred."}}},
    };
    for (const Case& c : cases) {
        test::FakePrompts prompts;
        EXPECT_EQ(RunProgram(prompts, c.program), c.exitCode);
        EXPECT_EQ(prompts.shown, c.shown);
    }
}

}  // namespace
}  // namespace pallisar
