#include "shell/slider.h"

#include <algorithm>
#include <string>

#include "core/errors.h"

namespace pallisar {

TCustomSlider::TCustomSlider() = default;

void TCustomSlider::SetValue(int value) {
    value = std::clamp(value, minValue_, maxValue_);
    if (value == value_) return;
    value_ = value;
    Change();
}

void TCustomSlider::SetMinValue(int value) {
    if (value != minValue_) SetRange(value, maxValue_);
}

void TCustomSlider::SetMaxValue(int value) {
    if (value != maxValue_) SetRange(minValue_, value);
}

void TCustomSlider::SetRange(int minValue, int maxValue) {
    if (minValue >= maxValue) return;
    minValue_ = minValue;
    maxValue_ = maxValue;
    if (maxValue_ < minValue_ + increment_) increment_ = maxValue_ - minValue_;
    SetValue(value_);
}

void TCustomSlider::SetIncrement(int value) {
    const int range = maxValue_ - minValue_;
    if (value <= 0 || value > range) {
        throw Error("Value must be between 1 and " + std::to_string(range));
    }
    if (value == increment_) return;
    increment_ = value;
    SetValue(value_);
}

void TCustomSlider::SetOptions(SliderOptions options) { options_ = options; }

void TCustomSlider::Change() {
    if (OnChange) OnChange();
}

void TCustomSlider::Changed() {
    if (OnChanged) OnChanged();
}

}  // namespace pallisar
