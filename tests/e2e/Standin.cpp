#include "Standin.h"

#include <oleauto.h>

#include <cstdio>
#include <sstream>
#include <thread>

namespace kelbrook::e2e {

using win32::FromUtf8;
using win32::UniqueHandle;
using win32::UniqueKey;

namespace {

constexpr wchar_t kStandinClsid[] = L"{6D1C3A52-8E4B-4F0A-9C27-51B7E2A94D13}";
constexpr wchar_t kSettingsKey[] = L"Software\\PublisherStandin";
constexpr wchar_t kFaultsKey[] = L"Software\\PublisherStandin\\Faults";

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, nullptr);
    return bytes;
}

// One argument quoted the way CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote is escaped.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');  // before the closing quote
    quoted.push_back(L'"');
    return quoted;
}

std::wstring CommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line = Quoted(StandinProgram().wstring());
    for (const std::wstring& argument : arguments) line += L" " + Quoted(argument);
    return line;
}

// Starts the stand-in; its process handle and id, or a null handle (GetLastError says why).
// Under load, Wine's process creation now and then fails with ERROR_INTERNAL_ERROR: the new
// process ended during Wine's own start-up (NtCreateUserProcess found it had not started),
// before any code of the stand-in ran. That start is made again, at most twice, and said on
// the test's error output; any other failure is the caller's to see.
UniqueHandle StartStandin(const std::vector<std::wstring>& arguments, DWORD& processId) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const std::wstring program = StandinProgram().wstring();
    bool started = false;
    for (int attempt = 1; attempt <= 3 && !started; ++attempt) {
        std::wstring commandLine = CommandLine(arguments);
        started = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &info) != FALSE;
        if (started || ::GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3) break;
        std::fprintf(stderr,
                     "RunStandin: Wine's start of the stand-in failed during its own start-up "
                     "(error %lu); starting it again\n",
                     static_cast<unsigned long>(ERROR_INTERNAL_ERROR));
        ::SetLastError(ERROR_INTERNAL_ERROR);
    }
    if (!started) {
        const DWORD error = ::GetLastError();
        processId = 0;
        ::SetLastError(error);
        return UniqueHandle();
    }
    UniqueHandle thread(info.hThread);
    processId = info.dwProcessId;
    return UniqueHandle(info.hProcess);
}

std::optional<std::wstring> DefaultValue(HKEY root, const std::wstring& key) {
    wchar_t buffer[512] = {};
    DWORD bytes = sizeof(buffer);
    if (::RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(buffer);
}

bool SetString(const wchar_t* keyName, const std::wstring& name, const std::wstring& value) {
    return SetRegistryText(HKEY_CURRENT_USER, keyName, name, value);
}

}  // namespace

std::string PublicationFile(const Publication& pages, const std::string& size) {
    std::string file = "standin-publication 1\r\n";
    if (!size.empty()) file += "size " + size + "\r\n";
    for (const std::vector<std::wstring>& page : pages) {
        file += "page\r\n";
        for (const std::wstring& shape : page) file += "shape " + Utf8(shape) + "\r\n";
    }
    return file;
}

std::filesystem::path StandinProgram() {
    return TestProgramFolder() / kStandinExe;
}

StandinExit RunStandin(const std::vector<std::wstring>& arguments) {
    // The system's error of the call that failed, read before anything else can change it.
    const auto failed = [](const wchar_t* what) {
        const DWORD error = ::GetLastError();
        return StandinExit{std::nullopt, std::wstring(what) + L": error " + std::to_wstring(error) +
                                             L" (" + win32::SystemMessage(error) + L")"};
    };
    DWORD processId = 0;
    UniqueHandle process = StartStandin(arguments, processId);
    if (!process) return failed(L"CreateProcess of the stand-in");
    switch (::WaitForSingleObject(process.get(), static_cast<DWORD>(kDeadline.count()))) {
        case WAIT_OBJECT_0:
            break;
        case WAIT_TIMEOUT:
            return {std::nullopt,
                    L"still running after " + std::to_wstring(kDeadline.count()) + L" ms"};
        default:
            return failed(L"WaitForSingleObject");
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(process.get(), &code)) return failed(L"GetExitCodeProcess");
    return {code, L""};
}

