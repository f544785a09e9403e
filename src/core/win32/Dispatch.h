// Automation objects called by member name through IDispatch: property reads and method
// calls with positional or one named argument, DISPIDs looked up once per object kind and
// member, and calls that a busy server rejects retried for a while before they fail.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

// How long a call that the server rejects as busy is tried again before it counts as failed.
inline constexpr std::chrono::milliseconds kBusyRetryTime{30000};

// True for the answers of a server that is busy and may take the call later.
bool IsBusyAnswer(HRESULT hr);
// True for the answers of a call whose server has gone (crashed, ended, disconnected).
bool IsGoneAnswer(HRESULT hr);

// The time this process has spent inside calls to automation servers (member lookups and
// invokes, busy retries included): the total and the longest single call. Read by the
// benchmarks; costs two clock readings a call.
struct DispatchCallTime {
    std::chrono::steady_clock::duration total{};
    std::chrono::steady_clock::duration longest{};
};
DispatchCallTime& CallTime();

// Adds the time from its construction to its destruction to CallTime(); a timer started while
// another runs (on any thread: a creation's first call, say) adds nothing of its own.
class CallTimer {
  public:
    CallTimer();
    CallTimer(const CallTimer&) = delete;
    CallTimer& operator=(const CallTimer&) = delete;
    ~CallTimer();

  private:
    std::chrono::steady_clock::time_point start_;
    bool outermost_ = false;
};

// Runs a cross-process call again while the server answers busy, up to kBusyRetryTime.
// BusyServerFilter asks COM to retry such a call on Windows; Wine never consults the caller's
// message filter and hands RPC_E_CALL_REJECTED straight back, so the retry is made here too.
HRESULT RetryWhileBusy(const std::function<HRESULT()>& call);

// While one lives on this thread, a call the server answers busy fails at once instead of
// being tried again (by RetryWhileBusy and by the thread's message filter).
class ImpatientCalls {
  public:
    ImpatientCalls();
    ~ImpatientCalls();
    ImpatientCalls(const ImpatientCalls&) = delete;
    ImpatientCalls& operator=(const ImpatientCalls&) = delete;
};
// False while an ImpatientCalls lives on this thread.
bool BusyAnswersWaitedOut();

// "<name> did not answer within N seconds; its instance was ended" (or, when `ended` is false,
// that it was left running since it could not be told from the others).
std::wstring OverdueText(const std::wstring& name, std::chrono::milliseconds bound, bool ended);

// The process of an automation server this program started, and how long a call into it may
// take. A call that runs past its bound ends the process, so that the call returns (failed)
// instead of holding the program for ever; the bound is measured by a thread-pool timer,
// since the calling thread waits inside COM until the call returns.
class ServerProcess {
  public:
    // `name` names the server in descriptions ("Publisher"); calls of `longMembers` (SaveAs,
    // say) get `longBound` instead of `bound`.
    ServerProcess(UniqueHandle process, std::wstring name, std::chrono::milliseconds bound,
                  std::chrono::milliseconds longBound, std::set<std::wstring> longMembers);
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess();

    // Runs one call into the server under the bound of `member`. Raises, without calling,
    // once the process has been ended for a call that ran past its bound, and raises "<name>
    // did not answer within N seconds" when this call did.
    HRESULT Bounded(const std::wstring& member, const std::function<HRESULT()>& call);
    // Ends the process now (a no-op once it has ended).
    void End();
    // True once the process has ended, waiting for it up to `wait`.
    bool WaitUntilGone(std::chrono::milliseconds wait);
    // True once the process has ended or was ended for an overdue call; waits for nothing.
    bool Gone();
    // Returns at once; a thread-pool wait ends the process unless it has gone within `wait`.
    // The wait holds a handle of its own, so it outlives this object.
    void EndUnlessGoneWithin(std::chrono::milliseconds wait);

  private:
    static void CALLBACK Expired(PTP_CALLBACK_INSTANCE, void* self, PTP_TIMER);

