// The slider's model: geometry, value and position, snapping, steps, keys, mouse
// dragging and tracking with its repeat timer, the two events, and what the view is
// asked for.
#include "shell/slider.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/errors.h"

using namespace pallisar;

namespace {

struct RecordingHost : SliderHost {
    std::vector<SliderRect> invalidated;
    int updates = 0;
    std::vector<int> timerStarts;
    int timerStops = 0;
    int captures = 0;
    int releases = 0;
    int focusTaken = 0;
    std::vector<SliderSize> resizes;

    void Invalidate(const SliderRect& rect) override { invalidated.push_back(rect); }
    void Update() override { ++updates; }
    void StartTimer(int milliseconds) override { timerStarts.push_back(milliseconds); }
    void StopTimer() override { ++timerStops; }
    void CaptureMouse() override { ++captures; }
    void ReleaseMouse() override { ++releases; }
    void TakeFocus() override { ++focusTaken; }
    void Resize(int width, int height) override { resizes.push_back({width, height}); }
};

// A slider with its host and counters of its events, the values OnChange saw.
struct Rig {
    TSlider slider;
    RecordingHost host;
    std::vector<int> changes;
    int changed = 0;

    Rig() {
        slider.SetHost(&host);
        slider.OnChange = [this] { changes.push_back(slider.Value()); };
        slider.OnChanged = [this] { ++changed; };
    }
    // The game editor's gamma slider.
    void Gamma() {
        slider.SetMaxValue(400);
        slider.SetMinValue(10);
        slider.SetValue(130);
        changes.clear();
        host = RecordingHost{};
    }
};

TEST(TCustomSlider, GeometryOfTheGammaSlider) {
    Rig rig;
    rig.Gamma();
    EXPECT_EQ(rig.slider.RulerRect().Width(), 138);
    EXPECT_EQ(rig.slider.ThumbRect().Width(), 9);
    EXPECT_EQ(rig.slider.Travel(), 129);
    // 6 + N(129 * 120 / 390) = 6 + N(39.69)
    EXPECT_EQ(rig.slider.ThumbRect().left, 46);
    EXPECT_EQ(rig.slider.ValueToPos(10), 6);
    EXPECT_EQ(rig.slider.ValueToPos(400), 135);
    // 40 * 390 / 129 = 120.93
    EXPECT_EQ(rig.slider.PosToValue(46), 131);
}

TEST(TCustomSlider, GeometryByOrientationAndBevel) {
    struct Case {
        SliderOrientation orientation;
        SliderBevel bevel;
        SliderRect ruler, thumb, points;
        int travel;
    };
    const Case cases[] = {
        // The 17 pixel thumb is higher than the 8 pixel ruler: the ruler is centred on it.
        {SliderOrientation::soHorizontal,
         SliderBevel::bvNone,
         {6, 10, 144, 18},
         {6, 6, 15, 23},
         {6, 24, 144, 39},
         129},
        {SliderOrientation::soHorizontal,
         SliderBevel::bvLowered,
         {7, 11, 143, 19},
         {7, 7, 16, 24},
         {7, 25, 143, 37},
         127},
        // Vertical (40 x 150 after the switch): MinValue at the bottom.
        {SliderOrientation::soVertical,
         SliderBevel::bvNone,
         {11, 6, 19, 144},
         {6, 135, 25, 144},
         {26, 6, 39, 144},
         129},
        {SliderOrientation::soVertical,
         SliderBevel::bvRaised,
         {12, 7, 20, 143},
         {7, 134, 26, 143},
         {27, 7, 37, 143},
         127},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.orientation) * 10 + static_cast<int>(c.bevel));
        TSlider slider;
        slider.SetOrientation(c.orientation);
        slider.SetBevelStyle(c.bevel);
        EXPECT_EQ(slider.RulerRect(), c.ruler);
        EXPECT_EQ(slider.ThumbRect(), c.thumb);
        EXPECT_EQ(slider.PointsRect(), c.points);
        EXPECT_EQ(slider.Travel(), c.travel);
        // Every position reads back as the value that put the thumb there.
        for (int v = 0; v <= 100; ++v) {
            const int pos = slider.ValueToPos(v);
            EXPECT_EQ(slider.ValueToPos(slider.PosToValue(pos)), pos) << v;
        }
        // MaxValue at the far end of the travel: the right, or the top.
        slider.SetValue(100);
        if (c.orientation == SliderOrientation::soVertical) {
            EXPECT_EQ(slider.ThumbRect().top, c.ruler.top);
        } else {
            EXPECT_EQ(slider.ThumbRect().left, c.ruler.left + c.travel);
        }
    }
}

