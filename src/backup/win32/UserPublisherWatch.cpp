#include "backup/win32/UserPublisherWatch.h"

#include <map>
#include <utility>

namespace kelbrook::win32 {

namespace {

constexpr UINT kProcessEnded = WM_APP + 41;
constexpr wchar_t kWindowClass[] = L"KelbrookPublisherWatch";

// The watching thread's message-only window and the callbacks it holds, by token. A token
// whose watch has gone is no longer here, so a message posted just before finds nothing.
struct Watches {
    HWND window = nullptr;
    DWORD thread = 0;
    std::uintptr_t last = 0;
    std::map<std::uintptr_t, std::function<void()>> pending;

    ~Watches() {
        if (window != nullptr && ::GetCurrentThreadId() == thread) ::DestroyWindow(window);
    }
};

Watches& TheWatches() {
    static Watches watches;
    return watches;
}

LRESULT CALLBACK WatchProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kProcessEnded) return ::DefWindowProcW(window, message, wParam, lParam);
    Watches& watches = TheWatches();
    const auto entry = watches.pending.find(static_cast<std::uintptr_t>(wParam));
    if (entry == watches.pending.end()) return 0;
    std::function<void()> ended = std::move(entry->second);
    watches.pending.erase(entry);
    try {
        ended();
    } catch (...) {
        // The callback reports its own failures; nothing crosses into Windows.
    }
    return 0;
}

HWND WatchWindow() {
    Watches& watches = TheWatches();
    if (watches.window != nullptr) return watches.window;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &WatchProcedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassExW(&windowClass);  // fails harmlessly when the class exists
    watches.window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       windowClass.hInstance, nullptr);
    if (watches.window == nullptr) ThrowLastError(L"Creating the window that watches Publisher");
    watches.thread = ::GetCurrentThreadId();
    return watches.window;
}

// On the system's wait thread: tells the watching thread's window.
void CALLBACK Ended(void* context, BOOLEAN) {
    const auto* posted = static_cast<std::pair<HWND, std::uintptr_t>*>(context);
    ::PostMessageW(posted->first, kProcessEnded, posted->second, 0);
}

}  // namespace

ComUserProcess::ComUserProcess(UniqueHandle process) : process_(std::move(process)) {}

ComUserProcess::~ComUserProcess() {
    StopWatching();
}

bool ComUserProcess::EndedWithin(int milliseconds) {
    return ::WaitForSingleObject(process_.get(), static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
}

std::optional<std::uint32_t> ComUserProcess::ExitCode() {
    DWORD code = 0;
    if (!EndedWithin(0) || !::GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return code;
}

void ComUserProcess::WhenEnded(std::function<void()> ended) {
    StopWatching();
    const HWND window = WatchWindow();
    Watches& watches = TheWatches();
    token_ = ++watches.last;
    watches.pending[token_] = std::move(ended);
    posted_ = {window, token_};
    if (!::RegisterWaitForSingleObject(&wait_, process_.get(), &Ended, &posted_, INFINITE,
                                       WT_EXECUTEONLYONCE)) {
        wait_ = nullptr;
        StopWatching();
        ThrowLastError(L"Watching Publisher's process");
    }
}

// The wait is unregistered, and a callback under way finished, before anything it uses goes.
void ComUserProcess::StopWatching() {
    if (wait_ != nullptr) ::UnregisterWaitEx(std::exchange(wait_, nullptr), INVALID_HANDLE_VALUE);
    if (token_ != 0) TheWatches().pending.erase(std::exchange(token_, 0));
}

}  // namespace kelbrook::win32
