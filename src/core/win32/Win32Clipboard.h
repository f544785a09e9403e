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

  private:
    HWND owner_ = nullptr;
};

// The clipboard opened for the calling thread while the object lives; waits a little while
// another program holds it, then raises.
class ClipboardOpening {
  public:
    explicit ClipboardOpening(HWND owner);
    ClipboardOpening(const ClipboardOpening&) = delete;
    ClipboardOpening& operator=(const ClipboardOpening&) = delete;
    ~ClipboardOpening() { ::CloseClipboard(); }
};

}  // namespace kelbrook::win32
