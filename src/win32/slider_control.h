#pragma once
// The slider's window, class "PallisarSlider": paints a TCustomSlider and hands it
// the keys, the mouse and the repeat timer. Usable from a dialog template:
//   CONTROL "", IDC_X, "PallisarSlider", WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, w, h
// A control made so owns a default model (a TSlider of 0..100); BindSlider switches it
// to a model of the caller's.

#include <windows.h>

#include "shell/slider.h"

namespace pallisar {

class Application;

inline constexpr const char* kSliderClassName = "PallisarSlider";

// Registers the window class in the application's module, once per process; later
// calls only change the application whose error handler the controls use. Returns
// false when the class could not be registered.
bool RegisterSliderClass(Application& app);

// Makes the control show and drive `model` instead of the model it had. The model
// takes the control's size, focus and enabled state; its own properties stay. It
// must outlive the control (or be replaced by another BindSlider first). Nothing
// happens when `control` is not a slider.
void BindSlider(HWND control, TCustomSlider& model);

// The model the control shows (its own or a bound one); null when `control` is not
// a slider.
TCustomSlider* SliderModel(HWND control);

// Gives the control a copy of `bitmap` for one of its four images (null: the built-in
// image again).
void SetSliderImage(HWND control, SliderImage image, HBITMAP bitmap);

}  // namespace pallisar
