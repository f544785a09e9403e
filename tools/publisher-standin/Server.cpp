#include "Server.h"

#include "Owners.h"
#include "StandinPublication.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <utility>

namespace standin {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\PublisherStandin";
constexpr wchar_t kFaultsKey[] = L"Software\\PublisherStandin\\Faults";
constexpr wchar_t kRecentKey[] = L"Software\\PublisherStandin\\Recent";
constexpr wchar_t kCopiesKey[] = L"Software\\PublisherStandin\\Copies";

UniqueKey CreateKey(const wchar_t* path) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS) {
        return UniqueKey();
    }
    return UniqueKey(raw);
}

void SetString(HKEY key, const std::wstring& name, const std::wstring& value) {
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// The start of a process as a FILETIME count; nothing when it cannot be read.
std::optional<unsigned long long> ProcessStart(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
    return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// The process with this id is alive and is the one that started at `start`: process ids come
// back within seconds, so the id alone would take a newcomer for a copy that crashed.
bool ProcessAlive(DWORD processId, unsigned long long start) {
    UniqueHandle process(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return false;
    if (WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT) return false;
    return ProcessStart(process.get()) == start;
}

std::optional<std::wstring> ReadString(const wchar_t* key, const std::wstring& value) {
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, key, value.c_str(), RRF_RT_REG_SZ, nullptr, text.data(),
                     &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

std::wstring ModePrefix() {
    return State().mode == Mode::Running ? L"running:" : L"";
}

}  // namespace

std::wstring FullPath(std::wstring_view fileName) {
    const std::wstring name(fileName);
    const DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return name;
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) return name;
    full.resize(written);
    return full;
}

[[noreturn]] void Fail(std::wstring description) {
    throw CallFailure{DISP_E_EXCEPTION, std::move(description)};
}

long NextPageId() {
    // An odd multiplier maps distinct counts to distinct numbers modulo 2^31.
    static const unsigned long seed = GetCurrentProcessId() * 2654435761UL + GetTickCount();
    static unsigned long count = 0;
    unsigned long id = 0;
    while (id == 0) id = (++count * 2246822519UL + seed) & 0x7FFFFFFFUL;
    return static_cast<long>(id);
}

ServerState& State() {
    static ServerState state;
    return state;
}

std::shared_ptr<DocumentState> BlankDocument(std::wstring name, bool saved) {
    auto document = std::make_shared<DocumentState>();
    document->name = std::move(name);
    document->saved = saved;
    document->pages.push_back(std::make_shared<PageState>());
    return document;
}

namespace {

void LetGoOfFile(const std::wstring& full) {
    auto& held = State().heldFiles;
    held.erase(std::remove_if(held.begin(), held.end(),
                              [&](const auto& file) {
                                  return CompareStringOrdinal(file.first.c_str(), -1, full.c_str(),
                                                              -1, TRUE) == CSTR_EQUAL;
                              }),
               held.end());
}

}  // namespace

std::shared_ptr<DocumentState> CloseDocument(const std::shared_ptr<DocumentState>& document) {
    if (!document->path.empty()) {
        LetGoOfFile(FullNameOf(Publication{document->name, document->path, {}}));
    }
    auto blank = BlankDocument(L"Publication1", true);
    auto& documents = State().documents;
    std::replace(documents.begin(), documents.end(), document, blank);
    if (State().active == document) State().active = blank;
    DocumentsChanged();
    return blank;
}

std::shared_ptr<DocumentState> OpenDocument(std::wstring_view fileName) {
    const std::wstring full = FullPath(fileName);
    // Held open for reading and writing while the publication is open, others allowed to read
    // only (the switch running:hold = exclusive: nobody); Publisher keeps its file like this.
    const std::optional<std::wstring> hold = ReadString(kFaultsKey, ModePrefix() + L"hold");
    const bool exclusive =
        hold && CompareStringOrdinal(hold->c_str(), -1, L"exclusive", -1, TRUE) == CSTR_EQUAL;
    UniqueHandle file = OwnFile(CreateFileW(full.c_str(), GENERIC_READ | GENERIC_WRITE,
                                            exclusive ? 0 : FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {  // a read-only file, or one that others hold: read it as it is
        file = OwnFile(CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    if (!file) Fail(L"Cannot open " + full + L": " + SystemMessage(GetLastError()));
    std::string contents;
    char buffer[16384];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) {
            Fail(L"Cannot read " + full + L": " + SystemMessage(GetLastError()));
        }
        if (read == 0) break;
        contents.append(buffer, read);
    }
    Publication publication;
    try {
        publication = ParsePublication(contents);
    } catch (const FormatError& error) {
        Fail(full + L" is not a stand-in publication: " + Widen(error.what()));
    }
    auto document = DocumentFrom(std::move(publication));
    document->name = NameFromFullName(full);
    document->path = PathFromFullName(full);
    if (State().mode == Mode::Running) State().heldFiles.emplace_back(full, std::move(file));
    return document;
}

void SaveDocumentAs(DocumentState& document, std::wstring_view fileName) {
    const std::wstring full = FullPath(fileName);
    const Publication publication = PublicationOf(document);
    std::string contents;
    try {
        contents = SerializePublication(publication);
    } catch (const std::invalid_argument& error) {
        Fail(L"Cannot save " + full + L": " + Widen(error.what()));
    }
    // A file this instance saved before is still held open by it: let go of it first.
    LetGoOfFile(full);
    UniqueHandle file = OwnFile(CreateFileW(full.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail(L"Cannot save " + full + L": " + SystemMessage(GetLastError()));
    DWORD written = 0;
    if (!WriteFile(file.get(), contents.data(), static_cast<DWORD>(contents.size()), &written,
                   nullptr) ||
        written != contents.size()) {
        Fail(L"Cannot save " + full + L": " + SystemMessage(GetLastError()));
    }
    if (!FlushFileBuffers(file.get())) {
        Fail(L"Cannot save " + full + L": " + SystemMessage(GetLastError()));
    }
    // Publisher keeps a saved publication's file open while the publication is open.
    State().heldFiles.emplace_back(full, std::move(file));
    document.name = NameFromFullName(full);
    document.path = PathFromFullName(full);
    document.saved = true;
    DocumentsChanged();
}

void AddToRecentFiles(std::wstring_view fullName) {
    UniqueKey key = CreateKey(kRecentKey);
    if (!key) return;
    DWORD values = 0;
    RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    SetString(key.get(), std::to_wstring(values + 1), std::wstring(fullName));
}

void EnterLiveCopy(std::wstring_view publication) {
    UniqueKey key = CreateKey(kCopiesKey);
    if (!key) return;
    // The process's start: later copies sort after earlier ones, and it tells this process from
    // a later one that is given the same id.
    const unsigned long long order = ProcessStart(GetCurrentProcess()).value_or(0);
    wchar_t text[32];
    swprintf(text, 32, L"%020llu", order);
    SetString(key.get(), std::to_wstring(GetCurrentProcessId()),
              std::wstring(text) + L" " + std::wstring(publication));
}

void LeaveLiveCopy() {
    UniqueKey key = CreateKey(kCopiesKey);
    if (key) RegDeleteValueW(key.get(), std::to_wstring(GetCurrentProcessId()).c_str());
}

std::vector<LiveCopy> LiveCopies() {
    std::vector<std::pair<std::wstring, LiveCopy>> found;
    UniqueKey key = CreateKey(kCopiesKey);
    if (!key) return {};
    for (DWORD index = 0;; ++index) {
        wchar_t name[32];
        DWORD nameLength = 32;
        wchar_t data[1024];
        DWORD bytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LSTATUS status = RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type,
                                             reinterpret_cast<BYTE*>(data), &bytes);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || type != REG_SZ) continue;
        data[bytes / sizeof(wchar_t)] = L'\0';
        const std::wstring text(data);
        const DWORD processId = wcstoul(name, nullptr, 10);
        const size_t blank = text.find(L' ');
        const unsigned long long start = wcstoull(text.substr(0, blank).c_str(), nullptr, 10);
        if (processId == 0 || processId == GetCurrentProcessId() ||
            !ProcessAlive(processId, start)) {
            continue;
        }
        found.push_back(
            {text.substr(0, blank),
             LiveCopy{processId, blank == std::wstring::npos ? L"" : text.substr(blank + 1)}});
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<LiveCopy> copies;
    for (auto& entry : found) copies.push_back(std::move(entry.second));
    return copies;
}

void WaitForever() {
    for (;;) {
        MSG message;
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) continue;  // a quit request changes nothing
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void AddDocument(std::shared_ptr<DocumentState> document) {
    State().active = document;
    State().documents.push_back(std::move(document));
    DocumentsChanged();
}

void DocumentsChanged() {
    const HWND list = State().documentList;
    if (!list) return;
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const auto& document : State().documents) {
        const std::wstring line = FullNameOf(Publication{document->name, document->path, {}});
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
}

std::optional<std::wstring> FaultFor(std::wstring_view object, std::wstring_view member) {
    return ReadString(kFaultsKey,
                      ModePrefix() + std::wstring(object) + L"." + std::wstring(member));
}

bool BusyNow() {
    const std::optional<std::wstring> value = ReadString(kFaultsKey, ModePrefix() + L"busy");
    if (!value || value->compare(0, 5, L"busy ") != 0) return false;
    const unsigned long long milliseconds = wcstoull(value->c_str() + 5, nullptr, 10);
    return GetTickCount64() - State().startTick < milliseconds;
}

std::wstring StartSwitch() {
    std::wstring value = ReadString(kFaultsKey, ModePrefix() + L"start").value_or(L"");
    for (wchar_t& c : value) c = static_cast<wchar_t>(towlower(c));
    return value;
}

void ApplyFault(std::wstring_view object, std::wstring_view member) {
    const std::optional<std::wstring> fault = FaultFor(object, member);
    if (!fault) return;
    if (CompareStringOrdinal(fault->c_str(), -1, L"crash", -1, TRUE) == CSTR_EQUAL) {
        TerminateProcess(GetCurrentProcess(), 3);
    }
    if (CompareStringOrdinal(fault->c_str(), -1, L"fail", -1, TRUE) == CSTR_EQUAL) {
        Fail(L"Stand-in failure in " + std::wstring(object) + L"." + std::wstring(member));
    }
    if (CompareStringOrdinal(fault->c_str(), -1, L"hang", -1, TRUE) == CSTR_EQUAL) WaitForever();
}

void Journal(std::wstring_view object, std::wstring_view member, std::wstring_view call) {
    const std::optional<std::wstring> path = ReadString(kSettingsKey, L"Journal");
    if (!path || path->empty()) return;
    const std::wstring line = std::to_wstring(GetCurrentProcessId()) +
                              (State().mode == Mode::Running ? L" running " : L" copy ") +
                              std::wstring(object) + L"." + std::wstring(member) + L" " +
                              std::wstring(call) + L"\r\n";
    const std::string bytes = ToUtf8(line);
    UniqueHandle file = OwnFile(CreateFileW(path->c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ReportError(L"Cannot open the journal " + *path + L": " + SystemMessage(GetLastError()));
        return;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        ReportError(L"Cannot write the journal " + *path + L": " + SystemMessage(GetLastError()));
    }
}

void ObjectCreated() {
    ++State().objects;
    State().everServed = true;
}

// After answering Quit the process lives on for about a second once let go, as Publisher's
// does.
constexpr UINT kQuitDelayMilliseconds = 1000;

void ObjectDestroyed() {
    if (--State().objects == 0 && State().mode == Mode::Copy) {
        RequestQuit(State().quitAnsweredTick ? kQuitDelayMilliseconds : 100);
    }
}

void QuitAnswered() {
    if (!State().quitAnsweredTick) State().quitAnsweredTick = GetTickCount64();
    // A client that still holds any object keeps the instance alive, hidden: Publisher's
    // "set the object equal to Nothing".
    if (State().mode == Mode::Running || State().objects == 0) RequestQuit(kQuitDelayMilliseconds);
}

void JournalEnd() {
    const std::optional<ULONGLONG> quit = State().quitAnsweredTick;
    Journal(L"Application", L"Process",
            L"ended " + (quit ? std::to_wstring(GetTickCount64() - *quit) : std::wstring(L"-")));
}

void RequestQuit(UINT delay) {
    if (std::exchange(State().quitting, true)) return;
    // A moment's delay lets COM send the reply to the call that asked for it.
    SetTimer(State().owner, 1, delay, nullptr);
}

std::wstring SystemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.')) {
        text.pop_back();
    }
    return (text.empty() ? L"error" : text) + L" (" + std::to_wstring(error) + L")";
}

std::wstring Widen(std::string_view utf8) {
    try {
        return FromUtf8(utf8);
    } catch (const std::invalid_argument&) {
        return std::wstring(utf8.begin(), utf8.end());
    }
}

void ReportError(std::wstring_view text) {
    const std::wstring line = std::wstring(text) + L"\r\n";
    OutputDebugStringW(line.c_str());
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error && error != INVALID_HANDLE_VALUE) {
        const std::string bytes = ToUtf8(line);
        DWORD written = 0;
        WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

}  // namespace standin
