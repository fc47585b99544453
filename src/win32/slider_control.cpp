#include "win32/slider_control.h"

#include <memory>
#include <optional>

#include "win32/application.h"
#include "win32/runtime/processor_emulation.h"
#include "win32/scoped_gdi.h"
#include "win32/scoped_handle.h"
#include "win32/window.h"

namespace pallisar {

namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr const char* kBuiltInImages[kSliderImageCount] = {"SLIDER_HTHUMB", "SLIDER_HRULER",
                                                           "SLIDER_VTHUMB", "SLIDER_VRULER"};
constexpr const char* kHandCursor = "SLIDER_HANDCUR";

// The application whose error handler the controls report to: the class is
// registered once per process, the controls are made by the dialog manager.
Application* sliderApplication = nullptr;

RECT ToRect(const SliderRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

SliderSize BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {};
    return {info.bmWidth, info.bmHeight};
}

// The colour left out when an image is drawn transparently: its bottom-left pixel,
// white for a monochrome image.
COLORREF TransparentColour(HDC imageDC, HBITMAP bitmap, int left, int height) {
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    if (info.bmBitsPixel == 1) return RGB(255, 255, 255);
    return GetPixel(imageDC, left, height - 1);
}

// Copies a part of `source` to `target`, leaving out the pixels of colour `key`:
// the target is cut out through a mask and the image with its key pixels blackened
// is laid into the hole.
void DrawTransparent(HDC target, int x, int y, int width, int height, HDC source, int sourceX,
                     int sourceY, COLORREF key) {
    if (width <= 0 || height <= 0) return;
    ScopedCreatedDC maskDC = CreateCompatibleMemoryDC(target);
    ScopedBitmap mask(CreateBitmap(width, height, 1, 1, nullptr));
    ScopedSelectObject maskSelection(maskDC.Get(), mask.Get());
    const COLORREF sourceBack = SetBkColor(source, key);
    BitBlt(maskDC.Get(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY);  // key: 1
    SetBkColor(source, sourceBack);

    ScopedCreatedDC imageDC = CreateCompatibleMemoryDC(target);
    ScopedBitmap image(CreateCompatibleBitmap(target, width, height));
    ScopedSelectObject imageSelection(imageDC.Get(), image.Get());
    BitBlt(imageDC.Get(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY);
    SetBkColor(imageDC.Get(), RGB(0, 0, 0));
    SetTextColor(imageDC.Get(), RGB(255, 255, 255));
    BitBlt(imageDC.Get(), 0, 0, width, height, maskDC.Get(), 0, 0, SRCAND);

    const COLORREF back = SetBkColor(target, RGB(255, 255, 255));
    const COLORREF text = SetTextColor(target, RGB(0, 0, 0));
    BitBlt(target, x, y, width, height, maskDC.Get(), 0, 0, SRCAND);
    BitBlt(target, x, y, width, height, imageDC.Get(), 0, 0, SRCPAINT);
    SetBkColor(target, back);
    SetTextColor(target, text);
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

class SliderControl : public Window, private SliderHost {
  public:
    explicit SliderControl(Application& app) : Window(app), model_(&own_) {
        for (int i = 0; i < kSliderImageCount; ++i) {
            builtIn_[i].Reset(static_cast<HBITMAP>(LoadImageA(
                app.Instance(), kBuiltInImages[i], IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
        }
    }
    ~SliderControl() override { model_->SetHost(nullptr); }

    TCustomSlider& Model() { return *model_; }

    void Bind(TCustomSlider& model) {
        if (&model == model_) return;
        model_->SetHost(nullptr);
        model_ = &model;
        model.SetHost(this);
        TakeWindowState();
        InvalidateRect(hwnd_, nullptr, FALSE);
    }

    void SetImage(SliderImage image, HBITMAP bitmap) {
        const int i = static_cast<int>(image);
        if (bitmap) {
            user_[i].Reset(static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
            model_->SetImage(image, BitmapSize(user_[i].Get()));
        } else {
            user_[i].Reset();
            model_->SetImage(image, std::nullopt);
        }
    }

  private:
    // The model gets the window's size, focus and enabling as they are now.
    void TakeWindowState() {
        RECT client{};
        GetClientRect(hwnd_, &client);
        model_->SetSize(client.right, client.bottom);
        model_->SetFocused(GetFocus() == hwnd_);
        model_->SetEnabled(IsWindowEnabled(hwnd_) != FALSE);
    }

    HBITMAP Image(SliderImage image) const {
        const int i = static_cast<int>(image);
        return model_->IsUserImage(image) && user_[i] ? user_[i].Get() : builtIn_[i].Get();
    }

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        const int x = static_cast<short>(LOWORD(lParam));
        const int y = static_cast<short>(HIWORD(lParam));
        switch (message) {
            case WM_CREATE:
                model_->SetHost(this);
                TakeWindowState();
                return 0;
            case WM_DESTROY:
                KillTimer(hwnd_, kRepeatTimer);
                model_->SetHost(nullptr);
                return 0;
            case WM_SIZE:
                model_->SetSize(LOWORD(lParam), HIWORD(lParam));
                return 0;
            case WM_ERASEBKGND:
                return 1;
            case WM_PAINT: {
                ScopedPaintDC paint(hwnd_);
                Paint(paint.Get());
                return 0;
            }
            case WM_GETDLGCODE:
                return DLGC_WANTARROWS;
            case WM_KEYDOWN:
                if (model_->KeyDown(KeyOf(wParam), GetKeyState(VK_SHIFT) < 0,
                                    GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0)) {
                    return 0;
                }
                break;
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
                model_->MouseDown(SliderButton::Left, message == WM_LBUTTONDBLCLK, x, y);
                return 0;
            case WM_RBUTTONDOWN:
                model_->MouseDown(SliderButton::Right, false, x, y);
                break;
            case WM_MBUTTONDOWN:
                model_->MouseDown(SliderButton::Middle, false, x, y);
                break;
            case WM_MOUSEMOVE:
                model_->MouseMove((wParam & MK_LBUTTON) != 0, x, y);
                return 0;
            case WM_LBUTTONUP:
                model_->MouseUp(SliderButton::Left, x, y);
                return 0;
            case WM_RBUTTONUP:
                model_->MouseUp(SliderButton::Right, x, y);
                break;
            case WM_MBUTTONUP:
                model_->MouseUp(SliderButton::Middle, x, y);
                break;
            case WM_CAPTURECHANGED:
                // Another window took the mouse (a message box, say): the button-up
                // will not come here, so the action ends now.
                if (reinterpret_cast<HWND>(lParam) != hwnd_ &&
                    (model_->Tracking() || model_->Dragging())) {
                    POINT p{};
                    GetCursorPos(&p);
                    ScreenToClient(hwnd_, &p);
                    model_->MouseUp(SliderButton::Left, p.x, p.y);
                }
                return 0;
            case WM_TIMER:
                if (wParam == kRepeatTimer) {
                    model_->TimerTick();
                    return 0;
                }
                break;
            case WM_SETFOCUS:
                model_->SetFocused(true);
                return 0;
            case WM_KILLFOCUS:
                model_->SetFocused(false);
                return 0;
            case WM_ENABLE:
                model_->SetEnabled(wParam != 0);
                return 0;
            case WM_SETCURSOR:
                if (LOWORD(lParam) == HTCLIENT && OverThumb()) {
                    SetCursor(LoadCursorA(app_.Instance(), kHandCursor));
                    return TRUE;
                }
                break;
            default:
                break;
        }
        return Default(message, wParam, lParam);
    }

    static SliderKey KeyOf(WPARAM key) {
        switch (key) {
            case VK_HOME:
                return SliderKey::Home;
            case VK_END:
                return SliderKey::End;
            case VK_LEFT:
                return SliderKey::Left;
            case VK_RIGHT:
                return SliderKey::Right;
            case VK_UP:
                return SliderKey::Up;
            case VK_DOWN:
                return SliderKey::Down;
            default:
                return SliderKey::Other;
        }
    }

    bool OverThumb() const {
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(hwnd_, &p);
        return model_->OverThumb(p.x, p.y);
    }

    // Drawn off-screen and copied at once, so the thumb never flickers.
    void Paint(HDC dc) {
        RECT client{};
        GetClientRect(hwnd_, &client);
        const int width = client.right;
        const int height = client.bottom;
        if (width <= 0 || height <= 0) return;
        ScopedCreatedDC buffer = CreateCompatibleMemoryDC(dc);
        ScopedBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
        ScopedSelectObject selection(buffer.Get(), bitmap.Get());
        Draw(buffer.Get(), width, height);
        BitBlt(dc, 0, 0, width, height, buffer.Get(), 0, 0, SRCCOPY);
    }

    void Draw(HDC dc, int width, int height) {
        const TCustomSlider& m = *model_;
        const bool horizontal = m.Orientation() == SliderOrientation::soHorizontal;

        if (m.BevelStyle() != SliderBevel::bvNone) {
            const bool lowered = m.BevelStyle() == SliderBevel::bvLowered;
            const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
            const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
            ScopedPen topLeft(CreatePen(PS_SOLID, 1, lowered ? shadow : light));
            ScopedPen bottomRight(CreatePen(PS_SOLID, 1, lowered ? light : shadow));
            {
                ScopedSelectObject pen(dc, topLeft.Get());
                Line(dc, 0, height - 1, 0, 0);
                Line(dc, 0, 0, width, 0);
            }
            ScopedSelectObject pen(dc, bottomRight.Get());
            Line(dc, width - 1, 0, width - 1, height);
            Line(dc, 0, height - 1, width, height - 1);
        }

        const SliderRect inner = m.GetInnerRect();
        const RECT innerRect = ToRect(inner);
        FillRect(dc, &innerRect, GetSysColorBrush(COLOR_BTNFACE));

        DrawRuler(dc, horizontal);

        if ((m.Options() & soShowFocus) && m.Focused()) {
            RECT focus{inner.left + 2, inner.top + 2, inner.right - 2, inner.bottom - 2};
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, RGB(255, 255, 255));
            DrawFocusRect(dc, &focus);
        }

        if (m.Options() & soShowPoints) {
            if (m.OnDrawPoints) {
                m.OnDrawPoints();
            } else {
                ScopedPen tickPen(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT)));
                ScopedSelectObject pen(dc, tickPen.Get());
                for (const SliderTick& tick : m.DrawPoints()) {
                    if (horizontal) {
                        Line(dc, tick.x, tick.y, tick.x, tick.y + tick.length);
                    } else {
                        Line(dc, tick.x, tick.y, tick.x + tick.length, tick.y);
                    }
                }
            }
        }

        DrawThumb(dc, horizontal);
    }

    // The ruler image, built from the tile as the model's pieces say.
    void DrawRuler(HDC dc, bool horizontal) {
        const TCustomSlider& m = *model_;
        const SliderRect ruler = m.RulerRect();
        const HBITMAP tile = Image(horizontal ? SliderImage::HRuler : SliderImage::VRuler);
        if (!tile || ruler.Width() <= 0 || ruler.Height() <= 0) return;
        ScopedCreatedDC tileDC = CreateCompatibleMemoryDC(dc);
        ScopedSelectObject tileSelection(tileDC.Get(), tile);
        ScopedCreatedDC rulerDC = CreateCompatibleMemoryDC(dc);
        ScopedBitmap image(CreateCompatibleBitmap(dc, ruler.Width(), ruler.Height()));
        ScopedSelectObject rulerSelection(rulerDC.Get(), image.Get());
        for (const RulerPiece& piece : m.RulerPieces()) {
            if (horizontal) {
                BitBlt(rulerDC.Get(), piece.at, 0, piece.length, ruler.Height(), tileDC.Get(),
                       piece.from, 0, SRCCOPY);
            } else {
                BitBlt(rulerDC.Get(), 0, piece.at, ruler.Width(), piece.length, tileDC.Get(), 0,
                       piece.from, SRCCOPY);
            }
        }
        if (m.Options() & soRulerOpaque) {
            BitBlt(dc, ruler.left, ruler.top, ruler.Width(), ruler.Height(), rulerDC.Get(), 0, 0,
                   SRCCOPY);
        } else {
            const COLORREF key = TransparentColour(rulerDC.Get(), tile, 0, ruler.Height());
            DrawTransparent(dc, ruler.left, ruler.top, ruler.Width(), ruler.Height(), rulerDC.Get(),
                            0, 0, key);
        }
    }

    void DrawThumb(HDC dc, bool horizontal) {
        const TCustomSlider& m = *model_;
        const HBITMAP bitmap = Image(horizontal ? SliderImage::HThumb : SliderImage::VThumb);
        if (!bitmap) return;
        const SliderRect thumb = m.ThumbRect();
        ScopedCreatedDC thumbDC = CreateCompatibleMemoryDC(dc);
        ScopedSelectObject selection(thumbDC.Get(), bitmap);
        if (m.Options() & soThumbOpaque) {
            BitBlt(dc, thumb.left, thumb.top, thumb.Width(), thumb.Height(), thumbDC.Get(),
                   m.ThumbImageLeft(), 0, SRCCOPY);
        } else {
            const COLORREF key =
                TransparentColour(thumbDC.Get(), bitmap, 0, BitmapSize(bitmap).height);
            DrawTransparent(dc, thumb.left, thumb.top, thumb.Width(), thumb.Height(), thumbDC.Get(),
                            m.ThumbImageLeft(), 0, key);
        }
    }

    // SliderHost
    void Invalidate(const SliderRect& rect) override {
        if (!hwnd_) return;
        const RECT r = ToRect(rect);
        InvalidateRect(hwnd_, &r, FALSE);
    }
    void Update() override {
        if (hwnd_) UpdateWindow(hwnd_);
    }
    void StartTimer(int milliseconds) override {
        if (hwnd_) SetTimer(hwnd_, kRepeatTimer, static_cast<UINT>(milliseconds), nullptr);
    }
    void StopTimer() override {
        if (hwnd_) KillTimer(hwnd_, kRepeatTimer);
    }
    void CaptureMouse() override {
        if (hwnd_) SetCapture(hwnd_);
    }
    void ReleaseMouse() override {
        if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
    }
    void TakeFocus() override {
        if (hwnd_ && GetFocus() != hwnd_ && IsWindowVisible(hwnd_) && IsWindowEnabled(hwnd_)) {
            SetFocus(hwnd_);
        }
    }
    void Resize(int width, int height) override {
        if (!hwnd_) return;
        RECT window{}, client{};
        GetWindowRect(hwnd_, &window);
        GetClientRect(hwnd_, &client);
        const int frameWidth = (window.right - window.left) - client.right;
        const int frameHeight = (window.bottom - window.top) - client.bottom;
        SetWindowPos(hwnd_, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    TSlider own_;
    TCustomSlider* model_;
    ScopedBitmap builtIn_[kSliderImageCount];
    ScopedBitmap user_[kSliderImageCount];
};

// The class's procedure: makes the control's object at WM_NCCREATE (a dialog
// template cannot pass one), hands every message to the window trampoline, and frees
// the object after the window's last message.
LRESULT CALLBACK SliderWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ProcessorEmulationScope emulation;  // an entry from the system
    if (message == WM_NCCREATE) {
        if (!sliderApplication) return FALSE;
        std::unique_ptr<SliderControl> control;
        try {
            control = std::make_unique<SliderControl>(*sliderApplication);
        } catch (...) {
            // No exception may cross user32: the control is then not created.
            sliderApplication->HandleCurrentException();
            return FALSE;
        }
        CREATESTRUCTA create = *reinterpret_cast<const CREATESTRUCTA*>(lParam);
        create.lpCreateParams = static_cast<Window*>(control.get());
        // From here on the window owns the object: it goes at WM_NCDESTROY.
        static_cast<void>(control.release());
        return Window::WindowProc(hwnd, message, wParam, reinterpret_cast<LPARAM>(&create));
    }
    if (message == WM_NCDESTROY) {
        std::unique_ptr<Window> owned(
            reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
        return Window::WindowProc(hwnd, message, wParam, lParam);
    }
    return Window::WindowProc(hwnd, message, wParam, lParam);
}

SliderControl* ControlOf(HWND control) {
    char name[32] = {};
    if (!control || !GetClassNameA(control, name, sizeof name) ||
        lstrcmpiA(name, kSliderClassName) != 0) {
        return nullptr;
    }
    return static_cast<SliderControl*>(
        reinterpret_cast<Window*>(GetWindowLongPtrA(control, GWLP_USERDATA)));
}

}  // namespace

bool RegisterSliderClass(Application& app) {
    sliderApplication = &app;
    WNDCLASSA wc{};
    if (GetClassInfoA(app.Instance(), kSliderClassName, &wc)) return true;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = SliderWindowProc;
    wc.hInstance = app.Instance();
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.lpszClassName = kSliderClassName;
    return RegisterClassA(&wc) != 0;
}

void BindSlider(HWND control, TCustomSlider& model) {
    if (SliderControl* slider = ControlOf(control)) slider->Bind(model);
}

TCustomSlider* SliderModel(HWND control) {
    SliderControl* slider = ControlOf(control);
    return slider ? &slider->Model() : nullptr;
}

void SetSliderImage(HWND control, SliderImage image, HBITMAP bitmap) {
    if (SliderControl* slider = ControlOf(control)) slider->SetImage(image, bitmap);
}

}  // namespace pallisar
