#include "core/win32/Win32Support.h"

#include <vector>

#include "core/Failure.h"

namespace kelbrook::win32 {

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          size, nullptr, nullptr);
    return result;
}

namespace {
std::wstring Widen(UINT codePage, const std::string& text) {
    if (text.empty()) return {};
    const int size =
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          size);
    return result;
}
}  // namespace

std::wstring FromAnsi(const std::string& text) {
    return Widen(CP_ACP, text);
}
std::wstring FromUtf8(const std::string& text) {
    return Widen(CP_UTF8, text);
}

std::wstring SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer != nullptr) text.assign(buffer, length);
    if (buffer != nullptr) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        wchar_t hex[16];
        ::wsprintfW(hex, L"0x%08X", static_cast<unsigned>(code));
        text = std::wstring(L"Error ") + hex;
    }
    return text;
}

void ThrowWin32Error(DWORD code, const std::wstring& context) {
    throw Failure(context + L": " + SystemMessage(code), HRESULT_FROM_WIN32(code));
}

void ThrowLastError(const std::wstring& context) {
    ThrowWin32Error(::GetLastError(), context);
}

void ThrowIfFailed(HRESULT hr, const std::wstring& context, const EXCEPINFO* info) {
    if (SUCCEEDED(hr)) return;
    if (info != nullptr && info->bstrDescription != nullptr &&
        ::SysStringLen(info->bstrDescription) > 0) {
        throw Failure(std::wstring(info->bstrDescription, ::SysStringLen(info->bstrDescription)),
                      info->scode != 0 ? info->scode : hr);
    }
    throw Failure(context + L": " + SystemMessage(static_cast<DWORD>(hr)), hr);
}

void Variant::SetString(const std::wstring& text) {
    ::VariantClear(&v_);
    BSTR b = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (b == nullptr) throw Failure(L"Out of memory");
    v_.vt = VT_BSTR;
    v_.bstrVal = b;
}

void Variant::SetBool(bool value) {
    ::VariantClear(&v_);
    v_.vt = VT_BOOL;
    v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

OleScope::OleScope() {
    initialized_ = SUCCEEDED(::OleInitialize(nullptr));
}
OleScope::~OleScope() {
    if (initialized_) ::OleUninitialize();
}

bool WaitAnswering(HANDLE handle, DWORD milliseconds) {
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD count = handle != nullptr ? 1 : 0;
        const DWORD result =
            ::MsgWaitForMultipleObjectsEx(count, handle != nullptr ? &handle : nullptr,
                                          left < 100 ? left : 100, QS_SENDMESSAGE, 0);
        if (count == 1 && result == WAIT_OBJECT_0) return true;
        // Peeking answers the sent messages, and tells the system the thread is alive.
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (left == 0) return count == 1 && ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    }
}

}  // namespace kelbrook::win32
