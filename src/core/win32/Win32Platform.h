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
    explicit Win32Processes(const SingleInstance& instance) : instance_(instance) {}
    bool AnotherInstanceRunning() override { return instance_.AnotherInstanceRunning(); }
    std::wstring ProgramFolder() override;
    std::optional<std::wstring> Environment(const std::wstring& name) override;
    void Start(const std::wstring& commandLine, ShowState show) override;

    static std::wstring ExecutablePath();

  private:
    const SingleInstance& instance_;
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
};

}  // namespace kelbrook::win32
