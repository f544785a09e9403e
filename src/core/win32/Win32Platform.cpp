#include "core/win32/Win32Platform.h"

#include <shlobj.h>

#include <vector>

namespace kelbrook::win32 {

SingleInstance::SingleInstance() {
    mutex_.reset(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutex));
    anotherInstance_ = ::GetLastError() == ERROR_ALREADY_EXISTS ||
                       (!mutex_ && ::GetLastError() == ERROR_ACCESS_DENIED);
}

std::wstring Win32Processes::ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) ThrowLastError(L"The program's path could not be read");
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring Win32Processes::ProgramFolder() {
    const std::wstring path = ModulePath();
    std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L"";
    std::wstring folder = path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // a drive's root keeps its "\"
    return folder;
}

std::optional<std::wstring> Win32Processes::Environment(const std::wstring& name) {
    ::SetLastError(ERROR_SUCCESS);
    DWORD size = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::wstring();
    }
    std::wstring value(size, L'\0');
    size = ::GetEnvironmentVariableW(name.c_str(), value.data(), size);
    value.resize(size);
    return value;
}

void Win32Processes::Start(const std::wstring& commandLine, ShowState show) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow =
        static_cast<WORD>(show == ShowState::MinimizedWithFocus ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    PROCESS_INFORMATION process{};
    std::wstring mutableLine = commandLine;
    if (!::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        ThrowLastError(L"Starting " + commandLine);
    }
    UniqueHandle thread(process.hThread);
    UniqueHandle child(process.hProcess);
}

std::wstring Win32ShellFolders::SpecialFolderPath(int csidl) {
    LPITEMIDLIST raw = nullptr;
    if (::SHGetSpecialFolderLocation(nullptr, csidl, &raw) != S_OK || raw == nullptr) return L"";
    UniqueCoTaskMem items(raw);
    // The wide call: a folder name outside the ANSI code page must survive.
    wchar_t buffer[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(static_cast<LPCITEMIDLIST>(items.get()), buffer)) return L"";
    return buffer;
}

void Win32MessagePump::ProcessPending() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace kelbrook::win32
