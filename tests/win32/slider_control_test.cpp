// The slider's window in a dialog: keys through the dialog manager, a drag, the repeat
// timer, and a bound model that repaints the control by itself.
#include "win32/slider_control.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "slider_control_test_resource.h"
#include "support/fake_prompts.h"
#include "win32/application.h"

namespace pallisar {
namespace {

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

std::vector<COLORREF> Column(HWND window, int x, int top, int bottom) {
    std::vector<COLORREF> column;
    HDC dc = GetDC(window);
    for (int y = top; y < bottom; ++y) column.push_back(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    return column;
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
        DestroyWindow(dialog_);
        Pump();
    }
    void Post(UINT message, WPARAM buttons, int x, int y) {
        PostMessageA(slider_, message, buttons, MAKELPARAM(x, y));
    }

    test::FakePrompts prompts_;
    Application app_{GetModuleHandleA(nullptr), prompts_};
    HWND dialog_ = nullptr;
    HWND slider_ = nullptr;
    TSlider gamma_;
    std::vector<int> changes_;
    int changed_ = 0;
};

TEST_F(SliderControlTest, ArrowKeysReachTheSliderInsideTheDialog) {
    const struct {
        WPARAM key;
        int value, changed;
    } steps[] = {
        {VK_RIGHT, 140, 1}, {VK_LEFT, 130, 2}, {VK_END, 400, 3},
        {VK_RIGHT, 400, 4},  // at MaxValue: nothing changes, the action still ends
        {VK_UP, 400, 4},     // not an arrow of a horizontal slider
        {VK_HOME, 10, 5},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.key);
        MSG msg{slider_, WM_KEYDOWN, step.key, 1, GetTickCount(), {}};
        if (!IsDialogMessageA(dialog_, &msg)) DispatchMessageA(&msg);
        Pump();
        EXPECT_EQ(gamma_.Value(), step.value);
        EXPECT_EQ(changed_, step.changed);
        EXPECT_EQ(GetFocus(), slider_);  // the dialog did not move the focus
    }
    EXPECT_EQ(changes_, (std::vector<int>{140, 130, 400, 10}));
}

TEST_F(SliderControlTest, MouseDragMovesTheValueAndEndsOnce) {
    const SliderRect thumb = gamma_.ThumbRect();
    const int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
    Post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    Pump();
    for (int dx = 1; dx <= 40; ++dx) Post(WM_MOUSEMOVE, MK_LBUTTON, x + dx, y + 7);
    Pump();
    EXPECT_EQ(changed_, 0);
    Post(WM_LBUTTONUP, 0, x + 40, y);
    Pump();
    // The thumb's left edge 80 pixels along the travel of 129: 10 + N(80 * 390 / 129).
    EXPECT_EQ(gamma_.Value(), 252);
    EXPECT_GE(changes_.size(), 30u);
    EXPECT_EQ(changed_, 1);
    EXPECT_NE(GetCapture(), slider_);
}

TEST_F(SliderControlTest, HoldingTheButtonBesideTheThumbRepeats) {
    const SliderRect ruler = gamma_.RulerRect();
    const int x = ruler.right - 3, y = (ruler.top + ruler.bottom) / 2;
    Post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    Pump();
    EXPECT_EQ(gamma_.Value(), 140);  // one step at once
    Pump(1000);                      // then one every 400 ms
    const int held = gamma_.Value();
    EXPECT_GE(held, 150);
    EXPECT_LE(held, 170);
    EXPECT_EQ(changed_, 0);
    Post(WM_LBUTTONUP, 0, x, y);
    Pump(600);
    EXPECT_EQ(gamma_.Value(), held);  // the timer is gone
    EXPECT_EQ(changed_, 1);
}

TEST_F(SliderControlTest, ValueFromCodeRepaintsTheBoundControl) {
    UpdateWindow(slider_);
    const SliderRect before = gamma_.ThumbRect();
    const int middle = (before.left + before.right) / 2;
    const std::vector<COLORREF> thumbColumn = Column(slider_, middle, before.top, before.bottom);

    gamma_.SetValue(300);  // as the game editor's locked gamma does
    UpdateWindow(slider_);
    Pump();

    // The thumb is drawn at its new place, gone from the old one, with the face showing
    // through its transparent pixels.
    const SliderRect after = gamma_.ThumbRect();
    const int shift = after.left - before.left;
    const std::vector<COLORREF> moved = Column(slider_, middle + shift, after.top, after.bottom);
    EXPECT_EQ(moved, thumbColumn);
    EXPECT_NE(Column(slider_, middle, before.top, before.bottom), thumbColumn);
    for (COLORREF pixel : moved) EXPECT_NE(pixel, RGB(255, 0, 255));
}

}  // namespace
}  // namespace pallisar
