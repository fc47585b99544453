// The tray icon: what it hands the shell, how the shell's mouse notifications become
// events and menu work, and the animation's frame hand-over.
#include "shell/tray_icon.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "core/errors.h"
#include "support/icon_fixtures.h"

using namespace pallisar;

namespace {

constexpr TrayWindow kWindow = 0x5150;

Icon Images(int seed) { return Icon{{test::MakeDibImage(16, 16, 4, seed)}}; }

// Records what reaches the system; the cursor and keys are set by the test.
struct FakePlatform : TrayPlatform {
    struct Call {
        NotifyIconMessage message;
        NotifyIconData data;
    };
    std::vector<Call> calls;
    bool acceptAdd = true;
    TrayWindowHandler* handler = nullptr;
    TrayPoint cursor{10, 20};
    TrayKeys keys;
    std::vector<std::string> log;  // foreground, messages and menu work in order
    std::vector<std::string> errors;
    int defaults = 0;

    std::mutex mutex;
    std::condition_variable posted;
    int advances = 0;

    TrayWindow CreateHiddenWindow(TrayWindowHandler& h) override {
        handler = &h;
        return kWindow;
    }
    void DestroyHiddenWindow(TrayWindow window) override {
        EXPECT_EQ(window, kWindow);
        log.push_back("destroy window");
    }
    std::intptr_t DefaultWindowProc(TrayWindow, std::uint32_t, std::uintptr_t,
                                    std::intptr_t) override {
        ++defaults;
        return 77;
    }
    bool NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) override {
        calls.push_back({message, data});
        return message != NotifyIconMessage::Add || acceptAdd;
    }
    TrayPoint CursorPos() override { return cursor; }
    TrayKeys KeysDown() override { return keys; }
    bool IsWindowEnabled(TrayWindow) override { return true; }
    void SetForegroundWindow(TrayWindow window) override {
        EXPECT_EQ(window, kWindow);
        log.push_back("foreground");
    }
    void ProcessMessages() override { log.push_back("process messages"); }
    void CancelMouseCapture() override { log.push_back("cancel capture"); }
    void PostAdvanceFrame(TrayWindow window) override {
        EXPECT_EQ(window, kWindow);
        {
            std::lock_guard lock(mutex);
            ++advances;
        }
        posted.notify_all();
    }
    bool Terminating() const override { return false; }
    void HandleException(std::exception_ptr error) noexcept override {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            errors.push_back(e.what());
        }
    }

    // The shell operations since the last call, as letters: A(dd), M(odify), D(elete).
    std::string Ops() {
        std::string ops;
        for (const auto& c : calls) ops += "AMD"[static_cast<int>(c.message)];
        calls.clear();
        return ops;
    }
};

struct FakeMenu : TrayPopupMenu {
    struct Item {
        bool isDefault;
        bool enabled;
    };
    std::vector<Item> items;
    bool autoPopup = true;
    std::vector<std::string>& log;
    explicit FakeMenu(std::vector<std::string>& l, std::vector<Item> i = {})
        : items(std::move(i)), log(l) {}
    bool AutoPopup() const override { return autoPopup; }
    int ItemCount() const override { return static_cast<int>(items.size()); }
    bool ItemDefault(int i) const override { return items[i].isDefault; }
    bool ItemEnabled(int i) const override { return items[i].enabled; }
    void Click(int i) override { log.push_back("menu click " + std::to_string(i)); }
    void Popup(TrayWindow owner, int x, int y) override {
        EXPECT_EQ(owner, kWindow);
        log.push_back("popup " + std::to_string(x) + "," + std::to_string(y));
    }
};

