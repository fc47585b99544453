// The tray icon: what it hands the shell, how the shell's mouse notifications become
// events and menu work, and the animation's frame hand-over.
#include "shell/tray_icon.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "core/errors.h"
#include "support/icon_fixtures.h"

using namespace pallisar;

namespace {

using Log = std::vector<std::string>;
constexpr TrayWindow kWindow = 0x5150;

Icon Images(int seed) { return Icon{{test::MakeDibImage(16, 16, 4, seed)}}; }

// Records shell operations as letters (Add, Modify, Delete) and everything else in `log`.
struct FakePlatform : TrayPlatform {
    std::string ops;
    bool acceptAdd = true;
    TrayWindowHandler* handler = nullptr;
    TrayKeys keys;
    Log log;
    std::mutex mutex;
    std::condition_variable posted;
    int advances = 0;

    TrayWindow CreateHiddenWindow(TrayWindowHandler& h) override { return handler = &h, kWindow; }
    void DestroyHiddenWindow(TrayWindow) override { log.push_back("destroy window"); }
    std::intptr_t DefaultWindowProc(TrayWindow, std::uint32_t, std::uintptr_t,
                                    std::intptr_t) override {
        return log.push_back("default"), 77;
    }
    bool NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) override {
        EXPECT_EQ(data.window, kWindow);
        ops += "AMD"[static_cast<int>(message)];
        return message != NotifyIconMessage::Add || acceptAdd;
    }
    TrayPoint CursorPos() override { return {10, 20}; }
    TrayKeys KeysDown() override { return keys; }
    bool IsWindowEnabled(TrayWindow) override { return true; }
    void SetForegroundWindow(TrayWindow) override { log.push_back("foreground"); }
    void ProcessMessages() override { log.push_back("process messages"); }
    void CancelMouseCapture() override { log.push_back("cancel capture"); }
    void PostAdvanceFrame(TrayWindow) override {
        std::lock_guard lock(mutex);
        ++advances;
        posted.notify_all();
    }
    bool Terminating() const override { return false; }
    void HandleException(std::exception_ptr error) noexcept override {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            log.push_back(std::string("error ") + e.what());
        }
    }
    std::string TakeOps() { return std::exchange(ops, ""); }
};

struct FakeMenu : TrayPopupMenu {
    std::vector<std::pair<bool, bool>> items;  // default, enabled
    bool autoPopup = true;
    Log& log;
    FakeMenu(Log& l, std::vector<std::pair<bool, bool>> i) : items(std::move(i)), log(l) {}
    bool AutoPopup() const override { return autoPopup; }
    int ItemCount() const override { return static_cast<int>(items.size()); }
    bool ItemDefault(int i) const override { return items[i].first; }
    bool ItemEnabled(int i) const override { return items[i].second; }
    void Click(int i) override { log.push_back("menu click " + std::to_string(i)); }
    void Popup(TrayWindow, int x, int y) override {
        log.push_back("popup " + std::to_string(x) + "," + std::to_string(y));
    }
};

// Events as "down L l": what, button, shift flags (Shift Ctrl Alt left right middle double).
std::string Event(const char* what, const char* button, TShiftState shift) {
    std::string text = std::string(what) + button, flags;
    for (int bit = 0; bit < 7; ++bit)
        if (shift & (1u << bit)) flags += "SAClrmd"[bit];
    return flags.empty() ? text : text + " " + flags;
}

// A tray icon showing an icon, its events written into the platform's log.
struct Rig {
    FakePlatform platform;
    TTrayIcon tray{platform};
    Rig() {
        tray.Icon().SetIcon(Images(1));
        auto mouse = [this](const char* what) {
            return [this, what](TTrayIcon& sender, TMouseButton b, TShiftState s, int x, int y) {
                EXPECT_TRUE(&sender == &tray && x == 10 && y == 20);
                platform.log.push_back(Event(what, &" L\0 R\0 M"[3 * static_cast<int>(b)], s));
            };
        };
        tray.OnClick = mouse("click");
        tray.OnMouseDown = mouse("down");
        tray.OnMouseUp = mouse("up");
        tray.OnDblClick = [this](TTrayIcon&) { platform.log.push_back("dblclick"); };
        tray.OnMouseMove = [this](TTrayIcon&, TShiftState s, int, int) {
            platform.log.push_back(Event("move", "", s));
        };
        platform.TakeOps();
    }
    Log Send(const std::vector<std::uint32_t>& mouseMessages) {
        platform.log.clear();
        for (auto m : mouseMessages)
            platform.handler->WndProc(NotifyIconData::kCallbackMessage, 0, m);
        return platform.log;
    }
};