TEST(TCustomSlider, RulerIsBuiltFromTheTileEnds) {
    struct Case {
        int length;
        int edge;
        std::vector<RulerPiece> pieces;
    };
    const Case cases[] = {
        {20, 2, {{0, 0, 8}, {8, 2, 6}, {14, 2, 4}, {18, 8, 2}}},
        {16, 2, {{0, 0, 8}, {8, 2, 6}, {14, 8, 2}}},
        {5, 2, {{0, 0, 3}, {3, 8, 2}}},
        {1, 2, {{0, 9, 1}}},
        {25, 0, {{0, 0, 10}, {10, 0, 10}, {20, 0, 5}}},
        {12, 4, {{0, 0, 6}, {6, 4, 2}, {8, 6, 4}}},
        {0, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        TSlider slider;
        slider.SetEdgeSize(c.edge);
        slider.SetSize(c.length + 12, 40);
        EXPECT_EQ(slider.RulerPieces(), c.pieces);
    }
    // The full-size ruler: the pieces cover it once, left to right.
    TSlider slider;
    int end = 0;
    for (const RulerPiece& piece : slider.RulerPieces()) {
        EXPECT_EQ(piece.at, end);
        end += piece.length;
    }
    EXPECT_EQ(end, 138);
}

TEST(TCustomSlider, EdgeSizeMustLeaveAMiddle) {
    TSlider slider;
    slider.SetEdgeSize(5);  // 10 is not below the tile's 10 pixels
    EXPECT_EQ(slider.EdgeSize(), 2);
    slider.SetEdgeSize(-1);
    EXPECT_EQ(slider.EdgeSize(), 2);
    slider.SetEdgeSize(4);
    EXPECT_EQ(slider.EdgeSize(), 4);
}

TEST(TCustomSlider, DraggingSnapsToIncrementsFromMinValue) {
    Rig rig;
    rig.slider.SetMinValue(5);
    rig.slider.SetOptions(soShowFocus | soShowPoints);
    rig.slider.SetValue(5);
    rig.changes.clear();
    const SliderRect thumb = rig.slider.ThumbRect();
    rig.slider.MouseDown(SliderButton::Left, false, thumb.left + 4, thumb.top + 3);
    EXPECT_TRUE(rig.slider.Dragging());
    EXPECT_TRUE(rig.slider.ThumbPressed());
    EXPECT_EQ(rig.slider.ThumbImageLeft(), 9);
    for (int x = 0; x <= 160; ++x) rig.slider.MouseMove(true, x, 50);
    const std::vector<int> expected = {15, 25, 35, 45, 55, 65, 75, 85, 95, 100};
    EXPECT_EQ(rig.changes, expected);
    // The thumb sits where its value puts it.
    EXPECT_EQ(rig.slider.ThumbRect().left, rig.slider.ValueToPos(100));
    for (int x = 160; x >= 0; --x) rig.slider.MouseMove(true, x, 50);
    EXPECT_EQ(rig.slider.Value(), 5);
    EXPECT_EQ(rig.changed, 0);
    rig.slider.MouseUp(SliderButton::Left, 0, 50);
    EXPECT_EQ(rig.changed, 1);
    EXPECT_FALSE(rig.slider.Dragging());
    EXPECT_EQ(rig.slider.ThumbImageLeft(), 0);
    EXPECT_EQ(rig.host.captures, 1);
    EXPECT_EQ(rig.host.releases, 1);
    EXPECT_GE(rig.host.updates, 2);  // pressed and released, painted at once
}

TEST(TCustomSlider, SmoothDraggingGivesEveryValue) {
    Rig rig;
    rig.Gamma();
    const SliderRect thumb = rig.slider.ThumbRect();
    rig.slider.MouseDown(SliderButton::Left, false, thumb.left, thumb.top);
    std::set<int> seen;
    for (int x = 0; x <= 160; ++x) {
        rig.slider.MouseMove(true, x, 0);
        seen.insert(rig.slider.Value());
    }
    // 130 values over 390: one value per pixel of travel, both ends included.
    EXPECT_EQ(seen.size(), 130u);
    EXPECT_EQ(*seen.begin(), 10);
    EXPECT_EQ(*seen.rbegin(), 400);
    // Moves without the button held do not drag.
    rig.slider.MouseMove(false, 0, 0);
    EXPECT_EQ(rig.slider.Value(), 400);
}

TEST(TCustomSlider, StepValueCountsFromZero) {
    struct Case {
        int minValue, value, kind, expected;
    };
    const Case cases[] = {
        {0, 125, ssUp, 130},  {0, 135, ssUp, 150},   {0, 125, ssDown, 110}, {0, 135, ssDown, 130},
        {10, 395, ssUp, 400}, {10, 15, ssDown, 10},  {10, 130, ssMin, 10},  {10, 130, ssMax, 400},
        {5, 5, ssUp, 10},     {5, 400, ssDown, 390}, {5, 7, ssNone, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " kind " + std::to_string(c.kind));
        TSlider slider;
        slider.SetMaxValue(400);
        slider.SetMinValue(c.minValue);
        slider.SetValue(c.value);
        slider.StepValue(c.kind);
        EXPECT_EQ(slider.Value(), c.expected);
    }
}

TEST(TCustomSlider, KeysStepAndEndTheAction) {
    struct Case {
        SliderOrientation orientation;
        SliderKey key;
        bool shift, ctrl;
        int value;
        bool used;
        int expected;
    };
    const auto H = SliderOrientation::soHorizontal;
    const auto V = SliderOrientation::soVertical;
    const Case cases[] = {
        {H, SliderKey::Right, false, false, 50, true, 60},
        {H, SliderKey::Left, false, false, 50, true, 40},
        {H, SliderKey::Right, false, false, 100, true, 100},  // at MaxValue: OnChanged anyway
        {H, SliderKey::Up, false, false, 50, false, 50},
        {H, SliderKey::Down, false, false, 50, false, 50},
        {H, SliderKey::Right, true, false, 50, false, 50},
        {H, SliderKey::Home, false, true, 50, false, 50},
        {H, SliderKey::Home, false, false, 50, true, 0},
        {H, SliderKey::End, false, false, 50, true, 100},
        {V, SliderKey::Up, false, false, 50, true, 60},
        {V, SliderKey::Down, false, false, 50, true, 40},
        {V, SliderKey::Right, false, false, 50, false, 50},
        {V, SliderKey::Other, false, false, 50, false, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.key)) + " from " + std::to_string(c.value));
        Rig rig;
        rig.slider.SetOrientation(c.orientation);
        rig.slider.SetValue(c.value);
        rig.changes.clear();
        EXPECT_EQ(rig.slider.KeyDown(c.key, c.shift, c.ctrl, false), c.used);
        EXPECT_EQ(rig.slider.Value(), c.expected);
        EXPECT_EQ(rig.changed, c.used ? 1 : 0);
        EXPECT_EQ(rig.changes.size(), c.expected != c.value ? 1u : 0u);
    }
}

