// The process of the Publisher the user works in, watched without a thread of the program's
// own: the system's wait thread tells a hidden message-only window of the watching thread when
// the process ends, and the window's procedure calls back on that thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "backup/PublisherAutomation.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

class ComUserProcess : public UserPublisherProcess {
  public:
    // A process handle opened with SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION.
    explicit ComUserProcess(UniqueHandle process);
    ~ComUserProcess() override;
    ComUserProcess(const ComUserProcess&) = delete;
    ComUserProcess& operator=(const ComUserProcess&) = delete;

    bool EndedWithin(int milliseconds) override;
    std::optional<std::uint32_t> ExitCode() override;
    void WhenEnded(std::function<void()> ended) override;

  private:
    void StopWatching();

    UniqueHandle process_;
    HANDLE wait_ = nullptr;     // the registered wait, unregistered (and waited for) on every path
    std::uintptr_t token_ = 0;  // this watch's entry with the window: 0 when none
    std::pair<HWND, std::uintptr_t> posted_{};  // what the wait's callback posts, and where
};

}  // namespace kelbrook::win32
