// Automation objects called by member name through IDispatch: property reads and method
// calls with positional or one named argument, DISPIDs looked up once per object kind and
// member, and calls that a busy server rejects retried for a while before they fail.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

// How long a call that the server rejects as busy is tried again before it counts as failed.
inline constexpr std::chrono::milliseconds kBusyRetryTime{30000};

// True for the answers of a server that is busy and may take the call later.
bool IsBusyAnswer(HRESULT hr);

// Runs a cross-process call again while the server answers busy, up to kBusyRetryTime.
HRESULT RetryWhileBusy(const std::function<HRESULT()>& call);

// The DISPIDs of the members of each object kind, shared by every object of one server
// (its type never changes while the program runs).
class DispatchIdCache {
  public:
    // The DISPIDs of `names` (the member, then the names of its named arguments) on this
    // object; asks the object only the first time for this kind and these names.
    const std::vector<DISPID>& Lookup(IDispatch* object, const std::wstring& kind,
                                      const std::vector<std::wstring>& names);

  private:
    std::map<std::wstring, std::vector<DISPID>> ids_;
};

Variant IntegerArgument(int value);
Variant TextArgument(const std::wstring& text);
Variant BoolArgument(bool value);

class DispatchObject {
  public:
    DispatchObject(ComPtr<IDispatch> object, std::wstring kind,
                   std::shared_ptr<DispatchIdCache> cache);

    // A property read (or a method with a result), arguments in their natural order.
    Variant Get(const std::wstring& member, std::vector<Variant> arguments = {});
    // A method call whose result is dropped.
    void Call(const std::wstring& member, std::vector<Variant> arguments = {});
    // A method call with one named argument.
    void CallNamed(const std::wstring& member, const std::wstring& argumentName, Variant argument);
    // A member by DISPID (DISPID_NEWENUM, say), read as a property or method.
    Variant GetById(DISPID id, const std::wstring& member);

    // The object a member gives, of the named kind; raises when it gives no object.
    DispatchObject Object(const std::wstring& member, const std::wstring& kind,
                          std::vector<Variant> arguments = {});
    std::wstring Text(const std::wstring& member);
    int Integer(const std::wstring& member);

    IDispatch* get() const { return object_.get(); }
    const std::wstring& kind() const { return kind_; }
    const std::shared_ptr<DispatchIdCache>& cache() const { return cache_; }

  private:
    Variant Invoke(DISPID id, const std::wstring& member, WORD flags,
                   std::vector<Variant>& arguments, const DISPID* namedId);

    ComPtr<IDispatch> object_;
    std::wstring kind_;
    std::shared_ptr<DispatchIdCache> cache_;
};

// Creates an automation object by its ProgID (in-process or local server).
DispatchObject CreateDispatchObject(const std::wstring& progId, DWORD context);

}  // namespace kelbrook::win32