TEST(TCustomSlider, ValueFromCodeRepaintsAndNeverEndsAnAction) {
    Rig rig;
    rig.Gamma();
    const SliderRect before = rig.slider.ThumbRect();
    rig.slider.SetValue(200);
    EXPECT_EQ(rig.changes, std::vector<int>{200});
    // The old and the new thumb are repainted.
    ASSERT_EQ(rig.host.invalidated.size(), 2u);
    EXPECT_EQ(rig.host.invalidated[0], before);
    EXPECT_EQ(rig.host.invalidated[1], rig.slider.ThumbRect());
    rig.slider.SetValue(200);
    rig.slider.SetValue(1000);
    rig.slider.SetValue(-5);
    EXPECT_EQ(rig.changes, (std::vector<int>{200, 400, 10}));
    EXPECT_EQ(rig.changed, 0);
    // Not snapped: only the thumb is.
    rig.slider.SetOptions(0);
    rig.slider.SetValue(133);
    EXPECT_EQ(rig.slider.Value(), 133);
    EXPECT_EQ(rig.slider.ThumbRect().left, rig.slider.ValueToPos(130));
}

TEST(TCustomSlider, RangeAndIncrementRules) {
    Rig rig;
    rig.slider.SetValue(80);
    rig.changes.clear();
    rig.slider.SetMaxValue(0);  // not above the minimum: ignored
    EXPECT_EQ(rig.slider.MaxValue(), 100);
    rig.slider.SetMaxValue(60);  // clamps the value
    EXPECT_EQ(rig.changes, std::vector<int>{60});
    rig.slider.SetIncrement(50);
    rig.slider.SetMaxValue(30);  // the increment shrinks to the range
    EXPECT_EQ(rig.slider.Increment(), 30);
    EXPECT_EQ(rig.slider.Value(), 30);

    const struct {
        int increment;
        const char* error;
    } cases[] = {{0, "Value must be between 1 and 30"},
                 {-3, "Value must be between 1 and 30"},
                 {31, "Value must be between 1 and 30"},
                 {30, nullptr},
                 {1, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.increment);
        const int before = rig.slider.Increment();
        if (c.error) {
            try {
                rig.slider.SetIncrement(c.increment);
                ADD_FAILURE() << "no error";
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), c.error);
            }
            EXPECT_EQ(rig.slider.Increment(), before);
        } else {
            rig.slider.SetIncrement(c.increment);
            EXPECT_EQ(rig.slider.Increment(), c.increment);
        }
    }
}

