#include "Driver.h"

#include <commctrl.h>

#include <atomic>
#include <fstream>
#include <system_error>
#include <thread>

#include "app/win32/ControlIds.h"

namespace kelbrook::e2e {

using win32::UniqueHandle;
using win32::UniqueKey;

namespace {

constexpr wchar_t kStoreParent[] = L"Software\\Tarnwick";
constexpr wchar_t kStoreSection[] = L"Software\\Tarnwick\\Kelbrook";
constexpr UINT kMessageTimeoutMs = 5000;

std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return L"";
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::filesystem::path TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    return length == 0 ? std::filesystem::path(L".") : std::filesystem::path(buffer);
}

bool VisibleChild(HWND box, int id) {
    HWND child = ::GetDlgItem(box, id);
    return child != nullptr && ::IsWindowVisible(child);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::filesystem::path TestProgramFolder() {
    return std::filesystem::path(ModulePath()).parent_path();
}

// ---- Workspace ----------------------------------------------------------------------------

Workspace::Workspace() {
    static std::atomic<int> counter{0};
    const std::wstring name = L"kelbrook-e2e-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter);
    folder_ = TempFolder() / name;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::filesystem::create_directories(folder_);
    std::filesystem::copy_file(TestProgramFolder() / L"Kelbrook.exe", program(),
                               std::filesystem::copy_options::overwrite_existing);
}

Workspace::~Workspace() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void Workspace::WriteFile(const std::filesystem::path& relative, const std::string& bytes) const {
    const std::filesystem::path path = folder_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// ---- windows ------------------------------------------------------------------------------

std::wstring ClassNameOf(HWND window) {
    wchar_t name[256] = {};
    const int length = ::GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                               &length)) {
        return L"<no answer>";
    }
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 2, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                               reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                               kMessageTimeoutMs, &copied)) {
        return L"<no answer>";
    }
    return std::wstring(buffer.data(), std::min<std::size_t>(copied, buffer.size()));
}

std::vector<HWND> TopLevelWindows(DWORD processId, const std::wstring& className) {
    struct Search {
        DWORD processId;
        const std::wstring* className;
        std::vector<HWND> found;
    } search{processId, &className, {}};
    ::EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId &&
                (s->className->empty() || ClassNameOf(window) == *s->className)) {
                s->found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// ---- KelbrookProcess ----------------------------------------------------------------------

KelbrookProcess::~KelbrookProcess() {
    Kill();
}

bool KelbrookProcess::Start(const std::filesystem::path& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    const std::wstring folder = program.parent_path().wstring();
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        return false;
    }
    UniqueHandle thread(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
    return true;
}

bool KelbrookProcess::Running() const {
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> KelbrookProcess::WaitForExit(std::chrono::milliseconds deadline) const {
    if (!process_) return std::nullopt;
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(deadline.count())) !=
        WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return code;
}

void KelbrookProcess::Kill() {
    if (!Running()) return;
    ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), static_cast<DWORD>(kDeadline.count()));
}

HWND KelbrookProcess::MainWindow() const {
    const std::vector<HWND> windows = TopLevelWindows(processId_, win32::kMainWindowClass);
    return windows.empty() ? nullptr : windows.front();
}

HWND KelbrookProcess::WaitForMainWindow() const {
    HWND window = nullptr;
    WaitUntil([&] { return (window = MainWindow()) != nullptr; });
    return window;
}

HWND KelbrookProcess::Control(int id) const {
    HWND main = MainWindow();
    return main != nullptr ? ::GetDlgItem(main, id) : nullptr;
}

HWND KelbrookProcess::FindMessageBox() const {
    for (HWND box : TopLevelWindows(processId_, L"#32770")) {
        if (::IsWindowVisible(box)) return box;
    }
    return nullptr;
}

std::optional<SeenBox> KelbrookProcess::WaitForMessageBox() const {
    HWND box = nullptr;
    bool mainVisible = false;
    if (!WaitUntil([&] {
            box = FindMessageBox();
            if (box == nullptr) return false;
            HWND main = MainWindow();
            mainVisible = main != nullptr && ::IsWindowVisible(main);
            return true;
        })) {
        return std::nullopt;
    }
    SeenBox seen;
    seen.handle = box;
    seen.mainWindowVisible = mainVisible;
    seen.title = TextOf(box);
    HWND text = ::GetDlgItem(box, 0xFFFF);
    seen.text = text != nullptr ? TextOf(text) : L"";
    seen.ok = VisibleChild(box, IDOK);
    seen.yes = VisibleChild(box, IDYES);
    seen.no = VisibleChild(box, IDNO);
    seen.cancel = VisibleChild(box, IDCANCEL);
    // The icon's static control: 20 on Windows, 0x440 in Wine.
    for (int id : {0x14, 0x440}) {
        HWND icon = ::GetDlgItem(box, id);
        DWORD_PTR handle = 0;
        if (icon != nullptr && ::IsWindowVisible(icon) &&
            ::SendMessageTimeoutW(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                                  &handle) &&
            handle != 0) {
            seen.icon = true;
        }
    }
    return seen;
}

bool Answer(const SeenBox& box, int button) {
    if (!::PostMessageW(box.handle, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                        reinterpret_cast<LPARAM>(::GetDlgItem(box.handle, button)))) {
        return false;
    }
    return WaitUntil([&] { return !::IsWindow(box.handle) || !::IsWindowVisible(box.handle); });
}

// ---- controls -----------------------------------------------------------------------------

namespace {

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT failed) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                               &result)) {
        return failed;
    }
    return static_cast<LRESULT>(result);
}

}  // namespace

bool IsChecked(HWND button) {
    return Ask(button, BM_GETCHECK, 0, 0, -1) == BST_CHECKED;
}

int ListRowCount(HWND list) {
    return static_cast<int>(Ask(list, LVM_GETITEMCOUNT, 0, 0, -2));
}

int SelectedListRow(HWND list) {
    return static_cast<int>(
        Ask(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0), -2));
}

// ---- the settings store -------------------------------------------------------------------

namespace Store {

bool Clear() {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, kStoreParent);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
    UniqueKey key;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, kStoreParent, 0, KEY_READ, key.put()) ==
           ERROR_FILE_NOT_FOUND;
}

bool Set(const std::wstring& name, const std::wstring& value) {
    UniqueKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kStoreSection, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExW(
               key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::optional<std::wstring> Read(const std::wstring& name) {
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kStoreSection, 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (type != REG_SZ) return L"<type " + std::to_wstring(type) + L">";
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring value(buffer.data(), size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

std::vector<std::wstring> ValueNames() {
    std::vector<std::wstring> names;
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kStoreSection, 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384] = {};
        DWORD length = 16384;
        if (::RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

std::map<std::wstring, std::wstring> Snapshot() {
    std::map<std::wstring, std::wstring> values;
    for (const std::wstring& name : ValueNames()) values[name] = Read(name).value_or(L"<gone>");
    return values;
}

}  // namespace Store

bool AnyInstanceAlive() {
    UniqueHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, win32::kSingleInstanceMutex));
    return static_cast<bool>(mutex);
}

}  // namespace kelbrook::e2e
