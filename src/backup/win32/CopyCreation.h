// A copy instance of Publisher created with a bound on the creation and its first call: a
// Publisher that shows a first-run, activation or catalog screen in an instance nobody sees
// never answers, and the program must not wait for it for ever.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <string>

#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

class DispatchIdCache;

// A new instance: its Application in the calling thread's apartment, and its process.
struct CreatedInstance {
    ComPtr<IDispatch> application;
    UniqueHandle process;
    // The publication NewDocument made while the instance was created (one that started
    // without a publication), kept as NewDocument gave it; null when it made none.
    ComPtr<IDispatch> document;
};

// The process of a local server that COM started for a creation that began at `began`: its
// program is `program`, it started since then, its command line carries COM's switch
// (-Embedding or /Automation, either switch character), and it is not `excluded` (the
// Publisher the user works in). Nothing when no process fits, or more than one does: then it
// cannot be told which one this creation started.
UniqueHandle ProcessStartedByCom(const std::wstring& program, const FILETIME& began,
                                 DWORD excluded);

// True when a command line carries COM's switch for a server it starts.
bool HasComSwitch(const std::wstring& commandLine);

// Creates an instance of the class's local server and asks it for its window's process
// (ActiveWindow.Hwnd; an instance that COM started for this creation and that has no active
// window makes a blank publication first), on a thread of its own, while this thread waits up
// to `bound` answering sent messages. Past the bound, the process started for this creation (see
// ProcessStartedByCom; `program` is the registered server's, `running` the user's
// Publisher's process id) is ended and it raises "<name> did not answer within N seconds;
// its instance was ended"; when no such process can be told, it raises without ending any,
// and waits no longer. Raises too when the instance runs in a process that was already
// running.
CreatedInstance CreateBounded(const CLSID& clsid, const std::wstring& name,
                              const std::wstring& program, DWORD running,
                              std::chrono::milliseconds bound,
                              std::shared_ptr<DispatchIdCache> cache);

}  // namespace kelbrook::win32
