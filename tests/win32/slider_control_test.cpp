// The slider's window in a dialog made from a template: the built-in images, the
// arrow keys through the dialog manager, a mouse drag, tracking with the repeat
// timer, the hand cursor, and a bound model that repaints the control by itself.
#include "win32/slider_control.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "slider_control_test_resource.h"
#include "support/fake_prompts.h"
#include "win32/application.h"

namespace pallisar {
namespace {

using test::FakePrompts;

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// Runs the messages that arrive during `milliseconds` (at least one round).
void Pump(DWORD milliseconds = 0) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (milliseconds) Sleep(10);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

class SliderControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterSliderClass(app_));
        dialog_ = CreateDialogParamA(app_.Instance(), MAKEINTRESOURCEA(IDD_TEST_SLIDER), nullptr,
                                     PlainDialogProc, 0);
        ASSERT_NE(dialog_, nullptr);
        ShowWindow(dialog_, SW_SHOWNORMAL);
        slider_ = GetDlgItem(dialog_, IDC_TEST_SLIDER);
        ASSERT_NE(slider_, nullptr);
        // The game editor's gamma slider.
        gamma_.SetMaxValue(400);
        gamma_.SetMinValue(10);
        gamma_.SetValue(130);
        gamma_.OnChange = [this] { changes_.push_back(gamma_.Value()); };
        gamma_.OnChanged = [this] { ++changed_; };
        BindSlider(slider_, gamma_);
        SetFocus(slider_);
        Pump();
        changes_.clear();
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
        Pump();
    }

    // A key as the message loop gives it to the dialog manager.
    void Key(WPARAM key) {
        MSG msg{slider_, WM_KEYDOWN, key, 1, GetTickCount(), {}};
        if (!IsDialogMessageA(dialog_, &msg)) DispatchMessageA(&msg);
        Pump();
    }

    POINT ThumbCentre() const {
        const SliderRect thumb = gamma_.ThumbRect();
        return {(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    }

    FakePrompts prompts_;
    Application app_{GetModuleHandleA(nullptr), prompts_};
    HWND dialog_ = nullptr;
    HWND slider_ = nullptr;
    TSlider gamma_;
    std::vector<int> changes_;
    int changed_ = 0;
};

TEST_F(SliderControlTest, BuiltInImagesAndCursorsAreThere) {
    const char* names[kSliderImageCount] = {"SLIDER_HTHUMB", "SLIDER_HRULER", "SLIDER_VTHUMB",
                                            "SLIDER_VRULER"};
    for (int i = 0; i < kSliderImageCount; ++i) {
        SCOPED_TRACE(names[i]);
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageA(app_.Instance(), names[i], IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(bitmap, nullptr);
        BITMAP info{};
        GetObjectA(bitmap, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, kBuiltInSliderImages[i].width);
        EXPECT_EQ(info.bmHeight, kBuiltInSliderImages[i].height);
        EXPECT_EQ(info.bmBitsPixel, 4);
        // The transparent colour is in the bottom-left pixel, and the picture is not
        // all of that colour.
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        const COLORREF key = GetPixel(dc, 0, info.bmHeight - 1);
        EXPECT_EQ(key, RGB(255, 0, 255));
        int others = 0;
        for (int y = 0; y < info.bmHeight; ++y) {
            for (int x = 0; x < info.bmWidth; ++x) others += GetPixel(dc, x, y) != key;
        }
        EXPECT_GT(others, info.bmWidth * info.bmHeight / 3);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    EXPECT_NE(LoadCursorA(app_.Instance(), "SLIDER_HANDCUR"), nullptr);
    EXPECT_NE(LoadCursorA(app_.Instance(), "SLIDER_DRAGCUR"), nullptr);
}

TEST_F(SliderControlTest, TemplateControlHasItsOwnModelUntilBound) {
    HWND other = CreateWindowExA(0, kSliderClassName, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10,
                                 80, 150, 40, dialog_, nullptr, app_.Instance(), nullptr);
    ASSERT_NE(other, nullptr);
    TCustomSlider* own = SliderModel(other);
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, &gamma_);
    EXPECT_EQ(own->MaxValue(), 100);
    EXPECT_EQ(own->Size(), (SliderSize{150, 40}));
    EXPECT_EQ(SliderModel(slider_), &gamma_);
    EXPECT_EQ(SliderModel(dialog_), nullptr);
    EXPECT_EQ(SendMessageA(slider_, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
    // The bound model took the control's size from the template.
    RECT client{};
    GetClientRect(slider_, &client);
    EXPECT_EQ(gamma_.Size(), (SliderSize{client.right, client.bottom}));
    EXPECT_TRUE(gamma_.Focused());
    DestroyWindow(other);
}

TEST_F(SliderControlTest, ArrowKeysReachTheSliderInsideTheDialog) {
    struct Step {
        WPARAM key;
        int value;
        int changed;
    };
    const Step steps[] = {
        {VK_RIGHT, 140, 1}, {VK_LEFT, 130, 2}, {VK_END, 400, 3},
        {VK_RIGHT, 400, 4},  // at MaxValue: nothing changes, the action still ends
        {VK_UP, 400, 4},     // not an arrow of a horizontal slider
        {VK_HOME, 10, 5},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.key);
        Key(step.key);
        EXPECT_EQ(gamma_.Value(), step.value);
        EXPECT_EQ(changed_, step.changed);
        EXPECT_EQ(GetFocus(), slider_);  // the dialog did not move the focus
    }
    EXPECT_EQ(changes_, (std::vector<int>{140, 130, 400, 10}));
}

TEST_F(SliderControlTest, MouseDragMovesTheValue) {
    const POINT from = ThumbCentre();
    PostMessageA(slider_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    Pump();
    EXPECT_TRUE(gamma_.ThumbPressed());
    EXPECT_EQ(GetCapture(), slider_);
    for (int dx = 1; dx <= 40; ++dx) {
        PostMessageA(slider_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.x + dx, from.y + 7));
    }
    Pump();
    PostMessageA(slider_, WM_LBUTTONUP, 0, MAKELPARAM(from.x + 40, from.y));
    Pump();
    // The thumb's left edge 80 pixels along the travel of 129: 10 + N(80 * 390 / 129).
    EXPECT_EQ(gamma_.Value(), 252);
    EXPECT_GE(changes_.size(), 30u);
    EXPECT_EQ(changed_, 1);
    EXPECT_FALSE(gamma_.ThumbPressed());
    EXPECT_NE(GetCapture(), slider_);
}

TEST_F(SliderControlTest, HoldingTheButtonBesideTheThumbRepeats) {
    const SliderRect ruler = gamma_.RulerRect();
    const int x = ruler.right - 3;
    const int y = (ruler.top + ruler.bottom) / 2;
    PostMessageA(slider_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    Pump();
    EXPECT_EQ(gamma_.Value(), 140);  // one step at once
    Pump(1000);                      // then one every 400 ms
    const int held = gamma_.Value();
    EXPECT_GE(held, 150);
    EXPECT_LE(held, 170);
    EXPECT_EQ(changed_, 0);
    PostMessageA(slider_, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Pump(600);
    EXPECT_EQ(gamma_.Value(), held);
    EXPECT_EQ(changed_, 1);
    EXPECT_FALSE(gamma_.Tracking());
}

TEST_F(SliderControlTest, LosingTheMouseEndsTheAction) {
    const SliderRect ruler = gamma_.RulerRect();
    PostMessageA(slider_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(ruler.left + 2, ruler.top));
    Pump();
    EXPECT_EQ(gamma_.Value(), 120);
    SetCapture(dialog_);  // as a message box opened from OnChange would
    ReleaseCapture();
    EXPECT_FALSE(gamma_.Tracking());
    EXPECT_EQ(changed_, 1);
    Pump(500);  // the repeat timer is gone
    EXPECT_EQ(gamma_.Value(), 120);

    const POINT thumb = ThumbCentre();
    PostMessageA(slider_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumb.x, thumb.y));
    Pump();
    EXPECT_TRUE(gamma_.Dragging());
    SetCapture(dialog_);
    ReleaseCapture();
    EXPECT_FALSE(gamma_.Dragging());
    EXPECT_EQ(changed_, 2);
}

TEST_F(SliderControlTest, HandCursorOverTheThumb) {
    POINT over = ThumbCentre();
    ClientToScreen(slider_, &over);
    SetCursorPos(over.x, over.y);
    SendMessageA(slider_, WM_SETCURSOR, reinterpret_cast<WPARAM>(slider_),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorA(app_.Instance(), "SLIDER_HANDCUR"));
    POINT beside{gamma_.RulerRect().right - 2, ThumbCentre().y};
    ClientToScreen(slider_, &beside);
    SetCursorPos(beside.x, beside.y);
    SendMessageA(slider_, WM_SETCURSOR, reinterpret_cast<WPARAM>(slider_),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), LoadCursorA(app_.Instance(), "SLIDER_HANDCUR"));
}

// What the screen shows in the thumb's middle column, top to bottom (the window's
// pixels after painting).
std::vector<COLORREF> ColumnOnScreen(HWND window, int x, int top, int bottom) {
    std::vector<COLORREF> column;
    HDC dc = GetDC(window);
    for (int y = top; y < bottom; ++y) column.push_back(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    return column;
}

TEST_F(SliderControlTest, ValueFromCodeRepaintsTheBoundControl) {
    UpdateWindow(slider_);
    const SliderRect before = gamma_.ThumbRect();
    const int middle = (before.left + before.right) / 2;
    const std::vector<COLORREF> thumbColumn =
        ColumnOnScreen(slider_, middle, before.top, before.bottom);
    RECT pending{};
    EXPECT_FALSE(GetUpdateRect(slider_, &pending, FALSE));

    gamma_.SetValue(300);  // as the game editor's locked gamma does
    ASSERT_TRUE(GetUpdateRect(slider_, &pending, FALSE));
    const SliderRect after = gamma_.ThumbRect();
    EXPECT_LE(pending.left, before.left);
    EXPECT_GE(pending.right, after.right);
    UpdateWindow(slider_);
    Pump();

    // The thumb is drawn at its new place and gone from the old one.
    const int shift = after.left - before.left;
    EXPECT_EQ(ColumnOnScreen(slider_, middle + shift, after.top, after.bottom), thumbColumn);
    EXPECT_NE(ColumnOnScreen(slider_, middle, before.top, before.bottom), thumbColumn);
    // The face shows through where the thumb image is transparent: never magenta.
    for (COLORREF pixel : ColumnOnScreen(slider_, middle + shift, after.top, after.bottom)) {
        EXPECT_NE(pixel, RGB(255, 0, 255));
    }
}

TEST_F(SliderControlTest, ModelOutlivesTheControl) {
    DestroyWindow(dialog_);
    dialog_ = nullptr;
    EXPECT_EQ(gamma_.Host(), nullptr);
    gamma_.SetValue(200);  // no window to repaint: nothing happens
    EXPECT_EQ(gamma_.Value(), 200);
}

}  // namespace
}  // namespace pallisar