TEST(TTrayIcon, MouseNotificationsBecomeEventsAndMenuWork) {
    const std::vector<std::uint32_t> leftDouble = {kTrayLButtonDown, kTrayLButtonUp,
                                                   kTrayLButtonDblClk, kTrayLButtonUp};
    const std::vector<std::uint32_t> rightClick = {kTrayRButtonDown, kTrayRButtonUp};
    const Log firstClick = {"down L l", "click L l", "up L l"};
    const Log rightClickEvents = {"down R r", "click R r", "up R r"};
    const struct {
        const char* name;
        std::vector<std::pair<bool, bool>> menu;  // empty: no PopupMenu
        bool autoPopup = true, enabled = true;
        TrayKeys keys;
        std::vector<std::uint32_t> messages;
        Log expected;
    } cases[] = {
        {"left double-click",
         {},
         true,
         true,
         {},
         leftDouble,
         {"down L l", "click L l", "up L l", "dblclick", "down L d", "up L l"}},
        {"the double-click clicks the default item",
         {{false, true}, {true, true}},
         true,
         true,
         {},
         leftDouble,
         {"down L l", "click L l", "up L l", "menu click 1", "down L d", "up L l"}},
        {"a disabled default item leaves it to OnDblClick",
         {{true, false}},
         true,
         true,
         {},
         {kTrayLButtonDblClk},
         {"dblclick", "down L d"}},
        {"right click pops the menu up",
         {{true, true}},
         true,
         true,
         {},
         rightClick,
         {"down R r", "cancel capture", "foreground", "process messages", "popup 10,20",
          "foreground", "up R r"}},
        {"right click without a menu", {}, true, true, {}, rightClick, rightClickEvents},
        {"right click, automatic popup off",
         {{true, true}},
         false,
         true,
         {},
         rightClick,
         rightClickEvents},
        {"right double-click", {{true, true}}, true, true, {}, {kTrayRButtonDblClk}, {"down R d"}},
        {"middle never clicks",
         {},
         true,
         true,
         {},
         {kTrayMButtonDown, kTrayMButtonUp, kTrayMButtonDblClk},
         {"down M m", "up M m", "down M d"}},
        {"shift keys; unknown messages ignored",
         {},
         true,
         true,
         {true, true, true},
         {kTrayMouseMove, kTrayLButtonDown, 0x20A},
         {"move SAC", "down L SACl"}},
        {"disabled is deaf",
         {{true, true}},
         true,
         false,
         {},
         leftDouble,
         {"default", "default", "default", "default"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        FakeMenu menu(rig.platform.log, c.menu);
        menu.autoPopup = c.autoPopup;
        if (!c.menu.empty()) rig.tray.SetPopupMenu(&menu);
        rig.tray.SetEnabled(c.enabled);
        rig.platform.keys = c.keys;
        EXPECT_EQ(rig.Send(c.messages), c.expected);
    }

    // A handler's error goes to the error handler; the next notification is handled.
    Rig rig;
    rig.tray.OnClick = [](TTrayIcon&, TMouseButton, TShiftState, int, int) { throw Error("X"); };
    EXPECT_EQ(rig.Send({kTrayLButtonDown, kTrayLButtonUp, kTrayLButtonDown}),
              (Log{"down L l", "error X", "down L l"}));
    // A destroyed menu is dropped.
    {
        FakeMenu menu(rig.platform.log, {{true, true}});
        rig.tray.SetPopupMenu(&menu);
    }
    EXPECT_EQ(rig.tray.PopupMenu(), nullptr);
}

TEST(TTrayIcon, TheShellHasTheIconOnlyWhileThereIsOneToShow) {
    Rig rig;
    FakePlatform& p = rig.platform;
    TTrayIcon& tray = rig.tray;
    const struct {
        const char* name;
        std::function<void()> change;
        std::string ops;
        bool added;
    } steps[] = {
        {"an empty icon", [&] { tray.Icon().SetIcon({}); }, "D", false},
        {"a real icon", [&] { tray.Icon().SetIcon(Images(2)); }, "DA", true},
        {"a hint", [&] { tray.SetHint("Hint"); }, "M", true},
        {"the same hint", [&] { tray.SetHint("Hint"); }, "", true},
        {"inactive", [&] { tray.SetActive(false); }, "D", false},
        {"changes while inactive", [&] { tray.Icon().SetIcon(Images(3)); }, "", false},
        {"active", [&] { tray.SetActive(true); }, "DA", true},
        {"the shell restarted", [&] { tray.TaskbarCreated(); }, "DA", true},
        {"a refused add", [&] { p.acceptAdd = false, tray.TaskbarCreated(); }, "DA", false},
        {"the next change adds again", [&] { p.acceptAdd = true, tray.SetHint("H"); }, "DA", true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        s.change();
        EXPECT_EQ(p.TakeOps(), s.ops);
        EXPECT_EQ(tray.IconAdded(), s.added);
    }
    const NotifyIconData& d = tray.NotifyData();
    EXPECT_EQ(std::make_tuple(d.size, d.id, d.flags, d.callbackMessage, d.icon),
              std::make_tuple(88u, 0u, 7u, 0xB054u, &tray.Icon().Images()));
}

TEST(TTrayIcon, TheTipIsCutAtTheFirstBarAndAfter63Characters) {
    const std::string x70(70, 'x');
    const std::pair<std::string, std::string> cases[] = {{x70, x70.substr(0, 63)},
                                                         {x70.substr(0, 63), x70.substr(0, 63)},
                                                         {"Pallisar|more", "Pallisar"},
                                                         {"|hidden", ""},
                                                         {x70 + "|z", x70.substr(0, 63)}};
    Rig rig;
    for (const auto& [hint, tip] : cases) {
        rig.tray.SetHint(hint);
        EXPECT_EQ(rig.tray.NotifyData().tip, tip) << hint;
    }
}

TEST(TTrayIcon, DestructionRemovesTheIconBeforeTheWindow) {
    FakePlatform platform;
    {
        TTrayIcon tray(platform);
        tray.Icon().SetIcon(Images(1));
        platform.TakeOps();
    }
    EXPECT_EQ(platform.TakeOps(), "D");
    EXPECT_EQ(platform.log, Log{"destroy window"});
}

TEST(TTrayIcon, AnimationStepsThroughTheFramesHandedOverByThePlatform) {
    Rig rig;
    TTrayIcon& tray = rig.tray;
    tray.SetAnimated(true);
    EXPECT_FALSE(tray.Animated());  // no frames

    TIcon frame;
    frame.SetIcon(Images(10));
    tray.Icons().Add(&frame);
    tray.Icons().Add(&frame);
    tray.SetInterval(1);
    tray.SetAnimated(true);
    ASSERT_TRUE(tray.Animated());
    // The test is the user-interface thread: it runs the advances the thread asks for.
    std::vector<int> shown;
    for (int step = 0; step < 3; ++step) {
        std::unique_lock lock(rig.platform.mutex);
        ASSERT_TRUE(rig.platform.posted.wait_for(lock, std::chrono::seconds(10),
                                                 [&] { return rig.platform.advances > 0; }));
        rig.platform.advances = 0;
        lock.unlock();
        rig.platform.TakeOps();
        tray.AdvanceFrame();
        EXPECT_EQ(rig.platform.TakeOps(), "M");
        shown.push_back(tray.Icons().IndexOf(tray.GetActiveIcon()));
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(tray.NotifyData().icon, &tray.Icons().Get(1)->Images());

    tray.Icons().Clear();  // no frames: the animation ends, the icon is back
    EXPECT_FALSE(tray.Animated());
    EXPECT_EQ(tray.NotifyData().icon, &tray.Icon().Images());
}

}  // namespace
