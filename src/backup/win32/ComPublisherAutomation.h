// Publisher through COM automation ("Publisher.Application"): every member called by name
// through IDispatch, DISPIDs cached per object kind and member for the program's lifetime.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <chrono>
#include <memory>

#include "backup/PublisherAutomation.h"

namespace kelbrook::win32 {

class DispatchIdCache;

// The longest a call into a copy instance may take before the instance is ended, unless the
// settings say otherwise; SaveAs, which may write a large publication to a slow network
// folder, gets kSaveAsBoundFactor times as long.
inline constexpr std::chrono::seconds kDefaultCallBound{60};
inline constexpr int kSaveAsBoundFactor = 10;

class ComPublisherAutomation : public PublisherAutomation {
  public:
    explicit ComPublisherAutomation(std::chrono::seconds callBound = kDefaultCallBound);
    bool IsInstalled() override;
    std::unique_ptr<PublisherApplication> AttachRunning() override;
    // The copy's process is the one that owns its window (ActiveWindow.Hwnd), and must have
    // started during the creation: the Publisher the user works in is never bounded or ended.
    // The creation and that first call are bounded too (CreateBounded).
    std::unique_ptr<PublisherApplication> CreateInstance() override;
    std::unique_ptr<PublisherImpatience> Impatient() override;

  private:
    std::shared_ptr<DispatchIdCache> cache_;
    std::chrono::seconds callBound_;
    DWORD runningProcess_ = 0;  // the user's Publisher's, once attached
};

// The thread's OLE message filter while it lives: a call that Publisher rejects because it
// is busy is tried again, silently, for up to 30 seconds before it fails.
class BusyServerFilter : public IMessageFilter {
  public:
    BusyServerFilter();
    BusyServerFilter(const BusyServerFilter&) = delete;
    BusyServerFilter& operator=(const BusyServerFilter&) = delete;
    virtual ~BusyServerFilter();

    // IUnknown: the filter lives on the stack of the thread that registered it.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // IMessageFilter
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD rejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override;

  private:
    IMessageFilter* previous_ = nullptr;
    bool registered_ = false;
};

}  // namespace kelbrook::win32