bool StandinRegistered() {
    const std::optional<std::wstring> clsid =
        DefaultValue(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Publisher.Application\\CLSID");
    if (!clsid ||
        ::CompareStringOrdinal(clsid->c_str(), -1, kStandinClsid, -1, TRUE) != CSTR_EQUAL) {
        return false;
    }
    const std::optional<std::wstring> server =
        DefaultValue(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\Classes\\CLSID\\") +
                                             kStandinClsid + L"\\LocalServer32");
    return server.has_value() && !server->empty();
}

std::vector<DWORD> StandinProcesses() {
    return ProcessesNamed(kStandinExe);
}

// ---- RunningStandin -------------------------------------------------------------------------

RunningStandin::~RunningStandin() {
    Kill();
}

bool RunningStandin::Start(const std::vector<std::wstring>& arguments) {
    process_ = StartStandin(arguments, processId_);
    if (!process_) return false;
    const bool shown = WaitUntil([&] {
        if (!Running()) return true;
        HWND window = Window();
        return window != nullptr && ::IsWindowVisible(window);
    });
    return shown && Running() &&
           WaitUntil([&] { return !Running() || StandinActiveObjectRegistered(); }) && Running();
}

bool RunningStandin::Running() const {
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> RunningStandin::exitCode() const {
    DWORD code = 0;
    if (!process_ || Running() || !::GetExitCodeProcess(process_.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

HWND RunningStandin::Window() const {
    for (HWND window : TopLevelWindows(processId_, kStandinWindowClass)) {
        if (TextOf(window) == kStandinWindowTitle) return window;
    }
    return nullptr;
}

std::optional<DWORD> RunningStandin::Close() {
    HWND window = Window();
    if (window == nullptr || !::PostMessageW(window, WM_CLOSE, 0, 0)) return exitCode();
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(kDeadline.count())) !=
        WAIT_OBJECT_0) {
        return std::nullopt;
    }
    return exitCode();
}

void RunningStandin::Kill() {
    if (!Running()) return;
    ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), static_cast<DWORD>(kDeadline.count()));
}

void RunningStandin::Detach() {
    process_.reset();
    processId_ = 0;
}

bool StandinActiveObjectRegistered() {
    // On a thread of its own, so that the caller's thread never joins an apartment.
    bool found = false;
    std::thread([&found] {
        if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return;
        CLSID clsid{};
        if (SUCCEEDED(::CLSIDFromString(kStandinClsid, &clsid))) {
            win32::ComPtr<IUnknown> active;
            found = SUCCEEDED(::GetActiveObject(clsid, nullptr, active.put())) && active;
        }
        ::CoUninitialize();
    }).join();
    return found;
}

// ---- settings -------------------------------------------------------------------------------

namespace StandinSettings {

bool Clear() {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
    UniqueKey key;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.put()) ==
           ERROR_FILE_NOT_FOUND;
}

bool SetFault(const std::wstring& name, const std::wstring& value) {
    return SetString(kFaultsKey, name, value);
}

bool RemoveFault(const std::wstring& name) {
    return DeleteRegistryValue(HKEY_CURRENT_USER, kFaultsKey, name);
}

bool SetJournal(const std::filesystem::path& file) {
    return SetString(kSettingsKey, L"Journal", file.wstring());
}

std::vector<std::wstring> RecentFiles() {
    std::vector<std::wstring> files;
    const std::wstring key = std::wstring(kSettingsKey) + L"\\Recent";
    while (std::optional<std::wstring> file =
               RegistryText(HKEY_CURRENT_USER, key, std::to_wstring(files.size() + 1))) {
        files.push_back(*file);
    }
    return files;
}

}  // namespace StandinSettings

std::vector<JournalEntry> ReadJournal(const std::filesystem::path& file) {
    std::vector<JournalEntry> entries;
    const std::optional<std::string> bytes = ReadBytes(file);
    if (!bytes) return entries;
    std::wistringstream lines(FromUtf8(*bytes));
    for (std::wstring line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.empty()) continue;
        JournalEntry entry;
        entry.line = line;
        std::wistringstream fields(line);
        std::wstring kind;
        unsigned long processId = 0;
        if (fields >> processId >> kind >> entry.member >> entry.call &&
            (kind == L"running" || kind == L"copy")) {
            entry.processId = processId;
            entry.running = kind == L"running";
        } else {
            entry.member.clear();
        }
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace kelbrook::e2e
