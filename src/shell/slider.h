#pragma once
// TCustomSlider: the gamma slider's model. It owns the value and its range and rules,
// the increment, the options, the whole geometry (ruler, thumb, tick points), and the
// keyboard, mouse and repeat-timer logic, and fires OnChange for every change of
// Value (by code or by the user) and OnChanged once at the end of each user action.
// Its view paints what the model says and hands it keys, mouse and timer ticks; the
// model asks the view for repaints, the timer and the mouse through a SliderHost, so
// a value set from code repaints the control by itself.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pallisar {

// TSliderOptions, as a set of bits.
enum SliderOption : unsigned {
    soShowFocus = 1u << 0,
    soShowPoints = 1u << 1,
    soSmooth = 1u << 2,
    soRulerOpaque = 1u << 3,
    soThumbOpaque = 1u << 4,
};
using SliderOptions = unsigned;

enum class SliderOrientation { soHorizontal, soVertical };
enum class SliderBevel { bvNone, bvLowered, bvRaised, bvSpace };

// The four images, in the order of their bits in UserImages.
enum class SliderImage { HThumb, HRuler, VThumb, VRuler };
constexpr int kSliderImageCount = 4;

// StepValue's kinds and HitTest's directions (0: on the thumb).
enum SliderStep : int { ssNone = 0, ssMin = 1, ssMax = 2, ssUp = 3, ssDown = 4 };

enum class SliderKey { Home, End, Left, Right, Up, Down, Other };
enum class SliderButton { Left, Right, Middle };

struct SliderSize {
    int width = 0;
    int height = 0;
    bool operator==(const SliderSize&) const = default;
};

// Client coordinates, right and bottom exclusive.
struct SliderRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const SliderRect&) const = default;
};

// One copy of a part of the ruler tile into the built ruler image: `length` columns
// (rows, vertical) of the tile from `from` on, placed at `at` along the image.
struct RulerPiece {
    int at = 0;
    int from = 0;
    int length = 0;
    bool operator==(const RulerPiece&) const = default;
};

// One tick point: a line of `length` pixels from (x, y), down (horizontal slider) or
// to the right (vertical slider).
struct SliderTick {
    int x = 0;
    int y = 0;
    int length = 0;
    bool operator==(const SliderTick&) const = default;
};

// The sizes of the built-in images (the view's resources SLIDER_HTHUMB and so on).
constexpr SliderSize kBuiltInSliderImages[kSliderImageCount] = {
    {18, 17}, {10, 8}, {38, 9}, {8, 10}};

// What the model asks of its view. Every call may come at any time, also from a
// value set from code; a view that is not there yet simply is no host.
class SliderHost {
  public:
    virtual ~SliderHost() = default;
    // Repaint `rect` at the next painting.
    virtual void Invalidate(const SliderRect& rect) = 0;
    // Paint what is invalid now.
    virtual void Update() = 0;
    // The repeat timer of tracking: one tick every `milliseconds` until stopped.
    virtual void StartTimer(int milliseconds) = 0;
    virtual void StopTimer() = 0;
    virtual void CaptureMouse() = 0;
    virtual void ReleaseMouse() = 0;
    // Take the keyboard focus when the control can.
    virtual void TakeFocus() = 0;
    // Give the control this size (orientation switches exchange width and height).
    virtual void Resize(int width, int height) = 0;
};

class TCustomSlider {
  public:
    static constexpr int kRepeatMilliseconds = 400;

    TCustomSlider();
    virtual ~TCustomSlider();
    TCustomSlider(const TCustomSlider&) = delete;
    TCustomSlider& operator=(const TCustomSlider&) = delete;

    // The view that paints the model; null for none. The host must outlive the model
    // or be replaced first.
    void SetHost(SliderHost* host) { host_ = host; }
    SliderHost* Host() const { return host_; }

    int Value() const { return value_; }
    // Clamps into MinValue..MaxValue and places the thumb; fires OnChange when the
    // value changes (never OnChanged).
    void SetValue(int value);
    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    // A range with the minimum not below the maximum is ignored (accepted while
    // loading). A smaller range shrinks the increment to fit.
    void SetMinValue(int value);
    void SetMaxValue(int value);
    int Increment() const { return increment_; }
    // Throws Error "Value must be between 1 and <range>" outside 1..MaxValue-MinValue,
    // the increment staying; while loading every value is accepted.
    void SetIncrement(int value);
    SliderOptions Options() const { return options_; }
    void SetOptions(SliderOptions options);
    SliderOrientation Orientation() const { return orientation_; }
    // Exchanges the control's width and height, outside loading.
    void SetOrientation(SliderOrientation orientation);
    int EdgeSize() const { return edgeSize_; }
    // Accepted only when twice the edge is shorter than the ruler tile (and not
    // negative).
    void SetEdgeSize(int value);
    SliderBevel BevelStyle() const { return bevelStyle_; }
    void SetBevelStyle(SliderBevel style);
    int NumThumbStates() const { return numThumbStates_; }
    // 1 or 2; other numbers are ignored.
    void SetNumThumbStates(int value);