// A tray icon showing an icon, its events written into the platform's log.
struct Rig {
    FakePlatform platform;
    TTrayIcon tray{platform};
    Rig() {
        tray.Icon().SetIcon(Images(1));
        tray.OnClick = [this](TTrayIcon& sender, TMouseButton b, TShiftState s, int x, int y) {
            EXPECT_EQ(&sender, &tray);
            platform.log.push_back(Mouse("click", b, s, x, y));
        };
        tray.OnDblClick = [this](TTrayIcon&) { platform.log.push_back("dblclick"); };
        tray.OnMouseDown = [this](TTrayIcon&, TMouseButton b, TShiftState s, int x, int y) {
            platform.log.push_back(Mouse("down", b, s, x, y));
        };
        tray.OnMouseUp = [this](TTrayIcon&, TMouseButton b, TShiftState s, int x, int y) {
            platform.log.push_back(Mouse("up", b, s, x, y));
        };
        tray.OnMouseMove = [this](TTrayIcon&, TShiftState s, int x, int y) {
            platform.log.push_back(Mouse("move", TMouseButton::mbLeft, s, x, y));
        };
        platform.Ops();
    }
    static std::string Mouse(const char* what, TMouseButton b, TShiftState s, int x, int y) {
        std::string text = what;
        if (text != "move") text += " " + std::string("LRM").substr(int(b), 1);
        std::string flags;
        const std::pair<TShiftFlag, const char*> names[] = {
            {ssShift, "S"}, {ssCtrl, "C"},   {ssAlt, "A"},   {ssLeft, "l"},
            {ssRight, "r"}, {ssMiddle, "m"}, {ssDouble, "d"}};
        for (auto [flag, name] : names)
            if (s & flag) flags += name;
        if (!flags.empty()) text += " " + flags;
        return text + " " + std::to_string(x) + "," + std::to_string(y);
    }
    // The shell's notifications, as they arrive on the hidden window.
    std::vector<std::string> Send(std::vector<std::uint32_t> mouseMessages) {
        platform.log.clear();
        for (auto m : mouseMessages)
            platform.handler->WndProc(NotifyIconData::kCallbackMessage, 0, m);
        return platform.log;
    }
};

using Log = std::vector<std::string>;

