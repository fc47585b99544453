// The tray icon: what it hands the shell, how the shell's mouse notifications become
// events and menu work, and the animation's frame hand-over.
#include "shell/tray_icon.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>

#include "core/errors.h"
#include "support/icon_fixtures.h"

using namespace pallisar;

namespace {

Icon Images(int seed) { return Icon{{test::MakeDibImage(16, 16, 4, seed)}}; }

// The platform and the popup menu in one. Shell operations are recorded as letters (Add,
// Modify, Delete), everything else in `log`. The menu has one item per letter of `items`:
// '-' plain, 'd' default, 'x' default but disabled.
struct Fake : TrayPlatform, TrayPopupMenu {
    std::string ops, log, items = "-d";
    bool acceptAdd = true, autoPopup = true;
    TrayWindowHandler* handler = nullptr;
    std::atomic<int> advances = 0;

    void Log(const std::string& what) { log += (log.empty() ? "" : ", ") + what; }
    TrayWindow CreateHiddenWindow(TrayWindowHandler& h) override { return handler = &h, 1; }
    void DestroyHiddenWindow(TrayWindow) override { Log("destroy window"); }
    std::intptr_t DefaultWindowProc(TrayWindow, std::uint32_t, std::uintptr_t,
                                    std::intptr_t) override {
        return Log("default"), 0;
    }
    bool NotifyIcon(NotifyIconMessage message, const NotifyIconData&) override {
        ops += "AMD"[static_cast<int>(message)];
        return message != NotifyIconMessage::Add || acceptAdd;
    }
    TrayPoint CursorPos() override { return {10, 20}; }
    TrayKeys KeysDown() override { return {}; }
    bool IsWindowEnabled(TrayWindow) override { return true; }
    void SetForegroundWindow(TrayWindow) override { Log("front"); }
    void ProcessMessages() override { Log("pump"); }
    void CancelMouseCapture() override { Log("uncapture"); }
    void PostAdvanceFrame(TrayWindow) override { ++advances; }
    bool Terminating() const override { return false; }
    void HandleException(std::exception_ptr) noexcept override { Log("error"); }

