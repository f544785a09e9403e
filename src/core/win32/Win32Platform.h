// Processes, the shell's special folders and the message pump of the real machine.
#pragma once

#include <windows.h>

#include "core/Platform.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

inline constexpr wchar_t kSingleInstanceMutex[] = L"Tarnwick.Kelbrook.SingleInstance";

// Holds the program's named mutex from construction (the first thing the program does).
class SingleInstance {
  public:
    SingleInstance();
    bool AnotherInstanceRunning() const { return anotherInstance_; }

  private:
    UniqueHandle mutex_;
    bool anotherInstance_ = false;
};

class Win32Processes : public Processes {
  public:
    std::wstring ProgramFolder() override;
    std::wstring ExecutablePath() override { return ModulePath(); }
    std::optional<std::wstring> Environment(const std::wstring& name) override;
    void Start(const std::wstring& commandLine, ShowState show) override;

    // The path of the running program's executable (GetModuleFileNameW).
    static std::wstring ModulePath();
};

class Win32ShellFolders : public ShellFolders {
  public:
    std::wstring SpecialFolderPath(int csidl) override;
};

class Win32DebugOutput : public DebugOutput {
  public:
    void Write(const std::wstring& text) override { ::OutputDebugStringW(text.c_str()); }
};

class Win32MessagePump : public MessagePump {
  public:
    void ProcessPending() override;
    std::int64_t NowMilliseconds() override {
        return static_cast<std::int64_t>(::GetTickCount64());
    }
    void WaitForMessages(int milliseconds) override {
        ::MsgWaitForMultipleObjectsEx(0, nullptr,
                                      static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds),
                                      QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
};

}  // namespace kelbrook::win32
