// The slider's model: geometry, snapping, steps, keys, tracking, and its two events.
#include "shell/slider.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"

using namespace pallisar;

namespace {

// A slider that is its own host: the repaints and timers it asked for, the values
// OnChange saw and the count of OnChanged.
struct Rig : SliderHost {
    TSlider slider;
    std::vector<SliderRect> invalidated;
    std::vector<int> timerStarts, changes;
    int timerStops = 0, changed = 0;

    explicit Rig(int minValue = 0, int maxValue = 100, int value = 0) {
        slider.SetHost(this);
        slider.SetMaxValue(maxValue);
        slider.SetMinValue(minValue);
        slider.SetValue(value);
        slider.OnChange = [this] { changes.push_back(slider.Value()); };
        slider.OnChanged = [this] { ++changed; };
        invalidated.clear();
    }
    void Invalidate(const SliderRect& rect) override { invalidated.push_back(rect); }
    void Update() override {}
    void StartTimer(int milliseconds) override { timerStarts.push_back(milliseconds); }
    void StopTimer() override { ++timerStops; }
    void CaptureMouse() override {}
    void ReleaseMouse() override {}
    void TakeFocus() override {}
    void Resize(int, int) override {}
};

TEST(TCustomSlider, GeometryOfTheGammaSlider) {
    Rig rig(10, 400, 130);  // the game editor's gamma slider, 150 pixels wide
    EXPECT_EQ(rig.slider.RulerRect().Width(), 138);
    EXPECT_EQ(rig.slider.Travel(), 129);
    // 6 + N(129 * 120 / 390) = 6 + N(39.69)
    EXPECT_EQ(rig.slider.ThumbRect().left, 46);
    EXPECT_EQ(rig.slider.PosToValue(46), 131);  // 10 + N(40 * 390 / 129)
    // Vertical: MinValue at the bottom, MaxValue at the top.
    rig.slider.SetOrientation(SliderOrientation::soVertical);
    EXPECT_EQ(rig.slider.ValueToPos(10), 135);
    EXPECT_EQ(rig.slider.ValueToPos(400), 6);
}

TEST(TCustomSlider, DraggingWithoutSmoothSnapsToIncrementsFromMinValue) {
    Rig rig(5, 100, 5);
    rig.slider.SetOptions(soShowFocus | soShowPoints);
    const SliderRect thumb = rig.slider.ThumbRect();
    rig.slider.MouseDown(SliderButton::Left, false, thumb.left + 4, thumb.top + 3);
    for (int x = 0; x <= 160; ++x) rig.slider.MouseMove(true, x, 50);
    EXPECT_EQ(rig.changes, (std::vector<int>{15, 25, 35, 45, 55, 65, 75, 85, 95, 100}));
    for (int x = 160; x >= 0; --x) rig.slider.MouseMove(true, x, 50);
    EXPECT_EQ(rig.slider.Value(), 5);
    EXPECT_EQ(rig.changed, 0);
    rig.slider.MouseUp(SliderButton::Left, 0, 50);
    EXPECT_EQ(rig.changed, 1);
}

TEST(TCustomSlider, StepValueCountsFromZero) {
    struct Case {
        int minValue, value, kind, expected;
    };
    const Case cases[] = {
        {0, 125, ssUp, 130},  {0, 135, ssUp, 150},  {0, 125, ssDown, 110}, {0, 135, ssDown, 130},
        {10, 395, ssUp, 400}, {10, 15, ssDown, 10}, {10, 130, ssMin, 10},  {10, 130, ssMax, 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " kind " + std::to_string(c.kind));
        Rig rig(c.minValue, 400, c.value);
        rig.slider.StepValue(c.kind);
        EXPECT_EQ(rig.slider.Value(), c.expected);
    }
}

TEST(TCustomSlider, KeysStepAndEndTheAction) {
    struct Case {
        SliderOrientation orientation;
        SliderKey key;
        int value;
        bool used;
        int expected;
    };
    const auto H = SliderOrientation::soHorizontal;
    const auto V = SliderOrientation::soVertical;
    const Case cases[] = {
        {H, SliderKey::Right, 50, true, 60},   {H, SliderKey::Left, 50, true, 40},
        {H, SliderKey::Right, 100, true, 100},  // at MaxValue: OnChanged anyway
        {H, SliderKey::Up, 50, false, 50},     {H, SliderKey::Home, 50, true, 0},
        {H, SliderKey::End, 50, true, 100},    {V, SliderKey::Up, 50, true, 60},
        {V, SliderKey::Right, 50, false, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.key)) + " from " + std::to_string(c.value));
        Rig rig(0, 100, c.value);
        rig.slider.SetOrientation(c.orientation);
        EXPECT_EQ(rig.slider.KeyDown(c.key, false, false, false), c.used);
        EXPECT_EQ(rig.slider.Value(), c.expected);
        EXPECT_EQ(rig.changed, c.used ? 1 : 0);
        EXPECT_EQ(rig.changes.size(), c.expected != c.value ? 1u : 0u);
    }
}

