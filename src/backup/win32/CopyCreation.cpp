#include "backup/win32/CopyCreation.h"

#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/Failure.h"
#include "core/win32/Dispatch.h"

namespace kelbrook::win32 {

namespace {

std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// When the process started; nothing when it cannot be read.
std::optional<std::uint64_t> StartOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
    return Ticks(created);
}

std::wstring ImagePath(HANDLE process) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(path.size());
        if (::QueryFullProcessImageNameW(process, 0, path.data(), &size)) {
            path.resize(size);
            return path;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        path.resize(path.size() * 4);
    }
    return L"";
}

std::wstring ReadRemoteText(HANDLE process, const UNICODE_STRING& text) {
    std::wstring value(text.Length / sizeof(wchar_t), L'\0');
    SIZE_T read = 0;
    if (value.empty() ||
        !::ReadProcessMemory(process, text.Buffer, value.data(), text.Length, &read) ||
        read != text.Length) {
        return L"";
    }
    return value;
}

// The command line of another process: ProcessCommandLineInformation where the system has it,
// else from the process's own parameters block.
std::wstring CommandLineOf(HANDLE process) {
    using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (query == nullptr) return L"";
    constexpr auto kCommandLineInformation = static_cast<PROCESSINFOCLASS>(60);
    std::vector<std::uint64_t> buffer(8192 / sizeof(std::uint64_t));
    ULONG needed = 0;
    if (query(process, kCommandLineInformation, buffer.data(),
              static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t)), &needed) >= 0) {
        const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
        return std::wstring(text->Buffer, text->Length / sizeof(wchar_t));
    }
    PROCESS_BASIC_INFORMATION basic{};
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, &needed) < 0) return L"";
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, &read) ||
        !::ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters,
                             &read)) {
        return L"";
    }
    return ReadRemoteText(process, parameters.CommandLine);
}

// One creation, shared by the thread that carries it out and the caller that waits for it;
// whichever lets go last frees it. The thread writes the results before it sets `done`; the
// caller reads them only after `done`, and the thread touches them again only after `taken`.
struct Creation {
    CLSID clsid{};
    FILETIME began{};
    std::wstring program;  // the registered server's
    DWORD running = 0;     // the user's Publisher's process

    std::shared_ptr<DispatchIdCache> cache;
    UniqueHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle taken{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::wstring failure;
    HRESULT failureCode = S_OK;
    ComPtr<IStream> stream;          // the Application, marshaled for the caller's apartment
    ComPtr<IStream> documentStream;  // the publication NewDocument made, if it made one
    UniqueHandle process;
};

// The new instance's window (ActiveWindow.Hwnd). A fresh Publisher without a publication may
// have no active window either (the reference's NewDocument example makes the publication
// before it touches ActiveWindow): when the server answers that call with a failure and it is
// a process that COM started for this creation (never the user's Publisher), the instance
// makes a blank publication and is asked again.
int NewInstanceWindow(DispatchObject& application, const Creation& creation,
                      ComPtr<IDispatch>& made) {
    try {
        return application.Object(L"ActiveWindow", L"Window").Integer(L"Hwnd");
    } catch (const Failure& failure) {
        if (IsGoneAnswer(failure.Code()) ||
            !ProcessStartedByCom(creation.program, creation.began, creation.running)) {
            throw;
        }
    }
    // The publication as NewDocument gives it, kept: the reference's own example does so.
    const DispatchObject document = application.Object(L"NewDocument", L"Document");
    ThrowIfFailed(document.get()->QueryInterface(IID_IDispatch, made.put_void()),
                  L"Keeping Publisher's new publication");
    return application.Object(L"ActiveWindow", L"Window").Integer(L"Hwnd");
}

// The process of a new instance: the owner of its window, which must have started since the
// creation began. Raises when there is no such process.
UniqueHandle WindowProcess(int window, const FILETIME& began) {
    // A window handle is a 32-bit value, sign-extended on 64-bit Windows.
    const HWND handle = reinterpret_cast<HWND>(static_cast<INT_PTR>(window));
    DWORD processId = 0;
    ::GetWindowThreadProcessId(handle, &processId);
    if (processId == 0 || processId == ::GetCurrentProcessId()) {
        throw Failure(L"Publisher's new instance gave no window of its own (ActiveWindow.Hwnd " +
                      std::to_wstring(window) + L")");
    }
    UniqueHandle process(::OpenProcess(
        PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) ThrowLastError(L"Opening the process of Publisher's new instance");
    // A little slack for clocks that tick coarsely.
    constexpr std::uint64_t kSlack = 2 * 10000000ULL;
    const std::optional<std::uint64_t> start = StartOf(process.get());
    if (!start) ThrowLastError(L"Reading the start of Publisher's new instance");
    if (*start + kSlack < Ticks(began)) {
        throw Failure(L"Publisher's new instance runs in a process that was already running (" +
                      std::to_wstring(processId) + L"); Kelbrook makes no copy there");
    }
    return process;
}

DWORD WINAPI CreationThread(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Creation>> owner(
        static_cast<std::shared_ptr<Creation>*>(parameter));
    Creation& creation = **owner;
    const HRESULT initialized = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        ComPtr<IDispatch> application;
        try {
            ThrowIfFailed(initialized, L"Preparing COM for Publisher's new instance");
            ThrowIfFailed(::CoCreateInstance(creation.clsid, nullptr, CLSCTX_LOCAL_SERVER,
                                             IID_IDispatch, application.put_void()),
                          L"Publisher.Application");
            ComPtr<IDispatch> made;
            DispatchObject object(application, L"Application", creation.cache);
            creation.process =
                WindowProcess(NewInstanceWindow(object, creation, made), creation.began);
            ThrowIfFailed(::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, application.get(),
                                                                  creation.stream.put()),
                          L"Handing Publisher's new instance over");
            if (made) {
                ThrowIfFailed(::CoMarshalInterThreadInterfaceInStream(
                                  IID_IDispatch, made.get(), creation.documentStream.put()),
                              L"Handing Publisher's new publication over");
            }
        } catch (...) {
            creation.failure = DescribeCurrentException();
            if (creation.stream) ::CoReleaseMarshalData(creation.stream.get());
            creation.stream.reset();
            creation.documentStream.reset();
        }
        ::SetEvent(creation.done.get());
        ::WaitForSingleObject(creation.taken.get(), INFINITE);
        // Not taken (the caller stopped waiting): the marshaled references are let go too, so
        // that the instance can end.
        for (ComPtr<IStream>* stream : {&creation.stream, &creation.documentStream}) {
            if (*stream) ::CoReleaseMarshalData(stream->get());
            stream->reset();
        }
    }
    if (SUCCEEDED(initialized)) ::CoUninitialize();
    return 0;
}

