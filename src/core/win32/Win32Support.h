// Owners of Win32 handles and COM resources, text conversions, and the translation of
// Win32 and COM errors into the program's failures.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <objbase.h>

#include <string>
#include <utility>

namespace kelbrook::win32 {

// ---- text ---------------------------------------------------------------------------------
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);
std::wstring FromUtf8(const std::string& text);

// ---- failures -----------------------------------------------------------------------------
std::wstring SystemMessage(DWORD code);
[[noreturn]] void ThrowLastError(const std::wstring& context);
[[noreturn]] void ThrowWin32Error(DWORD code, const std::wstring& context);
// Raises a failure for a failed HRESULT; the EXCEPINFO text is used when the server gave one.
void ThrowIfFailed(HRESULT hr, const std::wstring& context, const EXCEPINFO* info = nullptr);

// ---- waiting ------------------------------------------------------------------------------
// Waits up to `milliseconds` for the handle (none: just the time), answering the messages that
// other threads and programs send to this thread's windows meanwhile, so that its windows do
// not count as hung; posted messages (input, timers) wait for the message loop. True when the
// handle was signalled.
bool WaitAnswering(HANDLE handle, DWORD milliseconds);

// ---- owners -------------------------------------------------------------------------------
template <class H>
H NullHandle() {
    return nullptr;
}
inline HANDLE InvalidFileHandle() {
    return INVALID_HANDLE_VALUE;
}

// The owner of one handle of type H, closed with Close; Invalid gives the "no handle" value.
template <class H, auto Close, H (*Invalid)() = &NullHandle<H>>
class UniqueResource {
  public:
    using Handle = H;
    UniqueResource() = default;
    explicit UniqueResource(Handle h) : handle_(h) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept
        : handle_(std::exchange(other.handle_, Invalid())) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Invalid()));
        return *this;
    }
    ~UniqueResource() { reset(); }

    Handle get() const { return handle_; }
    Handle* put() {
        reset();
        return &handle_;
    }
    explicit operator bool() const { return handle_ != Invalid(); }
    void reset(Handle h = Invalid()) {
        if (handle_ != Invalid()) Close(handle_);
        handle_ = h;
    }
    Handle release() { return std::exchange(handle_, Invalid()); }

  private:
    Handle handle_ = Invalid();
};

using UniqueHandle = UniqueResource<HANDLE, &::CloseHandle>;
using UniqueFile = UniqueResource<HANDLE, &::CloseHandle, &InvalidFileHandle>;
using UniqueKey = UniqueResource<HKEY, &::RegCloseKey>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, &::DeleteObject>;
using UniqueDc = UniqueResource<HDC, &::DeleteDC>;
using UniqueIcon = UniqueResource<HICON, &::DestroyIcon>;
using UniqueCursor = UniqueResource<HCURSOR, &::DestroyCursor>;
using UniqueModule = UniqueResource<HMODULE, &::FreeLibrary>;
using UniqueCoTaskMem = UniqueResource<void*, &::CoTaskMemFree>;
using UniqueGlobal = UniqueResource<HGLOBAL, &::GlobalFree>;
using UniqueMenu = UniqueResource<HMENU, &::DestroyMenu>;
using UniqueFind = UniqueResource<HANDLE, &::FindClose, &InvalidFileHandle>;

// Locks a global memory block while it lives; data() is null when it could not be locked.
class LockedGlobal {
  public:
    explicit LockedGlobal(HGLOBAL memory) : memory_(memory), data_(::GlobalLock(memory)) {}
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    ~LockedGlobal() {
        if (data_ != nullptr) ::GlobalUnlock(memory_);
    }
    void* data() const { return data_; }

  private:
    HGLOBAL memory_;
    void* data_;
};

// A COM interface pointer that is released when it goes.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

  private:
    T* p_ = nullptr;
};

// A VARIANT that is cleared when it goes.
class Variant {
  public:
    Variant() { ::VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            ::VariantClear(&v_);
            v_ = other.v_;
            ::VariantInit(&other.v_);
        }
        return *this;
    }
    ~Variant() { ::VariantClear(&v_); }
    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    void SetString(const std::wstring& text);
    void SetBool(bool value);

  private:
    VARIANT v_;
};

// An adapter whose dialogs the main window owns, once there is one.
class OwnedByWindow {
  public:
    explicit OwnedByWindow(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }

  protected:
    // The owner while it is a window; null before it is set and after it has gone.
    HWND Owner() const { return owner_ != nullptr && ::IsWindow(owner_) ? owner_ : nullptr; }

  private:
    HWND owner_;
};

// COM for the calling thread, as a single-threaded apartment with OLE.
class OleScope {
  public:
    OleScope();
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    ~OleScope();

  private:
    bool initialized_ = false;
};

}  // namespace kelbrook::win32
