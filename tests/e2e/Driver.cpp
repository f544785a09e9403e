#include "Driver.h"

#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

#include "app/win32/ControlIds.h"
#include "core/win32/Win32Platform.h"

namespace kelbrook::e2e {

using win32::LockedGlobal;
using win32::UniqueHandle;
using win32::UniqueKey;

namespace {

constexpr wchar_t kStoreParent[] = L"Software\\Tarnwick";
constexpr wchar_t kStoreSection[] = L"Software\\Tarnwick\\Kelbrook";
constexpr UINT kMessageTimeoutMs = 5000;

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
    return std::filesystem::path(win32::Win32Processes::ModulePath()).parent_path();
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
    if (owned_) Kill();
}

bool KelbrookProcess::Start(const std::filesystem::path& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    const std::wstring folder = program.parent_path().wstring();
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        startError_ = ::GetLastError();
        return false;
    }
    startError_ = 0;
    owned_ = true;
    UniqueHandle thread(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
    return true;
}

bool KelbrookProcess::Attach(DWORD processId) {
    process_.reset(::OpenProcess(
        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, processId));
    processId_ = process_ ? processId : 0;
    owned_ = false;
    return static_cast<bool>(process_);
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

bool KelbrookProcess::WaitUntilUsable() const {
    return WaitUntil([&] {
        HWND main = MainWindow();
        return main != nullptr && ::IsWindowVisible(main) && ::IsWindowEnabled(main);
    });
}

HWND KelbrookProcess::Control(ControlId id) const {
    HWND main = MainWindow();
    return main != nullptr ? ::GetDlgItem(main, win32::ChildWindowId(id)) : nullptr;
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

HWND KelbrookProcess::WaitForFolderDialog() const {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND dialog : TopLevelWindows(processId_, L"#32770")) {
            if (::IsWindowVisible(dialog) &&
                ::FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr) != nullptr) {
                found = dialog;
                return true;
            }
        }
        return false;
    });
    return found;
}

bool KelbrookProcess::WaitForPostedMessages() const {
    HWND list = Control(ControlId::ListView1);
    if (list == nullptr) return false;
    DWORD_PTR current = 0;
    // A window that has just come back from a long call (one that ran to its bound) counts as
    // hung for a moment: ask again until it answers.
    if (!WaitUntil([&] {
            return ::SendMessageTimeoutW(list, LVM_GETSELECTIONMARK, 0, 0, SMTO_ABORTIFHUNG,
                                         kMessageTimeoutMs, &current) != 0;
        })) {
        return false;
    }
    const LPARAM marker = static_cast<int>(current) == 7 ? 8 : 7;
    if (!::PostMessageW(list, LVM_SETSELECTIONMARK, 0, marker)) return false;
    return WaitUntil([&] {
        DWORD_PTR mark = 0;
        return ::SendMessageTimeoutW(list, LVM_GETSELECTIONMARK, 0, 0, SMTO_ABORTIFHUNG,
                                     kMessageTimeoutMs, &mark) &&
               static_cast<LPARAM>(static_cast<int>(mark)) == marker;
    });
}

bool Answer(const SeenBox& box, int button) {
    if (!::PostMessageW(box.handle, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                        reinterpret_cast<LPARAM>(::GetDlgItem(box.handle, button)))) {
        return false;
    }
    return WaitUntil([&] { return !::IsWindow(box.handle) || !::IsWindowVisible(box.handle); });
}

bool PostClick(HWND button) {
    return button != nullptr && ::PostMessageW(button, BM_CLICK, 0, 0);
}

HWND FindChild(HWND parent, const std::wstring& className, const std::wstring& text) {
    for (HWND child = ::FindWindowExW(parent, nullptr, className.c_str(), nullptr);
         child != nullptr; child = ::FindWindowExW(parent, child, className.c_str(), nullptr)) {
        if (TextOf(child) == text) return child;
    }
    return nullptr;
}

// ---- memory of another process ------------------------------------------------------------

