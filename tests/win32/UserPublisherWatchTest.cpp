// The user's Publisher's process, watched without a thread of the program's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>

#include "backup/win32/UserPublisherWatch.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {
namespace {

// A process that runs only when resumed: "cmd /c exit 3", suspended at its start.
struct SuspendedProcess {
    UniqueHandle process, thread;
    DWORD id = 0;
    SuspendedProcess() {
        std::wstring command = L"cmd.exe /c exit 3";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                             CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                             &info)) {
            process.reset(info.hProcess);
            thread.reset(info.hThread);
            id = info.dwProcessId;
        }
    }
    // The handle the program opens: enough to wait on it and read its exit code, no more.
    UniqueHandle Watchable() const {
        return UniqueHandle(
            ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    }
};

// Lets the thread's messages be handled until `done` holds or ten seconds have passed.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done() && std::chrono::steady_clock::now() < end) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return done();
}

TEST(UserPublisherWatch, TellsTheWatchingThreadOnceWhenTheProcessEndsWithItsExitCode) {
    SuspendedProcess child;
    ASSERT_TRUE(child.process);
    ComUserProcess watched(child.Watchable());
    int calls = 0;
    DWORD thread = 0;
    watched.WhenEnded([&] {
        ++calls;
        thread = ::GetCurrentThreadId();
    });
    EXPECT_FALSE(watched.EndedWithin(0));
    EXPECT_EQ(watched.ExitCode(), std::nullopt);
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(calls, 0) << "told before the process ended";

    ASSERT_NE(::ResumeThread(child.thread.get()), static_cast<DWORD>(-1));
    ASSERT_TRUE(PumpUntil([&] { return calls > 0; }));
    EXPECT_EQ(thread, ::GetCurrentThreadId());
    EXPECT_TRUE(watched.EndedWithin(0));
    EXPECT_EQ(watched.ExitCode(), std::optional<std::uint32_t>(3));
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(calls, 1);
}

TEST(UserPublisherWatch, AWatchThatHasGoneIsNeverCalled) {
    SuspendedProcess child;
    ASSERT_TRUE(child.process);
    bool called = false;
    {
        ComUserProcess watched(child.Watchable());
        watched.WhenEnded([&] { called = true; });
    }
    ASSERT_TRUE(::TerminateProcess(child.process.get(), 7));
    ASSERT_EQ(::WaitForSingleObject(child.process.get(), 10000), WAIT_OBJECT_0);
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_FALSE(called);

    // Watched again after a first watch: only the last is called.
    SuspendedProcess second;
    ASSERT_TRUE(second.process);
    ComUserProcess watched(second.Watchable());
    int first = 0, last = 0;
    watched.WhenEnded([&] { ++first; });
    watched.WhenEnded([&] { ++last; });
    ASSERT_TRUE(::TerminateProcess(second.process.get(), 1));
    ASSERT_TRUE(PumpUntil([&] { return last > 0; }));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(watched.ExitCode(), std::optional<std::uint32_t>(1));
}

}  // namespace
}  // namespace kelbrook::win32