    bool AutoPopup() const override { return autoPopup; }
    int ItemCount() const override { return static_cast<int>(items.size()); }
    bool ItemDefault(int i) const override { return items[i] != '-'; }
    bool ItemEnabled(int i) const override { return items[i] != 'x'; }
    void Click(int i) override { Log("menu click " + std::to_string(i)); }
    void Popup(TrayWindow, int x, int y) override {
        Log("popup " + std::to_string(x) + std::to_string(y));
    }
};

// A tray icon showing an icon. Its mouse events are logged as "down L l": the event, the
// button and the shift flags (Shift Alt Ctrl left right middle double).
class TrayIconTest : public testing::Test {
  protected:
    TrayIconTest() { Make(); }
    void Make() {
        tray.emplace(p);
        tray->Icon().SetIcon(Images(1));
        auto mouse = [this](std::string what) {
            return [this, what](TTrayIcon&, TMouseButton b, TShiftState s, int x, int y) {
                std::string text = what + " " + "LRM"[static_cast<int>(b)] + " ";
                for (int bit = 0; bit < 7; ++bit)
                    if (s & (1u << bit)) text += "SAClrmd"[bit];
                p.Log(x == 10 && y == 20 ? text : "elsewhere");
            };
        };
        tray->OnClick = mouse("click");
        tray->OnMouseDown = mouse("down");
        tray->OnMouseUp = mouse("up");
        tray->OnDblClick = [this](TTrayIcon&) { p.Log("dblclick"); };
        p.ops = p.log = "";
    }
    Fake p;
    std::optional<TTrayIcon> tray;
};

TEST_F(TrayIconTest, MouseNotificationsBecomeEventsAndMenuWork) {
    enum Setup { kNoMenu, kMenu, kNoAutoPopup, kDisabledDefault, kDisabled, kThrowingClick };
    using Messages = std::vector<std::uint32_t>;
    const Messages leftDouble = {kTrayLButtonDown, kTrayLButtonUp, kTrayLButtonDblClk,
                                 kTrayLButtonUp};
    const Messages right = {kTrayRButtonDown, kTrayRButtonUp};
    const Messages middle = {kTrayMButtonDown, kTrayMButtonUp, kTrayMButtonDblClk};
    const std::tuple<Setup, Messages, std::string> cases[] = {
        {kDisabledDefault, leftDouble, "down L l, click L l, up L l, dblclick, down L d, up L l"},
        {kMenu, {kTrayLButtonDblClk}, "menu click 1, down L d"},
        {kMenu, right, "down R r, uncapture, front, pump, popup 1020, front, up R r"},
        {kNoMenu, right, "down R r, click R r, up R r"},
        {kNoAutoPopup, right, "down R r, click R r, up R r"},
        {kNoMenu, middle, "down M m, up M m, down M d"},
        {kDisabled, {kTrayLButtonDown, kTrayLButtonUp}, "default, default"},
        {kThrowingClick, {kTrayLButtonDown, kTrayLButtonUp}, "down L l, error"},
    };
    for (const auto& [setup, messages, expected] : cases) {
        SCOPED_TRACE(expected);
        Make();
        p.items = setup == kDisabledDefault ? "x" : "-d";
        p.autoPopup = setup != kNoAutoPopup;
        tray->SetPopupMenu(setup == kNoMenu ? nullptr : &p);
        tray->SetEnabled(setup != kDisabled);
        if (setup == kThrowingClick) tray->OnClick = [](auto&&...) { throw Error(""); };
        for (auto m : messages) p.handler->WndProc(NotifyIconData::kCallbackMessage, 0, m);
        EXPECT_EQ(p.log, expected);
    }
}

TEST_F(TrayIconTest, TheShellHasTheIconOnlyWhileThereIsOneToShow) {
    const std::tuple<const char*, std::function<void()>, std::string, bool> steps[] = {
        {"an empty icon", [&] { tray->Icon().SetIcon({}); }, "D", false},
        {"a real icon", [&] { tray->Icon().SetIcon(Images(2)); }, "DA", true},
        {"a hint", [&] { tray->SetHint("Hint"); }, "M", true},
        {"inactive", [&] { tray->SetActive(false); }, "D", false},
        {"changes while inactive", [&] { tray->Icon().SetIcon(Images(3)); }, "", false},
        {"active", [&] { tray->SetActive(true); }, "DA", true},
        {"a refused add", [&] { p.acceptAdd = false, tray->TaskbarCreated(); }, "DA", false},
        {"the next change adds again", [&] { p.acceptAdd = true, tray->SetHint("H"); }, "DA", true},
        {"destroyed", [&] { tray.reset(); }, "D", false},
    };
    for (const auto& [name, change, ops, added] : steps) {
        SCOPED_TRACE(name);
        change();
        EXPECT_EQ(std::exchange(p.ops, ""), ops);
        EXPECT_EQ(tray && tray->IconAdded(), added);
    }
    EXPECT_EQ(p.log, "destroy window");
}

TEST_F(TrayIconTest, TheTipIsCutAtTheFirstBarAndAfter63Characters) {
    const std::string x70(70, 'x'), x63(63, 'x');
    for (const auto& [hint, tip] : std::vector<std::pair<std::string, std::string>>{
             {x70, x63}, {"Pallisar|more", "Pallisar"}, {x70 + "|z", x63}, {"|hidden", ""}}) {
        tray->SetHint(hint);
        EXPECT_EQ(tray->NotifyData().tip, tip) << hint;
    }
}

TEST_F(TrayIconTest, AnimationStepsThroughTheFramesHandedOverByThePlatform) {
    tray->SetAnimated(true);
    EXPECT_FALSE(tray->Animated());  // no frames
    TIcon frame;
    frame.SetIcon(Images(10));
    tray->Icons().Add(&frame);
    tray->Icons().Add(&frame);
    tray->SetInterval(1);
    tray->SetAnimated(true);
    // The test is the user-interface thread: it runs each advance the thread asks for.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<int> shown;
    while (shown.size() < 3) {
        ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << "the thread asks for no frame";
        if (p.advances.exchange(0) == 0) continue;
        tray->AdvanceFrame();
        shown.push_back(tray->Icons().IndexOf(tray->GetActiveIcon()));
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(tray->NotifyData().icon, &tray->Icons().Get(1)->Images());
}

}  // namespace
