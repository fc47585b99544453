#include "win32/window.h"

#include "win32/runtime/processor_emulation.h"

namespace pallisar {

namespace {

// The answers of a message that no object handled (calling conventions differ from
// DefWindowProcA's, hence the wrappers).
LRESULT WindowDefault(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
INT_PTR DialogDefault(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

WindowBase::~WindowBase() {
    if (hwnd_) SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
}

template <typename Target, typename Result>
Result WindowBase::Deliver(Target* attaching, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                           Result (*unhandled)(HWND, UINT, WPARAM, LPARAM)) {
    if (attaching) {
        attaching->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(attaching));
    }
    auto* target = reinterpret_cast<Target*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!target) return unhandled(hwnd, message, wParam, lParam);

    Result result;
    try {
        result = target->OnMessage(message, wParam, lParam);
    } catch (...) {
        target->app_.HandleCurrentException();
        result = unhandled(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        target->hwnd_ = nullptr;
    }
    return result;
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ProcessorEmulationScope emulation;
    Window* attaching = nullptr;
    if (message == WM_NCCREATE) {
        attaching =
            static_cast<Window*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
    }
    return Deliver(attaching, hwnd, message, wParam, lParam, WindowDefault);
}

HWND Window::CreateHwnd(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                        int y, int width, int height, HWND parent, HMENU menu) {
    return CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu,
                           app_.Instance(), static_cast<Window*>(this));
}

Window::~Window() {
    if (HWND hwnd = hwnd_) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        DestroyWindow(hwnd);
    }
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ProcessorEmulationScope emulation;
    Dialog* attaching = message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam) : nullptr;
    return Deliver(attaching, hwnd, message, wParam, lParam, DialogDefault);
}

INT_PTR Dialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            try {
                Fill();
            } catch (...) {
                EndDialog(hwnd_, IDCANCEL);
                throw;
            }
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                if (Read()) EndDialog(hwnd_, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(hwnd_, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR RunDialog(HWND owner, int templateId, Dialog& dialog) {
    return DialogBoxParamA(dialog.app_.Instance(), MAKEINTRESOURCEA(templateId), owner,
                           Dialog::DialogProc, reinterpret_cast<LPARAM>(&dialog));
}

}  // namespace pallisar
