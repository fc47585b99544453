#pragma once
// TCustomSlider: the gamma slider's model. It owns the value and its range and rules,
// the increment, the options, and fires OnChange for every change of Value (by code
// or by the user) and OnChanged once at the end of each user action. Its view paints
// it and turns keys and the mouse into calls.

#include <functional>

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

class TCustomSlider {
  public:
    TCustomSlider();
    virtual ~TCustomSlider() = default;
    TCustomSlider(const TCustomSlider&) = delete;
    TCustomSlider& operator=(const TCustomSlider&) = delete;

    int Value() const { return value_; }
    // Clamps into MinValue..MaxValue; fires OnChange when the value changes.
    void SetValue(int value);
    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    // A range with the minimum not below the maximum is ignored.
    void SetMinValue(int value);
    void SetMaxValue(int value);
    int Increment() const { return increment_; }
    // Throws Error "Value must be between 1 and <range>" outside 1..MaxValue-MinValue.
    void SetIncrement(int value);
    SliderOptions Options() const { return options_; }
    void SetOptions(SliderOptions options);

    std::function<void()> OnChange;
    std::function<void()> OnChanged;

  protected:
    virtual void Change();
    virtual void Changed();

  private:
    void SetRange(int minValue, int maxValue);

    int value_ = 0;
    int minValue_ = 0;
    int maxValue_ = 100;
    int increment_ = 10;
    SliderOptions options_ = soShowFocus | soShowPoints | soSmooth;
};

}  // namespace pallisar