RemoteText::RemoteText(DWORD processId, const std::wstring& text)
    : process_(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId)) {
    if (!process_) return;
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    address_ =
        ::VirtualAllocEx(process_.get(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (address_ == nullptr) return;
    SIZE_T written = 0;
    if (!::WriteProcessMemory(process_.get(), address_, text.c_str(), bytes, &written) ||
        written != bytes) {
        ::VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
        address_ = nullptr;
    }
}

RemoteText::~RemoteText() {
    if (address_ != nullptr) ::VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
}

bool SelectFolder(HWND dialog, DWORD processId, const std::wstring& folder) {
    HWND tree = ::FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
    if (tree == nullptr) return false;
    const auto selected = [tree] {
        DWORD_PTR item = 0;
        ::SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_ABORTIFHUNG,
                              kMessageTimeoutMs, &item);
        return item;
    };
    // The dialog finds a folder by its whole shell identity, which under Wine includes the
    // folder's last access time. A folder read for the first time since it last changed gets
    // a new access time while the dialog reads its way down, and is then not found: so each
    // folder on the way is read once beforehand.
    for (std::filesystem::path step = folder;; step = step.parent_path()) {
        std::error_code ignored;
        for (std::filesystem::directory_iterator it(step, ignored), end; !ignored && it != end;
             it.increment(ignored)) {
        }
        if (step == step.root_path() || step.parent_path() == step) break;
    }
    const DWORD_PTR before = selected();
    RemoteText text(processId, folder);
    if (text.address() == 0) return false;
    DWORD_PTR ignored = 0;
    if (!::SendMessageTimeoutW(dialog, BFFM_SETSELECTIONW, TRUE, text.address(), SMTO_ABORTIFHUNG,
                               kMessageTimeoutMs, &ignored)) {
        return false;
    }
    return WaitUntil([&] {
        const DWORD_PTR now = selected();
        return now != 0 && now != before;
    });
}

// ---- other processes ----------------------------------------------------------------------

std::vector<DWORD> ProcessesNamed(const std::wstring& exeName) {
    const auto lower = [](std::wstring text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
        return text;
    };
    std::vector<DWORD> ids;
    win32::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (lower(entry.szExeFile) == lower(exeName)) ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

std::optional<std::wstring> CommandLineOf(DWORD processId) {
    UniqueHandle process(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) return std::nullopt;
    PROCESS_BASIC_INFORMATION basic{};
    if (!NT_SUCCESS(::NtQueryInformationProcess(process.get(), ProcessBasicInformation, &basic,
                                                sizeof(basic), nullptr))) {
        return std::nullopt;
    }
    const auto read = [&](const void* from, void* to, SIZE_T bytes) {
        SIZE_T done = 0;
        return ::ReadProcessMemory(process.get(), from, to, bytes, &done) && done == bytes;
    };
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (!read(basic.PebBaseAddress, &peb, sizeof(peb)) ||
        !read(peb.ProcessParameters, &parameters, sizeof(parameters))) {
        return std::nullopt;
    }
    std::wstring commandLine(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!commandLine.empty() &&
        !read(parameters.CommandLine.Buffer, commandLine.data(), parameters.CommandLine.Length)) {
        return std::nullopt;
    }
    return commandLine;
}

bool EndProcess(DWORD processId) {
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process) return ::GetLastError() == ERROR_INVALID_PARAMETER;  // gone already
    ::TerminateProcess(process.get(), 99);
    return ::WaitForSingleObject(process.get(), static_cast<DWORD>(kDeadline.count())) ==
           WAIT_OBJECT_0;
}

// ---- the clipboard ------------------------------------------------------------------------

OpenedClipboard::OpenedClipboard() {
    opened_ = WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; });
}

OpenedClipboard::~OpenedClipboard() {
    if (opened_) ::CloseClipboard();
}