// The last creation this program stopped waiting for. COM may still be waiting for its class
// object (Wine's COM asks for it once a second for 30 seconds, and notices the end of the
// server's process only in the first second); a creation started meanwhile would see its new
// instance handed to the old one, and wait in vain.
std::shared_ptr<Creation>& Abandoned() {
    static std::shared_ptr<Creation> abandoned;
    return abandoned;
}

}  // namespace

bool HasComSwitch(const std::wstring& commandLine) {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(commandLine.c_str(), &count);
    if (arguments == nullptr) return false;
    bool found = false;
    for (int i = 1; i < count && !found; ++i) {
        const std::wstring argument = arguments[i];
        if (argument.size() < 2 || (argument[0] != L'-' && argument[0] != L'/')) continue;
        found = SameText(argument.substr(1), L"Embedding") ||
                SameText(argument.substr(1), L"Automation");
    }
    ::LocalFree(arguments);
    return found;
}

UniqueHandle ProcessStartedByCom(const std::wstring& program, const FILETIME& began,
                                 DWORD excluded) {
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return UniqueHandle();
    const std::wstring fileName = program.substr(program.find_last_of(L"\\/") + 1);
    // Process start times are whole system-clock readings: a little slack for their grain.
    constexpr std::uint64_t kGrain = 20 * 10000ULL;
    UniqueHandle found;
    int matches = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        const DWORD id = entry.th32ProcessID;
        if (id == excluded || id == ::GetCurrentProcessId() ||
            !SameText(entry.szExeFile, fileName)) {
            continue;
        }
        UniqueHandle process(::OpenProcess(
            PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
            id));
        if (!process) continue;
        const std::optional<std::uint64_t> start = StartOf(process.get());
        if (!start || *start + kGrain < Ticks(began)) continue;
        if (!SameText(ImagePath(process.get()), program)) continue;
        if (!HasComSwitch(CommandLineOf(process.get()))) continue;
        ++matches;
        found = std::move(process);
    }
    return matches == 1 ? std::move(found) : UniqueHandle();
}

CreatedInstance CreateBounded(const CLSID& clsid, const std::wstring& name,
                              const std::wstring& program, DWORD running,
                              std::chrono::milliseconds bound,
                              std::shared_ptr<DispatchIdCache> cache) {
    // A creation left waiting is let give up first.
    constexpr DWORD kAbandonedCreationWait = 45000;
    if (const std::shared_ptr<Creation> earlier = std::exchange(Abandoned(), nullptr)) {
        WaitAnswering(earlier->done.get(), kAbandonedCreationWait);
    }
    auto creation = std::make_shared<Creation>();
    creation->cache = std::move(cache);
    if (!creation->done || !creation->taken) ThrowLastError(L"Starting " + name);
    creation->clsid = clsid;
    creation->program = program;
    creation->running = running;
    ::GetSystemTimeAsFileTime(&creation->began);
    auto* parameter = new std::shared_ptr<Creation>(creation);
    const UniqueHandle thread(::CreateThread(nullptr, 0, CreationThread, parameter, 0, nullptr));
    if (!thread) {
        delete parameter;
        ThrowLastError(L"Starting " + name);
    }
    // However this ends, the thread may let go of what it holds and end.
    struct LetGo {
        Creation& creation;
        ~LetGo() { ::SetEvent(creation.taken.get()); }
    } letGo{*creation};

    if (!WaitAnswering(creation->done.get(), static_cast<DWORD>(bound.count()))) {
        Abandoned() = creation;
        const UniqueHandle started = ProcessStartedByCom(program, creation->began, running);
        if (!started) {
            throw Failure(OverdueText(name, bound, false));
        }
        ::TerminateProcess(started.get(), 1);
        ::WaitForSingleObject(started.get(), 5000);
        throw Failure(OverdueText(name, bound, true));
    }
    if (!creation->failure.empty()) throw Failure(creation->failure);
    CreatedInstance created;
    ThrowIfFailed(::CoUnmarshalInterface(creation->stream.get(), IID_IDispatch,
                                         created.application.put_void()),
                  L"Taking over " + name + L"'s new instance");
    creation->stream.reset();
    if (creation->documentStream) {
        ThrowIfFailed(::CoUnmarshalInterface(creation->documentStream.get(), IID_IDispatch,
                                             created.document.put_void()),
                      L"Taking over " + name + L"'s new publication");
        creation->documentStream.reset();
    }
    created.process = std::move(creation->process);
    return created;
}

}  // namespace kelbrook::win32