TEST(TTrayIcon, MouseNotificationsBecomeEventsAndMenuWork) {
    struct Case {
        const char* name;
        std::vector<FakeMenu::Item> menu;  // none: no PopupMenu
        bool hasMenu, autoPopup, enabled;
        std::vector<std::uint32_t> messages;
        Log expected;
    };
    const std::vector<std::uint32_t> leftDouble = {kTrayLButtonDown, kTrayLButtonUp,
                                                   kTrayLButtonDblClk, kTrayLButtonUp};
    const std::vector<std::uint32_t> rightClick = {kTrayRButtonDown, kTrayRButtonUp};
    const Case cases[] = {
        {"left double-click without a menu",
         {},
         false,
         true,
         true,
         leftDouble,
         {"down L l 10,20", "click L l 10,20", "up L l 10,20", "dblclick", "down L d 10,20",
          "up L l 10,20"}},
        {"left double-click clicks the default item",
         {{false, true}, {true, true}},
         true,
         true,
         true,
         leftDouble,
         {"down L l 10,20", "click L l 10,20", "up L l 10,20", "menu click 1", "down L d 10,20",
          "up L l 10,20"}},
        {"a disabled default item leaves the double-click to OnDblClick",
         {{true, false}, {false, true}},
         true,
         true,
         true,
         {kTrayLButtonDblClk},
         {"dblclick", "down L d 10,20"}},
        {"right click pops the menu up",
         {{true, true}},
         true,
         true,
         true,
         rightClick,
         {"down R r 10,20", "cancel capture", "foreground", "process messages", "popup 10,20",
          "foreground", "up R r 10,20"}},
        {"right click without a menu",
         {},
         false,
         true,
         true,
         rightClick,
         {"down R r 10,20", "click R r 10,20", "up R r 10,20"}},
        {"right click with automatic popup off",
         {{true, true}},
         true,
         false,
         true,
         rightClick,
         {"down R r 10,20", "click R r 10,20", "up R r 10,20"}},
        {"right double-click",
         {{true, true}},
         true,
         true,
         true,
         {kTrayRButtonDblClk},
         {"down R d 10,20"}},
        {"a button-up without its down is no click",
         {},
         false,
         true,
         true,
         {kTrayLButtonUp, kTrayRButtonUp},
         {"up L l 10,20", "up R r 10,20"}},
        {"middle never clicks",
         {},
         false,
         true,
         true,
         {kTrayMButtonDown, kTrayMButtonUp, kTrayMButtonDblClk, kTrayMButtonUp},
         {"down M m 10,20", "up M m 10,20", "down M d 10,20", "up M m 10,20"}},
        {"moves, and unknown messages are ignored",
         {},
         false,
         true,
         true,
         {kTrayMouseMove, 0x20A, 0x1FF},
         {"move 10,20"}},
        {"disabled is deaf",
         {{true, true}},
         true,
         true,
         false,
         {kTrayLButtonDown, kTrayLButtonUp, kTrayLButtonDblClk, kTrayRButtonDown, kTrayRButtonUp},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        FakeMenu menu(rig.platform.log, c.menu);
        menu.autoPopup = c.autoPopup;
        if (c.hasMenu) rig.tray.SetPopupMenu(&menu);
        rig.tray.SetEnabled(c.enabled);
        EXPECT_EQ(rig.Send(c.messages), c.expected);
        EXPECT_EQ(rig.platform.defaults, c.enabled ? 0 : int(c.messages.size()));
    }
}

TEST(TTrayIcon, ShiftStateComesFromTheKeyboard) {
    Rig rig;
    rig.platform.keys = {true, true, true};
    rig.platform.cursor = {-5, 700};
    EXPECT_EQ(rig.Send({kTrayLButtonDown, kTrayMouseMove}),
              (Log{"down L SCAl -5,700", "move SCA -5,700"}));
}

TEST(TTrayIcon, HandlerErrorsGoToTheErrorHandlerAndLaterNotificationsStillWork) {
    Rig rig;
    rig.tray.OnClick = [](TTrayIcon&, TMouseButton, TShiftState, int, int) { throw Error("Boom"); };
    EXPECT_EQ(rig.Send({kTrayLButtonDown, kTrayLButtonUp, kTrayLButtonDown}),
              (Log{"down L l 10,20", "down L l 10,20"}));
    EXPECT_EQ(rig.platform.errors, (std::vector<std::string>{"Boom"}));
    // The failed click consumed its press; other messages get the default answer.
    EXPECT_EQ(rig.platform.handler->WndProc(0x10, 1, 2), 77);
}

TEST(TTrayIcon, TheShellSeesTheIconOnlyWhileThereIsOneToShow) {
    Rig rig;
    FakePlatform& p = rig.platform;
    TTrayIcon& tray = rig.tray;
    ASSERT_TRUE(tray.IconAdded());
    tray.Icon().SetIcon({});
    EXPECT_EQ(p.Ops(), "D");
    EXPECT_FALSE(tray.IconAdded());
    tray.Icon().SetIcon(Images(2));
    EXPECT_EQ(p.Ops(), "DA");
    EXPECT_TRUE(tray.IconAdded());
    tray.SetHint("Hint");
    EXPECT_EQ(p.Ops(), "M");
    tray.SetHint("Hint");  // unchanged
    tray.SetActive(false);
    EXPECT_EQ(p.Ops(), "D");
    tray.Icon().SetIcon(Images(3));  // inactive: nothing shown
    tray.SetHint("Other");
    EXPECT_EQ(p.Ops(), "");
    tray.SetActive(true);
    EXPECT_EQ(p.Ops(), "DA");
    tray.TaskbarCreated();  // the shell restarted: the icon is added again
    EXPECT_EQ(p.Ops(), "DA");

    // A refused add is tried again at the next change.
    p.acceptAdd = false;
    tray.TaskbarCreated();
    EXPECT_FALSE(tray.IconAdded());
    p.acceptAdd = true;
    tray.SetHint("Again");
    EXPECT_EQ(p.Ops(), "DADA");
    EXPECT_TRUE(tray.IconAdded());

    // The record: the hidden window, the callback, the icon shown and the tip.
    const NotifyIconData& d = tray.NotifyData();
    EXPECT_EQ(d.size, 88u);
    EXPECT_EQ(d.window, kWindow);
    EXPECT_EQ(d.id, 0u);
    EXPECT_EQ(d.flags, 7u);
    EXPECT_EQ(d.callbackMessage, 0xB054u);
    EXPECT_EQ(d.icon, &tray.Icon().Images());
    EXPECT_EQ(d.tip, "Again");
}

TEST(TTrayIcon, TheTipIsCutAtTheFirstBarAndAfter63Characters) {
    const std::string long70(70, 'x');
    const struct {
        std::string hint, tip;
    } cases[] = {
        {"", ""},
        {long70, long70.substr(0, 63)},
        {std::string(63, 'y'), std::string(63, 'y')},
        {"Pallisar|second line", "Pallisar"},
        {"|all hidden", ""},
        {long70 + "|z", long70.substr(0, 63)},
    };
    Rig rig;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hint);
        rig.tray.SetHint(c.hint);
        rig.tray.UpdateNotifyData();
        EXPECT_EQ(rig.tray.NotifyData().tip, c.tip);
    }
}