    // The images by their sizes (the view keeps the pixels). A user image sets its
    // bit in UserImages; none goes back to the built-in image, clears the bit and,
    // outside loading, drops soThumbOpaque or soRulerOpaque.
    void SetImage(SliderImage image, std::optional<SliderSize> userImage);
    SliderSize ImageSize(SliderImage image) const;
    std::uint8_t UserImages() const { return userImages_; }
    bool IsUserImage(SliderImage image) const;

    // The stored properties are being loaded: ranges and increments are taken as
    // they come and sizes do not rebuild. EndLoading rebuilds once.
    void BeginLoading() { loading_ = true; }
    void EndLoading();
    bool Loading() const { return loading_; }

    // The control's client size, told by the view; rebuilds when it changes.
    SliderSize Size() const { return size_; }
    void SetSize(int width, int height);

    // Geometry, in client coordinates.
    virtual SliderRect GetInnerRect() const;
    SliderRect RulerRect() const { return rulerRect_; }
    SliderRect ThumbRect() const { return thumbRect_; }
    SliderRect PointsRect() const { return pointsRect_; }
    // The travel L of the thumb along the ruler.
    int Travel() const { return travel_; }
    // How the ruler image is made of the ruler tile.
    const std::vector<RulerPiece>& RulerPieces() const { return rulerPieces_; }
    // The part of the thumb image to draw: its right half while pressed or disabled
    // (with two states), the left half otherwise. Left edge and width.
    int ThumbImageLeft() const;
    int ThumbImageWidth() const { return thumbSize_.width; }

    int ValueToPos(int value) const;
    int PosToValue(int pos) const;
    void MoveThumb(int pos);
    void StepValue(int kind);
    int HitTest(int x, int y) const;

    // The tick points as DrawPoints draws them: long ticks at MinValue and MaxValue.
    std::vector<SliderTick> TickPoints(int step, int longLength, int shortLength) const;
    // The default drawing's ticks: step Increment, 5 and 3 pixels.
    virtual std::vector<SliderTick> DrawPoints() const;

    // The view's input. KeyDown returns true when the key was used.
    bool KeyDown(SliderKey key, bool shift, bool ctrl, bool alt);
    void MouseDown(SliderButton button, bool doubleClick, int x, int y);
    void MouseMove(bool leftDown, int x, int y);
    void MouseUp(SliderButton button, int x, int y);
    void TimerTick();
    void SetFocused(bool focused);
    bool Focused() const { return focused_; }
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    bool Dragging() const { return dragging_; }
    bool Tracking() const { return tracking_; }
    bool ThumbPressed() const { return thumbPressed_; }
    // The hand cursor is shown over the thumb.
    bool OverThumb(int x, int y) const { return thumbRect_.Contains(x, y); }

    std::function<void()> OnChange;
    std::function<void()> OnChanged;
    // Replaces the drawing of the tick points when assigned (the view calls it).
    std::function<void()> OnDrawPoints;

  protected:
    virtual bool CanModify() const { return true; }
    virtual int GetPaintValue() const { return value_; }
    virtual void Rebuild();
    virtual void RangeChanged() {}
    virtual void ThumbMouseDown(SliderButton button, int x, int y);
    virtual void ThumbMouseMove(int x, int y);
    virtual void ThumbMouseUp(SliderButton button, int x, int y);
    virtual void Change();
    virtual void Changed();

  private:
    bool Horizontal() const { return orientation_ == SliderOrientation::soHorizontal; }
    SliderImage ThumbImage() const;
    SliderImage RulerImage() const;
    int Origin() const;
    int SnapPos(int pos) const;
    void SetRange(int minValue, int maxValue);
    void TrackStep();
    void StopTracking();
    void Invalidate(const SliderRect& rect);
    void InvalidateAll();
    void Update();

    SliderHost* host_ = nullptr;
    int value_ = 0;
    int minValue_ = 0;
    int maxValue_ = 100;
    int increment_ = 10;
    SliderOptions options_ = soShowFocus | soShowPoints | soSmooth;
    SliderOrientation orientation_ = SliderOrientation::soHorizontal;
    SliderBevel bevelStyle_ = SliderBevel::bvNone;
    int edgeSize_ = 2;
    int numThumbStates_ = 2;
    SliderSize images_[kSliderImageCount];
    std::uint8_t userImages_ = 0;
    bool loading_ = false;
    SliderSize size_{150, 40};

    // Built by Rebuild.
    SliderRect inner_;
    SliderSize thumbSize_;
    int rulerLength_ = 0;
    std::vector<RulerPiece> rulerPieces_;
    SliderRect rulerRect_;
    SliderRect thumbRect_;
    SliderRect pointsRect_;
    int travel_ = 0;

    bool focused_ = false;
    bool enabled_ = true;
    bool dragging_ = false;
    int dragOffset_ = 0;
    bool thumbPressed_ = false;
    bool tracking_ = false;
    int trackX_ = 0;
    int trackY_ = 0;
    int trackDirection_ = ssNone;
    bool timerRunning_ = false;
};

// The published control: TCustomSlider as the dialogs use it.
class TSlider : public TCustomSlider {};

}  // namespace pallisar