TEST(TCustomSlider, ValueFromCodeRepaintsAndNeverEndsAnAction) {
    Rig rig(10, 400, 130);  // the game editor's gamma slider
    const SliderRect before = rig.slider.ThumbRect();
    rig.slider.SetValue(200);
    // The old and the new thumb are repainted.
    EXPECT_EQ(rig.invalidated, (std::vector<SliderRect>{before, rig.slider.ThumbRect()}));
    rig.slider.SetValue(200);
    rig.slider.SetValue(1000);
    rig.slider.SetValue(-5);
    EXPECT_EQ(rig.changes, (std::vector<int>{200, 400, 10}));
    EXPECT_EQ(rig.changed, 0);
}

TEST(TCustomSlider, IncrementOutsideTheRangeIsRefused) {
    Rig rig(0, 30, 0);
    for (int increment : {0, -3, 31}) {
        SCOPED_TRACE(increment);
        try {
            rig.slider.SetIncrement(increment);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Value must be between 1 and 30");
        }
        EXPECT_EQ(rig.slider.Increment(), 10);
    }
    rig.slider.SetIncrement(30);
    EXPECT_EQ(rig.slider.Increment(), 30);
}

TEST(TCustomSlider, TrackingStepsUntilTheThumbReachesTheMouse) {
    Rig rig(10, 400, 130);                            // the game editor's gamma slider
    const int y = rig.slider.RulerRect().bottom + 2;  // beside the ruler still counts
    rig.slider.MouseDown(SliderButton::Left, false, 120, y);
    EXPECT_EQ(rig.changes, std::vector<int>{140});  // one step at once
    EXPECT_EQ(rig.timerStarts, std::vector<int>{400});
    for (int tick = 0; tick < 30; ++tick) rig.slider.TimerTick();
    // 330 puts the thumb on 112..120: it covers the mouse, the steps stop.
    EXPECT_EQ(rig.slider.Value(), 330);
    EXPECT_EQ(rig.changed, 0);
    rig.slider.MouseUp(SliderButton::Left, 120, y);
    EXPECT_EQ(rig.timerStops, 1);
    EXPECT_EQ(rig.changed, 1);
}

TEST(TCustomSlider, ZeroTravelKeepsTheThumbAtTheOrigin) {
    for (int width : {0, 12, 21}) {
        SCOPED_TRACE(width);
        Rig rig;
        rig.slider.SetSize(width, 40);
        EXPECT_EQ(rig.slider.Travel(), 0);
        rig.slider.SetValue(70);
        EXPECT_EQ(rig.slider.Value(), 70);
        EXPECT_EQ(rig.slider.ThumbRect().left, 6);
        const SliderRect thumb = rig.slider.ThumbRect();
        rig.slider.MouseDown(SliderButton::Left, false, thumb.left, thumb.top);
        rig.slider.MouseMove(true, 100, 0);
        rig.slider.MouseUp(SliderButton::Left, 100, 0);
        EXPECT_EQ(rig.slider.Value(), 0);
    }
}

}  // namespace
