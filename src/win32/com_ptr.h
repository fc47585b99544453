#pragma once
// COM for the Windows layer: an owning interface pointer and the apartment of the
// calling thread.

#include <windows.h>
// after windows.h, which it needs
#include <objbase.h>

#include <utility>

namespace pallisar {

// Owns one reference to a COM interface and releases it exactly once, when it goes
// or is reset. Move-only: a reference is never released twice.
template <typename Interface>
class ComPtr {
  public:
    ComPtr() = default;
    // Takes over a reference the caller owns (no AddRef).
    explicit ComPtr(Interface* owned) : ptr_(owned) {}
    ~ComPtr() { Reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }

    Interface* Get() const { return ptr_; }
    Interface* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // Releases the reference held so far.
    void Reset() {
        if (ptr_) std::exchange(ptr_, nullptr)->Release();
    }

    // For CoCreateInstance and QueryInterface, which return a reference through a
    // pointer: releases the one held first.
    Interface** Receive() {
        Reset();
        return &ptr_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    // Asks the object for another of its interfaces; `other` holds it on success and
    // is empty otherwise.
    template <typename Other>
    HRESULT QueryInterface(REFIID iid, ComPtr<Other>& other) const {
        if (!ptr_) {
            other.Reset();
            return E_POINTER;
        }
        return ptr_->QueryInterface(iid, other.ReceiveVoid());
    }

  private:
    Interface* ptr_ = nullptr;
};

// Enters the calling thread into a single-threaded apartment (CoInitialize) for its
// lifetime, and leaves it only when entering succeeded: a thread that is already in
// another kind of apartment stays as it was.
class ScopedCoInitialize {
  public:
    ScopedCoInitialize() : result_(CoInitialize(nullptr)) {}
    ~ScopedCoInitialize() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ScopedCoInitialize(const ScopedCoInitialize&) = delete;
    ScopedCoInitialize& operator=(const ScopedCoInitialize&) = delete;

    // True when this guard entered the apartment (or found the thread in one already)
    // and so leaves it again; false after RPC_E_CHANGED_MODE and other failures.
    bool Succeeded() const { return SUCCEEDED(result_); }
    HRESULT Result() const { return result_; }

  private:
    HRESULT result_;
};

}  // namespace pallisar
