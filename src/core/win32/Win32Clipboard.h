// The system clipboard: a snapshot of every format it holds, and putting it back.
#pragma once

#include <windows.h>

#include "core/Platform.h"

namespace kelbrook::win32 {

class Win32Clipboard : public Clipboard {
  public:
    // The window that owns what the program puts back on the clipboard.
    void SetOwner(HWND owner) { owner_ = owner; }
    std::unique_ptr<ClipboardSnapshot> TakeSnapshot() override;
    bool WaitUntilFree() override;

  private:
    HWND owner_ = nullptr;
};

// How long the program waits for a clipboard that another program holds (a clipboard viewer,
// a remote-desktop client, a password manager).
inline constexpr DWORD kClipboardPatienceMs = 5000;

// The clipboard opened for the calling thread while the object lives; waits up to
// kClipboardPatienceMs while another program holds it, then raises. An owner window that is
// gone (the main window closing during a run) is replaced by none.
class ClipboardOpening {
  public:
    explicit ClipboardOpening(HWND owner);
    ClipboardOpening(const ClipboardOpening&) = delete;
    ClipboardOpening& operator=(const ClipboardOpening&) = delete;
    ~ClipboardOpening() { ::CloseClipboard(); }
};

}  // namespace kelbrook::win32