    UniqueHandle process_;
    std::wstring name_;
    std::chrono::milliseconds bound_, longBound_;
    std::set<std::wstring> longMembers_;
    PTP_TIMER timer_ = nullptr;
    std::atomic<bool> expired_{false};  // set by the timer's thread
    std::wstring endedBy_;              // why the process was ended for an overdue call
};

// The DISPIDs of the members of each object kind, shared by every object of one server
// (its type never changes while the program runs). A copy's creation asks from a thread of
// its own: the cache is locked, but never while the server is asked.
class DispatchIdCache {
  public:
    // The DISPIDs of `names` (the member, then the names of its named arguments) on this
    // object; asks the object only the first time for this kind and these names.
    const std::vector<DISPID>& Lookup(IDispatch* object, const std::wstring& kind,
                                      const std::vector<std::wstring>& names,
                                      ServerProcess* server = nullptr);

  private:
    std::mutex mutex_;
    std::map<std::wstring, std::vector<DISPID>> ids_;  // nodes stay put: references hold
};

Variant IntegerArgument(int value);
Variant TextArgument(const std::wstring& text);
Variant BoolArgument(bool value);
Variant NumberArgument(double value);
// An object as an argument (a property put of an object, say); the VARIANT holds a reference.
Variant ObjectArgument(IDispatch* object);

// One named argument of a call: its parameter name and its value.
using NamedArgument = std::pair<std::wstring, Variant>;

class DispatchObject {
  public:
    // With a server process, every call of this object and of the objects it gives is bounded.
    DispatchObject(ComPtr<IDispatch> object, std::wstring kind,
                   std::shared_ptr<DispatchIdCache> cache,
                   std::shared_ptr<ServerProcess> server = nullptr);
    DispatchObject(const DispatchObject&) = default;
    DispatchObject(DispatchObject&&) noexcept = default;
    DispatchObject& operator=(const DispatchObject&) = default;
    DispatchObject& operator=(DispatchObject&&) noexcept = default;
    // The last release of a proxy is a call into the server too: it counts in CallTime().
    ~DispatchObject();

    // A property read (or a method with a result), arguments in their natural order.
    Variant Get(const std::wstring& member, std::vector<Variant> arguments = {});
    // A method call whose result is dropped.
    void Call(const std::wstring& member, std::vector<Variant> arguments = {});
    // A method call with named arguments.
    void CallNamed(const std::wstring& member, std::vector<NamedArgument> arguments);
    // A property write (DISPATCH_PROPERTYPUT, the value as the DISPID_PROPERTYPUT argument).
    void Put(const std::wstring& member, Variant value);
    // A property write by reference (DISPATCH_PROPERTYPUTREF), as Visual Basic's Set.
    void PutRef(const std::wstring& member, Variant value);
    // A member by DISPID (DISPID_NEWENUM, say), read as a property or method.
    Variant GetById(DISPID id, const std::wstring& member);

    // The object a member gives, of the named kind; raises when it gives no object.
    DispatchObject Object(const std::wstring& member, const std::wstring& kind,
                          std::vector<Variant> arguments = {});
    std::wstring Text(const std::wstring& member);
    int Integer(const std::wstring& member);
    double Number(const std::wstring& member);
    bool Boolean(const std::wstring& member);

    IDispatch* get() const { return object_.get(); }
    const std::shared_ptr<DispatchIdCache>& cache() const { return cache_; }
    const std::shared_ptr<ServerProcess>& server() const { return server_; }

  private:
    // Arguments in their natural order; the last namedIds.size() of them are named.
    Variant Invoke(DISPID id, const std::wstring& member, WORD flags,
                   std::vector<Variant>& arguments, const std::vector<DISPID>& namedIds);
    const std::vector<DISPID>& Lookup(const std::vector<std::wstring>& names);

    ComPtr<IDispatch> object_;
    std::wstring kind_;
    std::shared_ptr<DispatchIdCache> cache_;
    std::shared_ptr<ServerProcess> server_;
};

// Creates an automation object by its ProgID (in-process or local server).
DispatchObject CreateDispatchObject(const std::wstring& progId, DWORD context);

}  // namespace kelbrook::win32
