#include "shell/slider.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "core/errors.h"
#include "core/text.h"

namespace pallisar {

namespace {

// The ruler and the thumb keep this distance from the inner rectangle's edges.
constexpr int kMargin = 6;
// Ruler clicks are taken this many pixels beside the ruler too.
constexpr int kRulerSlack = 3;
constexpr int kLongTick = 5;
constexpr int kShortTick = 3;
// Ticks closer than this are thinned out.
constexpr double kMinTickSpacing = 4;

int Index(SliderImage image) { return static_cast<int>(image); }

// The ruler image of `length` pixels made of a tile `tileLength` long whose first and
// last `edge` pixels are never repeated. The pieces cover the image exactly once:
// the tile's start, copies of its middle, and its last `edge` pixels at the very end.
std::vector<RulerPiece> BuildRuler(int length, int tileLength, int edge) {
    std::vector<RulerPiece> pieces;
    if (length <= 0 || tileLength <= 0) return pieces;
    edge = std::clamp(edge, 0, tileLength);
    const int bodyEnd = std::max(0, length - edge);
    auto add = [&](int at, int from, int count, int end) {
        count = std::min(count, end - at);
        if (count > 0) pieces.push_back({at, from, count});
    };
    add(0, 0, tileLength - edge, bodyEnd);
    const int middle = tileLength - 2 * edge;
    if (middle > 0) {
        for (int at = tileLength - edge; at < bodyEnd; at += middle) add(at, edge, middle, bodyEnd);
    }
    // The tile's right end, cut on its left when the image is shorter than it.
    int at = length - edge;
    int from = tileLength - edge;
    if (at < 0) {
        from -= at;
        at = 0;
    }
    add(at, from, length - at, length);
    return pieces;
}

}  // namespace

TCustomSlider::TCustomSlider() {
    for (int i = 0; i < kSliderImageCount; ++i) images_[i] = kBuiltInSliderImages[i];
    Rebuild();
}

TCustomSlider::~TCustomSlider() {
    OnChange = nullptr;
    OnChanged = nullptr;
    OnDrawPoints = nullptr;
}

// --- Properties -------------------------------------------------------------

void TCustomSlider::SetValue(int value) {
    // By hand: while loading the range may be empty, which std::clamp does not allow.
    value = std::max(std::min(value, maxValue_), minValue_);
    const int previous = value_;
    value_ = value;
    MoveThumb(ValueToPos(value));
    if (value != previous) Change();
}

void TCustomSlider::SetMinValue(int value) {
    if (value != minValue_) SetRange(value, maxValue_);
}

void TCustomSlider::SetMaxValue(int value) {
    if (value != maxValue_) SetRange(minValue_, value);
}

void TCustomSlider::SetRange(int minValue, int maxValue) {
    if (minValue >= maxValue && !loading_) return;
    minValue_ = minValue;
    maxValue_ = maxValue;
    if (!loading_ &&
        static_cast<long long>(maxValue_) < static_cast<long long>(minValue_) + increment_) {
        increment_ = maxValue_ - minValue_;
    }
    if (options_ & soShowPoints) InvalidateAll();
    SetValue(value_);
    RangeChanged();
}

void TCustomSlider::SetIncrement(int value) {
    const long long range = static_cast<long long>(maxValue_) - minValue_;
    if (!loading_ && (value <= 0 || value > range)) {
        throw Error("Value must be between 1 and " + std::to_string(range));
    }
    if (value <= 0 || value == increment_) return;
    increment_ = value;
    SetValue(value_);
    InvalidateAll();
}

void TCustomSlider::SetOptions(SliderOptions options) {
    options_ = options;
    InvalidateAll();
}

void TCustomSlider::SetOrientation(SliderOrientation orientation) {
    if (orientation == orientation_) return;
    orientation_ = orientation;
    if (!loading_) size_ = {size_.height, size_.width};
    Rebuild();
    if (!loading_ && host_) host_->Resize(size_.width, size_.height);
}

void TCustomSlider::SetEdgeSize(int value) {
    const SliderSize tile = ImageSize(RulerImage());
    const int tileLength = Horizontal() ? tile.width : tile.height;
    if (value < 0 || 2 * value >= tileLength || value == edgeSize_) return;
    edgeSize_ = value;
    Rebuild();
}

void TCustomSlider::SetBevelStyle(SliderBevel style) {
    bevelStyle_ = style;
    Rebuild();
    Update();
}

void TCustomSlider::SetNumThumbStates(int value) {
    if (value < 1 || value > 2) return;
    numThumbStates_ = value;
    Rebuild();
}

void TCustomSlider::SetImage(SliderImage image, std::optional<SliderSize> userImage) {
    const int i = Index(image);
    const std::uint8_t bit = static_cast<std::uint8_t>(1u << i);
    if (userImage) {
        images_[i] = *userImage;
        userImages_ |= bit;
    } else {
        images_[i] = kBuiltInSliderImages[i];
        userImages_ &= static_cast<std::uint8_t>(~bit);
        if (!loading_) {
            const bool thumb = image == SliderImage::HThumb || image == SliderImage::VThumb;
            options_ &= ~(thumb ? soThumbOpaque : soRulerOpaque);
            InvalidateAll();
        }
    }
    Rebuild();
}

SliderSize TCustomSlider::ImageSize(SliderImage image) const { return images_[Index(image)]; }

bool TCustomSlider::IsUserImage(SliderImage image) const {
    return (userImages_ >> Index(image)) & 1u;
}

void TCustomSlider::EndLoading() {
    loading_ = false;
    Rebuild();
}

void TCustomSlider::SetSize(int width, int height) {
    const SliderSize size{width, height};
    if (size == size_) return;
    size_ = size;
    if (!loading_) Rebuild();
}

// --- Geometry ----------------------------------------------------------------

SliderImage TCustomSlider::ThumbImage() const {
    return Horizontal() ? SliderImage::HThumb : SliderImage::VThumb;
}

SliderImage TCustomSlider::RulerImage() const {
    return Horizontal() ? SliderImage::HRuler : SliderImage::VRuler;
}

SliderRect TCustomSlider::GetInnerRect() const {
    SliderRect r{0, 0, size_.width, size_.height};
    if (bevelStyle_ != SliderBevel::bvNone) r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    return r;
}

int TCustomSlider::Origin() const { return (Horizontal() ? inner_.left : inner_.top) + kMargin; }

void TCustomSlider::Rebuild() {
    const int remembered = value_;
    inner_ = GetInnerRect();
    const SliderSize thumb = ImageSize(ThumbImage());
    const SliderSize tile = ImageSize(RulerImage());
    thumbSize_ = {thumb.width / numThumbStates_, thumb.height};
    const int tw = thumbSize_.width;
    const int th = thumbSize_.height;
    if (Horizontal()) {
        rulerLength_ = std::max(0, inner_.Width() - 2 * kMargin);
        rulerPieces_ = BuildRuler(rulerLength_, tile.width, edgeSize_);
        const int rh = tile.height;
        const int top = inner_.top + kMargin;
        const int rulerTop = rh < th ? top + (th - rh) / 2 : top;
        const int thumbTop = rh < th ? top : top + (rh - th) / 2;
        const int left = inner_.left + kMargin;
        rulerRect_ = {left, rulerTop, left + rulerLength_, rulerTop + rh};
        travel_ = std::max(0, rulerLength_ - tw);
        thumbRect_ = {left, thumbTop, left + tw, thumbTop + th};
        pointsRect_ = {left, inner_.top + 7 + std::max(th, rh), left + rulerLength_,
                       inner_.bottom - inner_.top - 1};
    } else {
        rulerLength_ = std::max(0, inner_.Height() - 2 * kMargin);
        rulerPieces_ = BuildRuler(rulerLength_, tile.height, edgeSize_);
        const int rw = tile.width;
        const int left = inner_.left + kMargin;
        const int rulerLeft = rw < tw ? left + (tw - rw) / 2 : left;
        const int thumbLeft = rw < tw ? left : left + (rw - tw) / 2;
        const int top = inner_.top + kMargin;
        rulerRect_ = {rulerLeft, top, rulerLeft + rw, top + rulerLength_};
        travel_ = std::max(0, rulerLength_ - th);
        thumbRect_ = {thumbLeft, top, thumbLeft + tw, top + th};
        pointsRect_ = {inner_.left + 7 + std::max(tw, rw), top, inner_.right - inner_.left - 1,
                       top + rulerLength_};
    }
    SetValue(remembered);
    InvalidateAll();
}

// A travel of 0 (a control too small for its thumb) or an empty range (possible only
// while loading) puts the thumb at the origin and reads every position as MinValue.
int TCustomSlider::ValueToPos(int value) const {
    const double range = static_cast<double>(maxValue_) - minValue_;
    const long long offset =
        range > 0 ? RoundHalfEven(travel_ * (static_cast<double>(value) - minValue_) / range) : 0;
    if (Horizontal()) return static_cast<int>(std::max<long long>(Origin(), Origin() + offset));
    return static_cast<int>(
        std::max<long long>(Origin(), inner_.bottom - kMargin - thumbSize_.height - offset));
}

int TCustomSlider::PosToValue(int pos) const {
    if (!Horizontal()) pos = size_.height - pos - thumbSize_.height;
    const double offset = static_cast<double>(pos) - Origin();
    const double range = static_cast<double>(maxValue_) - minValue_;
    long long v = travel_ > 0 ? RoundHalfEven(offset * range / travel_) : 0;
    if (!(options_ & soSmooth) && increment_ > 0) {
        v = increment_ * RoundHalfEven(static_cast<double>(v) / increment_);
    }
    return static_cast<int>(std::min<long long>(std::max<long long>(v, 0) + minValue_, maxValue_));
}

int TCustomSlider::SnapPos(int pos) const {
    const int origin = Origin();
    pos = std::clamp(pos, origin, origin + travel_);
    return std::min(ValueToPos(PosToValue(pos)), origin + travel_);
}

void TCustomSlider::MoveThumb(int pos) {
    const int remembered = value_;
    const int snapped = SnapPos(pos);
    SliderRect moved = thumbRect_;
    if (Horizontal()) {
        moved.left = snapped;
        moved.right = snapped + thumbSize_.width;
    } else {
        moved.top = snapped;
        moved.bottom = snapped + thumbSize_.height;
    }
    if (!(moved == thumbRect_)) {
        Invalidate(thumbRect_);
        thumbRect_ = moved;
        Invalidate(thumbRect_);
    }
    if (dragging_) {
        value_ = PosToValue(snapped);
        if (value_ != remembered) Change();
    }
}

int TCustomSlider::ThumbImageLeft() const {
    return numThumbStates_ == 2 && (thumbPressed_ || !enabled_) ? thumbSize_.width : 0;
}

void TCustomSlider::StepValue(int kind) {
    long long v = value_;
    switch (kind) {
        case ssMin:
            v = minValue_;
            break;
        case ssMax:
            v = maxValue_;
            break;
        case ssUp:
        case ssDown:
            // The steps count from 0, not from MinValue: 125 goes up to 130.
            if (increment_ <= 0) return;
            v = increment_ * RoundHalfEven(static_cast<double>(value_) / increment_) +
                (kind == ssUp ? increment_ : -increment_);
            break;
        default:
            return;
    }
    v = std::max<long long>(std::min<long long>(v, maxValue_), minValue_);
    if (v != value_) SetValue(static_cast<int>(v));
}

int TCustomSlider::HitTest(int x, int y) const {
    if (Horizontal()) {
        if (x < thumbRect_.left) return ssDown;
        if (x >= thumbRect_.right) return ssUp;
    } else {
        if (y < thumbRect_.top) return ssUp;
        if (y >= thumbRect_.bottom) return ssDown;
    }
    return ssNone;
}

std::vector<SliderTick> TCustomSlider::TickPoints(int step, int longLength, int shortLength) const {
    std::vector<SliderTick> ticks;
    auto tick = [&](long long value, int length) {
        const int pos = ValueToPos(static_cast<int>(value));
        if (Horizontal()) {
            ticks.push_back({pos + thumbSize_.width / 2, pointsRect_.top, length});
        } else {
            ticks.push_back({pointsRect_.left, pos + thumbSize_.height / 2, length});
        }
    };
    const double range = static_cast<double>(maxValue_) - minValue_;
    tick(minValue_, longLength);
    if (range <= 0) return ticks;
    long long k = 1;
    if (step > 0) {
        // Fewer ticks while they would stand closer than a few pixels.
        for (;;) {
            const double count = static_cast<double>(RoundHalfEven(range / (step * k)));
            const double spacing =
                count > 0 ? travel_ / count : std::numeric_limits<double>::infinity();
            if (!(spacing < kMinTickSpacing && spacing < travel_)) break;
            ++k;
        }
        for (long long v = minValue_ + step * k; v < maxValue_; v += step * k) tick(v, shortLength);
    }
    tick(maxValue_, longLength);
    return ticks;
}

std::vector<SliderTick> TCustomSlider::DrawPoints() const {
    return TickPoints(increment_, kLongTick, kShortTick);
}

// --- Input -----------------------------------------------------------------------

bool TCustomSlider::KeyDown(SliderKey key, bool shift, bool ctrl, bool alt) {
    if (shift || ctrl || alt) return false;
    int kind = ssNone;
    switch (key) {
        case SliderKey::Home:
            kind = ssMin;
            break;
        case SliderKey::End:
            kind = ssMax;
            break;
        case SliderKey::Left:
            if (Horizontal()) kind = ssDown;
            break;
        case SliderKey::Right:
            if (Horizontal()) kind = ssUp;
            break;
        case SliderKey::Up:
            if (!Horizontal()) kind = ssUp;
            break;
        case SliderKey::Down:
            if (!Horizontal()) kind = ssDown;
            break;
        case SliderKey::Other:
            break;
    }
    if (kind == ssNone || !CanModify()) return false;
    StepValue(kind);
    Changed();
    return true;
}

void TCustomSlider::MouseDown(SliderButton button, bool doubleClick, int x, int y) {
    if (button != SliderButton::Left || doubleClick) return;
    if (host_) host_->TakeFocus();
    if (thumbRect_.Contains(x, y)) {
        ThumbMouseDown(button, x, y);
        return;
    }
    SliderRect clickable = rulerRect_;
    if (Horizontal()) {
        clickable.top -= kRulerSlack;
        clickable.bottom += kRulerSlack;
    } else {
        clickable.left -= kRulerSlack;
        clickable.right += kRulerSlack;
    }
    if (!clickable.Contains(x, y) || !CanModify()) return;
    if (host_) host_->CaptureMouse();
    tracking_ = true;
    trackX_ = x;
    trackY_ = y;
    trackDirection_ = HitTest(x, y);
    TrackStep();
}

void TCustomSlider::TrackStep() {
    if (HitTest(trackX_, trackY_) == trackDirection_) StepValue(trackDirection_);
    // Once the thumb has reached the mouse the steps stop; the timer runs on until
    // the button is released.
    if (!timerRunning_) {
        timerRunning_ = true;
        if (host_) host_->StartTimer(kRepeatMilliseconds);
    }
}

void TCustomSlider::TimerTick() {
    if (tracking_) TrackStep();
}

void TCustomSlider::MouseMove(bool leftDown, int x, int y) {
    if (leftDown && dragging_) {
        ThumbMouseMove(x, y);
    } else if (tracking_) {
        trackX_ = x;
        trackY_ = y;
    }
}

void TCustomSlider::MouseUp(SliderButton button, int x, int y) {
    StopTracking();
    if (dragging_) ThumbMouseUp(button, x, y);
}

void TCustomSlider::StopTracking() {
    if (!tracking_) return;
    tracking_ = false;
    if (timerRunning_) {
        timerRunning_ = false;
        if (host_) host_->StopTimer();
    }
    if (host_) host_->ReleaseMouse();
    Changed();
}

void TCustomSlider::ThumbMouseDown(SliderButton button, int x, int y) {
    if (button != SliderButton::Left || !CanModify()) return;
    dragging_ = true;
    dragOffset_ = Horizontal() ? x - thumbRect_.left : y - thumbRect_.top;
    thumbPressed_ = true;
    // The drag follows the mouse beyond the control's edges.
    if (host_) host_->CaptureMouse();
    Invalidate(thumbRect_);
    Update();
}

void TCustomSlider::ThumbMouseMove(int x, int y) {
    if (CanModify()) MoveThumb((Horizontal() ? x : y) - dragOffset_);
}

void TCustomSlider::ThumbMouseUp(SliderButton button, int, int) {
    if (button != SliderButton::Left) return;
    dragging_ = false;
    thumbPressed_ = false;
    if (host_) host_->ReleaseMouse();
    Invalidate(thumbRect_);
    Update();
    if (CanModify()) Changed();
}

void TCustomSlider::SetFocused(bool focused) {
    if (focused == focused_) return;
    focused_ = focused;
    if (options_ & soShowFocus) InvalidateAll();
}

void TCustomSlider::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Invalidate(thumbRect_);
}

// --- Events and repaints ---------------------------------------------------------

void TCustomSlider::Change() {
    if (OnChange) OnChange();
}

void TCustomSlider::Changed() {
    if (OnChanged) OnChanged();
}

void TCustomSlider::Invalidate(const SliderRect& rect) {
    if (host_) host_->Invalidate(rect);
}

void TCustomSlider::InvalidateAll() { Invalidate({0, 0, size_.width, size_.height}); }

void TCustomSlider::Update() {
    if (host_) host_->Update();
}

}  // namespace pallisar
