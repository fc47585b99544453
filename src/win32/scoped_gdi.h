#pragma once
// Owners of device contexts and of the objects selected into them. Each undoes
// exactly what it did, once, when it goes; none can be copied or moved, so they
// live in the scope that drew with them.

#include <windows.h>

#include "win32/scoped_handle.h"

namespace pallisar {

// A window's device context from GetDC, given back with ReleaseDC. Get() is null
// when the system gave none.
class ScopedGetDC {
  public:
    explicit ScopedGetDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~ScopedGetDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;

    HDC Get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// The painting of one WM_PAINT: BeginPaint, and EndPaint when it goes.
class ScopedPaintDC {
  public:
    explicit ScopedPaintDC(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
    ~ScopedPaintDC() { EndPaint(hwnd_, &paint_); }
    ScopedPaintDC(const ScopedPaintDC&) = delete;
    ScopedPaintDC& operator=(const ScopedPaintDC&) = delete;

    HDC Get() const { return dc_; }
    const PAINTSTRUCT& Paint() const { return paint_; }

  private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Device contexts the program created (CreateCompatibleDC), deleted with DeleteDC.
// Whatever was selected into one must be put back before it goes (ScopedSelectObject
// does that when it is declared after the DC).
struct CreatedDCTraits {
    using Handle = HDC;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};
using ScopedCreatedDC = ScopedHandle<CreatedDCTraits>;

// A memory device context compatible with `dc` (the screen's when null).
inline ScopedCreatedDC CreateCompatibleMemoryDC(HDC dc) {
    return ScopedCreatedDC(CreateCompatibleDC(dc));
}

// A 32-bit colour bitmap of width x height whose pixels are written through `bits`
// (rows from the top when `topDown`); null when the system gave none.
inline ScopedBitmap CreateColorBitmap32(int width, int height, bool topDown, void** bits) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = topDown ? -height : height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    return ScopedBitmap(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, bits, nullptr, 0));
}

// Selects a GDI object (font, bitmap, brush, pen) into a device context and puts the
// one it replaced back when it goes, so the object can be deleted afterwards.
// Nothing is put back when the selection failed.
class ScopedSelectObject {
  public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelectObject() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace pallisar
