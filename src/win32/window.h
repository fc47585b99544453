#pragma once
// The one way a message reaches a C++ object: every window and dialog view derives
// from Window or Dialog, whose static procedure (the trampoline) finds the object in
// the window's GWLP_USERDATA and calls its OnMessage.
//
// Every message runs under a catch of every exception: an exception escaping a
// handler goes to the application's error handler and the message gets the answer
// it would get unhandled (DefWindowProcA for a window, FALSE for a dialog). With
// MinGW's DWARF-2 unwinding an exception crossing user32's frames would end the
// program.
//
// Both procedures put the processor emulation's handler in place for the message
// (win32/runtime/processor_emulation.h): they are entries from the system.
//
// The object is attached at WM_NCCREATE (windows) or WM_INITDIALOG (dialogs) and
// detached after WM_NCDESTROY. Messages before the attachment get the default
// answer. The object must outlive its window: destroying the object first detaches
// it (and destroys a window, not a dialog).

#include <windows.h>

#include "win32/application.h"

namespace pallisar {

// What Window and Dialog share: the application (for its error handler), the
// window handle while attached, and the trampoline itself.
class WindowBase {
  public:
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // The window while the object is attached; null before and after.
    HWND Handle() const { return hwnd_; }

    // Detaches the object from a window that is still there.
    virtual ~WindowBase();

  protected:
    explicit WindowBase(Application& app) : app_(app) {}

    // The trampoline of both procedures. `attaching` is the object to attach to
    // `hwnd` at this message (or null); `unhandled` is the answer of a message the
    // object does not get or whose handler threw.
    template <typename Target, typename Result>
    static Result Deliver(Target* attaching, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                          Result (*unhandled)(HWND, UINT, WPARAM, LPARAM));

    Application& app_;
    HWND hwnd_ = nullptr;
};

// A window of a class whose window procedure is Window::WindowProc: register the
// class with it and create the window with CreateHwnd (which hands the object to
// the trampoline as a Window*, whatever the derived class looks like).
class Window : public WindowBase {
  public:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Destroys the window when it is still there, after detaching the object (the
    // derived parts are gone by now: they get none of the window's last messages).
    // A view whose handlers must see its window go destroys it in its own destructor.
    ~Window() override;

  protected:
    explicit Window(Application& app) : WindowBase(app) {}

    // CreateWindowExA for this object; hwnd_ is set from WM_NCCREATE on. Returns null
    // when the window could not be created.
    HWND CreateHwnd(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menu);

    // Every message from WM_NCCREATE to WM_NCDESTROY, with the meaning of a window
    // procedure's result. The default is DefWindowProcA.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcA(hwnd_, message, wParam, lParam);
    }

  private:
    friend class WindowBase;
};

// A dialog whose dialog procedure is Dialog::DialogProc and whose parameter
// (DialogBoxParamA's last one) is the object; RunDialog does both. A tab page made
// with CreateDialogParamA passes `static_cast<Dialog*>(this)` the same way; pages of
// PropertySheet, whose parameter is their PROPSHEETPAGE, cannot use DialogProc.
class Dialog : public WindowBase {
  public:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  protected:
    explicit Dialog(Application& app) : WindowBase(app) {}

    // Copies the model into the controls, at WM_INITDIALOG. When it throws, the
    // dialog ends with IDCANCEL: half-filled controls must not be read back on OK.
    virtual void Fill() {}
    // Copies the controls into the model when OK is pressed; false keeps the dialog
    // open (after telling the user why), and so does an exception, once shown.
    virtual bool Read() { return true; }

    // Every message from WM_INITDIALOG to WM_NCDESTROY, with the meaning of a dialog
    // procedure's result (TRUE: handled). The default runs Fill at WM_INITDIALOG
    // (focus to the first control), Read and then EndDialog(IDOK) on IDOK,
    // EndDialog(IDCANCEL) on IDCANCEL, and answers FALSE to everything else. An
    // override calls it for the messages it leaves alone.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    friend class WindowBase;
    friend INT_PTR RunDialog(HWND owner, int templateId, Dialog& dialog);
};

// Shows the dialog template `templateId` of the application's module as a modal
// dialog over `dialog`, owned by `owner`. Returns what ended it (IDOK, IDCANCEL or
// another EndDialog value), or -1 when the dialog could not be created.
INT_PTR RunDialog(HWND owner, int templateId, Dialog& dialog);

}  // namespace pallisar