TEST(TTrayIcon, ADestroyedMenuIsDroppedAndDestructionRemovesTheIconFirst) {
    Rig rig;
    {
        FakeMenu menu(rig.platform.log, {{true, true}});
        rig.tray.SetPopupMenu(&menu);
    }
    EXPECT_EQ(rig.tray.PopupMenu(), nullptr);
    EXPECT_EQ(rig.Send({kTrayRButtonDown, kTrayRButtonUp}),
              (Log{"down R r 10,20", "click R r 10,20", "up R r 10,20"}));
    FakePlatform platform;
    {
        TTrayIcon tray(platform);
        tray.Icon().SetIcon(Images(1));
        platform.Ops();
        platform.log.clear();
    }
    EXPECT_EQ(platform.Ops(), "D");
    EXPECT_EQ(platform.log, (Log{"destroy window"}));
}

TEST(TTrayIcon, AnimationStepsThroughTheFramesHandedOverByThePlatform) {
    Rig rig;
    TTrayIcon& tray = rig.tray;
    tray.SetAnimated(true);  // no frames
    EXPECT_FALSE(tray.Animated());

    TIcon frame;
    TIconList frames;
    frame.SetIcon(Images(10));
    frames.Add(&frame);
    frame.SetIcon(Images(11));
    frames.Add(&frame);
    tray.SetIcons(frames);
    tray.SetInterval(1);
    tray.SetAnimated(true);
    ASSERT_TRUE(tray.Animated());
    EXPECT_EQ(tray.GetActiveIcon(), tray.Icons().Get(0));

    // Pumps the thread's requests the way the user-interface thread would.
    std::vector<const TIcon*> shown;
    for (int step = 0; step < 3; ++step) {
        std::unique_lock lock(rig.platform.mutex);
        ASSERT_TRUE(rig.platform.posted.wait_for(lock, std::chrono::seconds(10),
                                                 [&] { return rig.platform.advances > 0; }));
        rig.platform.advances = 0;
        lock.unlock();
        rig.platform.Ops();
        tray.AdvanceFrame();
        EXPECT_EQ(rig.platform.Ops(), "M");
        shown.push_back(tray.GetActiveIcon());
    }
    EXPECT_EQ(shown, (std::vector<const TIcon*>{tray.Icons().Get(1), tray.Icons().Get(0),
                                                tray.Icons().Get(1)}));
    EXPECT_EQ(tray.NotifyData().icon, &tray.Icons().Get(1)->Images());

    // Emptying the frames ends the animation; the icon is shown again.
    tray.Icons().Clear();
    EXPECT_FALSE(tray.Animated());
    EXPECT_EQ(tray.NotifyData().icon, &tray.Icon().Images());
    tray.AdvanceFrame();  // a late request changes nothing
    EXPECT_EQ(tray.FrameIndex(), 0);
}

}  // namespace
