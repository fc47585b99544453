// The window and dialog trampoline: an exception of any type thrown by a handler
// reaches the application's error handler, the message gets its default answer and
// the window or dialog goes on; a dialog run over its model fills its controls from
// it and copies them back on OK only.
#include "win32/window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "support/fake_prompts.h"
#include "win32/application.h"
#include "window_test_resource.h"

namespace pallisar {
namespace {

using test::FakePrompts;

// What a handler throws when it is not an error of the program's own: it has no
// message, so the error box says the fixed text.
struct NotAnError {
    int code;
};
const FakePrompts::Prompt kUnexpected{"Application", "An unexpected error occurred."};

constexpr UINT kThrowUnknown = WM_APP + 1;
constexpr UINT kThrowError = WM_APP + 2;
constexpr UINT kCount = WM_APP + 3;

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class ThrowingWindow : public Window {
  public:
    static constexpr const char* kClassName = "PallisarTrampolineTest";

    ThrowingWindow(Application& app, bool throwAtCreate)
        : Window(app), throwAtCreate_(throwAtCreate) {}

    HWND Create() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = app_.Instance();
        wc.lpszClassName = kClassName;
        RegisterClassA(&wc);  // once per test program
        return CreateHwnd(0, kClassName, "before", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                          nullptr);
    }

    bool throwOnSetText = false;
    int counted = 0;

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_CREATE:
                if (throwAtCreate_) throw NotAnError{1};
                break;
            case WM_SETTEXT:
                if (throwOnSetText) throw 3;
                break;
            case kThrowUnknown:
                throw NotAnError{2};
            case kThrowError:
                throw Error("Failed to set data for 'x'");
            case kCount:
                return ++counted;
            default:
                break;
        }
        return Default(message, wParam, lParam);
    }

    bool throwAtCreate_;
};