TEST(TCustomSlider, LoadingTakesPropertiesAsTheyCome) {
    Rig rig;
    rig.slider.BeginLoading();
    EXPECT_NO_THROW(rig.slider.SetIncrement(0));
    EXPECT_EQ(rig.slider.Increment(), 10);
    EXPECT_NO_THROW(rig.slider.SetIncrement(500));
    EXPECT_EQ(rig.slider.Increment(), 500);
    // An empty range, for a moment: the thumb stays at the origin.
    rig.slider.SetMinValue(100);
    EXPECT_EQ(rig.slider.MinValue(), 100);
    EXPECT_EQ(rig.slider.Value(), 100);
    EXPECT_EQ(rig.slider.ValueToPos(100), 6);
    EXPECT_EQ(rig.slider.PosToValue(90), 100);
    rig.slider.SetOrientation(SliderOrientation::soVertical);
    EXPECT_EQ(rig.slider.Size(), (SliderSize{150, 40}));  // no exchange while loading
    rig.slider.SetSize(60, 200);
    rig.slider.SetMaxValue(300);
    rig.slider.EndLoading();
    EXPECT_EQ(rig.slider.Increment(), 500);
    EXPECT_EQ(rig.slider.RulerRect().Height(), 188);
    EXPECT_TRUE(rig.host.resizes.empty());
}

