#pragma once
// Move-only owners of Windows handles. Each closes its handle exactly once, when
// it is destroyed or reset; copying is not possible, so two owners can never close
// the same handle. A traits class says how to close a handle and which values mean
// "no handle".

#include <windows.h>

#include <utility>

namespace pallisar {

template <typename Traits>
class ScopedHandle {
  public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() { Close(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Take()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) Reset(other.Take());
        return *this;
    }

    bool IsValid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return IsValid(); }
    Handle Get() const { return handle_; }

    // Closes the handle held so far and owns `handle` from now on.
    void Reset(Handle handle = Traits::Null()) {
        if (handle == handle_) return;
        Close();
        handle_ = handle;
    }

    // Gives up ownership: the caller closes the handle.
    [[nodiscard]] Handle Take() { return std::exchange(handle_, Traits::Null()); }

    // For functions that return a handle through a pointer; closes the one held.
    Handle* Receive() {
        Reset();
        return &handle_;
    }

  private:
    void Close() {
        if (Traits::IsValid(handle_)) Traits::Close(handle_);
        handle_ = Traits::Null();
    }

    Handle handle_ = Traits::Null();
};

// Kernel objects: processes, threads, files, events. CreateFile reports failure
// with INVALID_HANDLE_VALUE, most others with NULL: neither is ever closed.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};

// Registry keys that the program opened. The predefined roots (HKEY_LOCAL_MACHINE
// and the others) are never owned.
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DestroyMenu(h); }
};

// GDI objects (fonts, bitmaps, brushes, pens), deleted with DeleteObject. An
// object must not be selected into a device context when its owner goes.
template <typename GdiHandle>
struct GdiObjectTraits {
    using Handle = GdiHandle;
    static Handle Null() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedRegKey = ScopedHandle<RegKeyTraits>;
using ScopedIcon = ScopedHandle<IconTraits>;
using ScopedMenu = ScopedHandle<MenuTraits>;
using ScopedFont = ScopedHandle<GdiObjectTraits<HFONT>>;
using ScopedBitmap = ScopedHandle<GdiObjectTraits<HBITMAP>>;
using ScopedBrush = ScopedHandle<GdiObjectTraits<HBRUSH>>;
using ScopedPen = ScopedHandle<GdiObjectTraits<HPEN>>;

}  // namespace pallisar