std::string WindowText(HWND hwnd) {
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

TEST(WindowTrampoline, EveryExceptionIsShownAndTheWindowGoesOn) {
    FakePrompts prompts;
    Application app(GetModuleHandleA(nullptr), prompts);
    auto window = std::make_unique<ThrowingWindow>(app, /*throwAtCreate=*/true);
    // WM_CREATE threw: its default answer lets the creation go on.
    HWND hwnd = window->Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(window->Handle(), hwnd);
    EXPECT_EQ(prompts.shown, std::vector<FakePrompts::Prompt>{kUnexpected});

    const struct {
        const char* name;
        bool posted;
        UINT message;
        FakePrompts::Prompt shown;
    } cases[] = {
        {"sent, no std::exception", false, kThrowUnknown, kUnexpected},
        {"posted, no std::exception", true, kThrowUnknown, kUnexpected},
        {"sent, the program's error",
         false,
         kThrowError,
         {"Application", "Failed to set data for 'x'"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.shown.clear();
        const int countedBefore = window->counted;
        if (c.posted) {
            ASSERT_TRUE(PostMessageA(hwnd, c.message, 0, 0));
            PumpMessages();
        } else {
            EXPECT_EQ(SendMessageA(hwnd, c.message, 0, 0), 0);  // DefWindowProc's answer
        }
        EXPECT_EQ(prompts.shown, std::vector<FakePrompts::Prompt>{c.shown});
        ASSERT_TRUE(IsWindow(hwnd));
        EXPECT_EQ(SendMessageA(hwnd, kCount, 0, 0), countedBefore + 1);
    }

    // A handler that throws leaves the message to DefWindowProc, which still sets the text.
    prompts.shown.clear();
    window->throwOnSetText = true;
    SetWindowTextA(hwnd, "after");
    EXPECT_EQ(WindowText(hwnd), "after");
    EXPECT_EQ(prompts.shown, std::vector<FakePrompts::Prompt>{kUnexpected});

    // Detached at WM_NCDESTROY; the object may go afterwards.
    DestroyWindow(hwnd);
    EXPECT_EQ(window->Handle(), nullptr);
    window.reset();

    // An object that goes first takes its window with it.
    window = std::make_unique<ThrowingWindow>(app, false);
    hwnd = window->Create();
    ASSERT_TRUE(IsWindow(hwnd));
    window.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    PumpMessages();
}

// The model of the test dialog.
struct GameModel {
    std::string title;
    bool gameOnly = false;
    bool operator==(const GameModel&) const = default;
};

constexpr UINT kSnapshot = WM_APP + 10;  // records the title control's text
constexpr UINT kClear = WM_APP + 11;     // the user empties the title
constexpr UINT kType = WM_APP + 12;      // the user types a title and checks Game Only
constexpr UINT_PTR kSafetyTimer = 1;
constexpr INT_PTR kTimedOut = 77;
constexpr WPARAM kOK = IDOK;
constexpr WPARAM kCancel = IDCANCEL;

// A dialog view as the program writes them, plus the test's hands: `script` is
// posted to the dialog once it is filled, and played in order by its modal loop.
class GameDialog : public Dialog {
  public:
    GameDialog(Application& app, GameModel& model) : Dialog(app), model_(model) {}

    std::vector<std::pair<UINT, WPARAM>> script;
    bool throwInFill = false;
    std::vector<std::string> snapshots;
    int refusedReads = 0;

  private:
    void Fill() override {
        if (throwInFill) throw NotAnError{4};
        SetDlgItemTextA(hwnd_, IDC_TEST_TITLE, model_.title.c_str());
        CheckDlgButton(hwnd_, IDC_TEST_GAME_ONLY, model_.gameOnly ? BST_CHECKED : BST_UNCHECKED);
        SetTimer(hwnd_, kSafetyTimer, 10000, nullptr);
        for (const auto& [message, wParam] : script) PostMessageA(hwnd_, message, wParam, 0);
    }

    // A game needs a title.
    bool Read() override {
        char text[256] = {};
        GetDlgItemTextA(hwnd_, IDC_TEST_TITLE, text, sizeof text);
        if (!*text) {
            ++refusedReads;
            return false;
        }
        model_.title = text;
        model_.gameOnly = IsDlgButtonChecked(hwnd_, IDC_TEST_GAME_ONLY) == BST_CHECKED;
        return true;
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case kThrowUnknown:
                throw NotAnError{5};
            case kSnapshot: {
                char text[256] = {};
                GetDlgItemTextA(hwnd_, IDC_TEST_TITLE, text, sizeof text);
                snapshots.push_back(text);
                return TRUE;
            }
            case kClear:
                SetDlgItemTextA(hwnd_, IDC_TEST_TITLE, "");
                return TRUE;
            case kType:
                SetDlgItemTextA(hwnd_, IDC_TEST_TITLE, "Quake II");
                CheckDlgButton(hwnd_, IDC_TEST_GAME_ONLY, BST_CHECKED);
                return TRUE;
            case WM_TIMER:
                if (wParam == kSafetyTimer) EndDialog(hwnd_, kTimedOut);
                return TRUE;
            default:
                return Dialog::OnMessage(message, wParam, lParam);
        }
    }

    GameModel& model_;
};

TEST(RunDialog, FillsFromTheModelReadsBackOnOkAndSurvivesExceptions) {
    const GameModel before{"Quake", false};
    const struct {
        const char* name;
        bool throwInFill;
        std::vector<std::pair<UINT, WPARAM>> script;
        INT_PTR result;
        GameModel after;
        std::vector<std::string> snapshots;
        int refusedReads;
        size_t errorsShown;
    } cases[] = {
        {"OK after an exception and a refused read",
         false,
         {{kSnapshot, 0},
          {kThrowUnknown, 0},
          {kClear, 0},
          {WM_COMMAND, kOK},
          {kType, 0},
          {kSnapshot, 0},
          {WM_COMMAND, kOK}},
         IDOK,
         {"Quake II", true},
         {"Quake", "Quake II"},
         1,
         1},
        {"Cancel leaves the model alone",
         false,
         {{kType, 0}, {WM_COMMAND, kCancel}},
         IDCANCEL,
         before,
         {},
         0,
         0},
        // Half-filled controls must never be read back.
        {"Fill that throws cancels", true, {}, IDCANCEL, before, {}, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePrompts prompts;
        Application app(GetModuleHandleA(nullptr), prompts);
        GameModel model = before;
        GameDialog dialog(app, model);
        dialog.script = c.script;
        dialog.throwInFill = c.throwInFill;

        EXPECT_EQ(RunDialog(nullptr, IDD_TEST_GAME, dialog), c.result);
        EXPECT_EQ(model, c.after);
        EXPECT_EQ(dialog.snapshots, c.snapshots);
        EXPECT_EQ(dialog.refusedReads, c.refusedReads);
        EXPECT_EQ(prompts.shown, std::vector<FakePrompts::Prompt>(c.errorsShown, kUnexpected));
        EXPECT_EQ(dialog.Handle(), nullptr);
    }
}

}  // namespace
}  // namespace pallisar