TEST(TCustomSlider, OrientationExchangesWidthAndHeight) {
    Rig rig;
    rig.slider.SetOrientation(SliderOrientation::soVertical);
    EXPECT_EQ(rig.slider.Size(), (SliderSize{40, 150}));
    EXPECT_EQ(rig.host.resizes, std::vector<SliderSize>{(SliderSize{40, 150})});
    rig.slider.SetOrientation(SliderOrientation::soVertical);
    EXPECT_EQ(rig.host.resizes.size(), 1u);
    rig.slider.SetOrientation(SliderOrientation::soHorizontal);
    EXPECT_EQ(rig.slider.Size(), (SliderSize{150, 40}));
}

TEST(TCustomSlider, TrackingStepsUntilTheThumbReachesTheMouse) {
    Rig rig;
    rig.Gamma();
    const int y = rig.slider.RulerRect().bottom + 2;  // beside the ruler still counts
    rig.slider.MouseDown(SliderButton::Left, false, 120, y);
    EXPECT_TRUE(rig.slider.Tracking());
    EXPECT_EQ(rig.changes, std::vector<int>{140});  // one step at once
    EXPECT_EQ(rig.host.timerStarts, std::vector<int>{400});
    EXPECT_EQ(rig.host.captures, 1);
    EXPECT_EQ(rig.host.focusTaken, 1);
    for (int tick = 0; tick < 30; ++tick) rig.slider.TimerTick();
    // 330 puts the thumb on 112..120: it covers the mouse, the steps stop.
    EXPECT_EQ(rig.slider.Value(), 330);
    EXPECT_EQ(rig.changes.size(), 20u);
    EXPECT_EQ(rig.host.timerStarts.size(), 1u);
    EXPECT_EQ(rig.host.timerStops, 0);  // runs until the button is released
    EXPECT_EQ(rig.changed, 0);
    rig.slider.MouseUp(SliderButton::Left, 120, y);
    EXPECT_FALSE(rig.slider.Tracking());
    EXPECT_EQ(rig.host.timerStops, 1);
    EXPECT_EQ(rig.host.releases, 1);
    EXPECT_EQ(rig.changed, 1);
    rig.slider.TimerTick();
    rig.slider.MouseUp(SliderButton::Left, 120, y);
    EXPECT_EQ(rig.slider.Value(), 330);
    EXPECT_EQ(rig.changed, 1);
}

TEST(TCustomSlider, TrackingKeepsItsDirection) {
    Rig rig;
    rig.Gamma();
    rig.slider.MouseDown(SliderButton::Left, false, 10, 14);  // left of the thumb
    EXPECT_EQ(rig.slider.Value(), 120);
    rig.slider.MouseMove(true, 150, 14);  // now right of it: no steps back up
    rig.slider.TimerTick();
    rig.slider.TimerTick();
    EXPECT_EQ(rig.slider.Value(), 120);
    rig.slider.MouseUp(SliderButton::Left, 150, 14);
    EXPECT_EQ(rig.changed, 1);
}

TEST(TCustomSlider, ClicksThatDoNothing) {
    struct Case {
        SliderButton button;
        bool doubleClick;
        int x, y;
    };
    const Case cases[] = {
        {SliderButton::Right, false, 120, 14},
        {SliderButton::Left, true, 120, 14},
        {SliderButton::Left, false, 120, 5},  // above the ruler's slack
        {SliderButton::Left, false, 120, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.y);
        Rig rig;
        rig.Gamma();
        rig.slider.MouseDown(c.button, c.doubleClick, c.x, c.y);
        rig.slider.MouseUp(c.button, c.x, c.y);
        EXPECT_EQ(rig.slider.Value(), 130);
        EXPECT_EQ(rig.changed, 0);
        EXPECT_TRUE(rig.host.timerStarts.empty());
    }
}