bool PutClipboardText(const std::wstring& text) {
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    {
        LockedGlobal locked(memory.get());
        if (locked.data() == nullptr) return false;
        std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(locked.data()));
    }
    OpenedClipboard clipboard;
    if (!clipboard || !::EmptyClipboard()) return false;
    if (::SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) return false;
    memory.release();  // the clipboard owns it now
    return true;
}

std::optional<std::wstring> ClipboardText() {
    OpenedClipboard clipboard;
    if (!clipboard) return std::nullopt;
    HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr) return std::nullopt;
    LockedGlobal locked(data);
    const auto* chars = static_cast<const wchar_t*>(locked.data());
    if (chars == nullptr) return std::nullopt;
    const std::size_t capacity = ::GlobalSize(data) / sizeof(wchar_t);
    return std::wstring(chars, std::find(chars, chars + capacity, L'\0'));
}

// ---- files and text -----------------------------------------------------------------------

std::optional<std::string> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

bool WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

bool DeleteWritable(const std::filesystem::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    ::DeleteFileW(path.c_str());
    return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> LinesOf(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::optional<std::string> ToAnsiCodePage(const std::wstring& text) {
    if (text.empty()) return std::string();
    const bool utf8 = ::GetACP() == CP_UTF8;
    BOOL usedDefault = FALSE;
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, utf8 ? nullptr : &usedDefault);
    if (size <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                          nullptr, nullptr);
    return bytes;
}

std::optional<std::wstring> EnvironmentVariable(const std::wstring& name) {
    const DWORD size = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD copied = ::GetEnvironmentVariableW(name.c_str(), value.data(), size);
    value.resize(copied);
    return value;
}

// ---- the history log ----------------------------------------------------------------------

HistoryLogFile::HistoryLogFile() {
    const std::optional<std::wstring> temp = EnvironmentVariable(L"TEMP");
    if (!temp || temp->empty()) return;
    path_ = *temp + L"\\Kelbrook.txt";
    const DWORD attributes = ::GetFileAttributesW(path_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        savedBytes_ = ReadBytes(path_);
        savedAttributes_ = attributes;
    }
    removed_ = DeleteWritable(path_);
}

HistoryLogFile::~HistoryLogFile() {
    if (path_.empty()) return;
    DeleteWritable(path_);
    if (savedBytes_ && WriteBytes(path_, *savedBytes_)) {
        ::SetFileAttributesW(path_.c_str(), savedAttributes_);
    }
}

bool HistoryLogFile::Exists() const {
    return ::GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool HistoryLogFile::MakeReadOnly() const {
    const DWORD attributes = ::GetFileAttributesW(path_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           ::SetFileAttributesW(path_.c_str(), attributes | FILE_ATTRIBUTE_READONLY) &&
           (::GetFileAttributesW(path_.c_str()) & FILE_ATTRIBUTE_READONLY) != 0;
}

std::vector<std::wstring> HistoryLogFile::Lines() const {
    const std::optional<std::string> bytes = Bytes();
    return bytes ? LinesOf(FromAnsi(*bytes)) : std::vector<std::wstring>();
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

std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& subkey,
                                         const std::wstring& name) {
    UniqueKey key;
    if (::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
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

bool SetRegistryText(HKEY root, const std::wstring& subkey, const std::wstring& name,
                     const std::wstring& value) {
    UniqueKey key;
    if (::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                          nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExW(
               key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool DeleteRegistryValue(HKEY root, const std::wstring& subkey, const std::wstring& name) {
    UniqueKey key;
    if (::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    return ::RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS;
}

namespace Store {

bool Clear() {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, kStoreParent);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
    UniqueKey key;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, kStoreParent, 0, KEY_READ, key.put()) ==
           ERROR_FILE_NOT_FOUND;
}

bool Set(const std::wstring& name, const std::wstring& value) {
    return SetRegistryText(HKEY_CURRENT_USER, kStoreSection, name, value);
}

std::optional<std::wstring> Read(const std::wstring& name) {
    return RegistryText(HKEY_CURRENT_USER, kStoreSection, name);
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
