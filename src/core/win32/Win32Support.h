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

// ---- owners -------------------------------------------------------------------------------
template <class Traits>
class UniqueResource {
  public:
    using Handle = typename Traits::Handle;
    UniqueResource() = default;
    explicit UniqueResource(Handle h) : handle_(h) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept
        : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Traits::Invalid()));
        return *this;
    }
    ~UniqueResource() { reset(); }

    Handle get() const { return handle_; }
    Handle* put() {
        reset();
        return &handle_;
    }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    void reset(Handle h = Traits::Invalid()) {
        if (handle_ != Traits::Invalid()) Traits::Close(handle_);
        handle_ = h;
    }
    Handle release() { return std::exchange(handle_, Traits::Invalid()); }

  private:
    Handle handle_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};
struct CursorTraits {
    using Handle = HCURSOR;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DestroyCursor(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};
struct CoTaskMemTraits {
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CoTaskMemFree(h); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFile = UniqueResource<FileHandleTraits>;
using UniqueKey = UniqueResource<RegKeyTraits>;
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;
using UniqueIcon = UniqueResource<IconTraits>;
using UniqueCursor = UniqueResource<CursorTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
using UniqueCoTaskMem = UniqueResource<CoTaskMemTraits>;

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
    template <class U>
    ComPtr<U> As() const {
        ComPtr<U> other;
        if (p_) p_->QueryInterface(__uuidof(U), other.put_void());
        return other;
    }

  private:
    T* p_ = nullptr;
};

// A BSTR that is freed when it goes.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(b_); }
    BSTR get() const { return b_; }
    BSTR* put() {
        ::SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    std::wstring str() const { return b_ ? std::wstring(b_, ::SysStringLen(b_)) : std::wstring(); }

  private:
    BSTR b_ = nullptr;
};

// A VARIANT that is cleared when it goes.
class Variant {
  public:
    Variant() { ::VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { ::VariantClear(&v_); }
    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    void SetString(const std::wstring& text);
    void SetBool(bool value);

  private:
    VARIANT v_;
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

// Calls a member of an automation object by name (DISPATCH_METHOD); raises on failure.
// Arguments are given in their natural order.
void InvokeByName(IDispatch* object, const std::wstring& member, VARIANT* arguments, unsigned count,
                  VARIANT* result = nullptr);

}  // namespace kelbrook::win32