TEST(TCustomSlider, ZeroTravelAndTinyControls) {
    for (int width : {0, 5, 12, 20, 21}) {
        SCOPED_TRACE(width);
        Rig rig;
        rig.slider.SetSize(width, 40);
        EXPECT_EQ(rig.slider.Travel(), 0);
        rig.slider.SetValue(70);
        EXPECT_EQ(rig.slider.Value(), 70);
        EXPECT_EQ(rig.slider.ThumbRect().left, 6);
        EXPECT_EQ(rig.slider.PosToValue(50), 0);
        const SliderRect thumb = rig.slider.ThumbRect();
        rig.slider.MouseDown(SliderButton::Left, false, thumb.left, thumb.top);
        rig.slider.MouseMove(true, 100, 0);
        rig.slider.MouseUp(SliderButton::Left, 100, 0);
        EXPECT_EQ(rig.slider.Value(), 0);
        // Every tick on the one place the thumb can be.
        for (const SliderTick& tick : rig.slider.DrawPoints()) EXPECT_EQ(tick.x, 6 + 9 / 2);
    }
}

TEST(TCustomSlider, TickPointsThinOutAndEndAtTheBounds) {
    Rig rig;
    rig.Gamma();
    // Steps of 10 would stand 129 / 39 = 3.3 pixels apart; steps of 20, 129 / N(19.5).
    const auto ticks = rig.slider.DrawPoints();
    ASSERT_EQ(ticks.size(), 21u);
    EXPECT_EQ(ticks[0], (SliderTick{10, 24, 5}));      // 10
    EXPECT_EQ(ticks[1], (SliderTick{13 + 4, 24, 3}));  // 30
    EXPECT_EQ(ticks[19], (SliderTick{rig.slider.ValueToPos(390) + 4, 24, 3}));
    EXPECT_EQ(ticks[20], (SliderTick{135 + 4, 24, 5}));  // 400
    // The default 0..100 by 10: every step.
    TSlider plain;
    EXPECT_EQ(plain.DrawPoints().size(), 11u);
    plain.SetOrientation(SliderOrientation::soVertical);
    const auto vertical = plain.DrawPoints();
    EXPECT_EQ(vertical.front(), (SliderTick{26, 135 + 4, 5}));  // MinValue at the bottom
    EXPECT_EQ(vertical.back(), (SliderTick{26, 6 + 4, 5}));
}

TEST(TCustomSlider, FocusEnablingAndImages) {
    Rig rig;
    rig.slider.SetFocused(true);
    EXPECT_EQ(rig.host.invalidated.back(), (SliderRect{0, 0, 150, 40}));
    rig.slider.SetOptions(soSmooth | soThumbOpaque);
    rig.host.invalidated.clear();
    rig.slider.SetFocused(false);
    EXPECT_TRUE(rig.host.invalidated.empty());  // no focus rectangle to take away
    rig.slider.SetEnabled(false);
    EXPECT_EQ(rig.host.invalidated, std::vector<SliderRect>{rig.slider.ThumbRect()});
    EXPECT_EQ(rig.slider.ThumbImageLeft(), 9);  // disabled shows the second state
    rig.slider.SetNumThumbStates(1);
    EXPECT_EQ(rig.slider.ThumbImageLeft(), 0);
    EXPECT_EQ(rig.slider.ThumbRect().Width(), 18);

    rig.slider.SetImage(SliderImage::HThumb, SliderSize{11, 21});
    EXPECT_EQ(rig.slider.UserImages(), 1u);
    EXPECT_EQ(rig.slider.ThumbRect().Height(), 21);
    rig.slider.SetImage(SliderImage::VRuler, SliderSize{4, 4});
    EXPECT_EQ(rig.slider.UserImages(), 9u);
    rig.slider.SetImage(SliderImage::HThumb, std::nullopt);
    EXPECT_EQ(rig.slider.UserImages(), 8u);
    EXPECT_EQ(rig.slider.Options(), soSmooth);  // the built-in thumb is drawn transparent
    EXPECT_EQ(rig.slider.ThumbRect().Height(), 17);
}

}  // namespace
