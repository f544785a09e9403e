#include "core/win32/Dispatch.h"

#include <algorithm>

#include <functional>

#include "core/Failure.h"

namespace kelbrook::win32 {

namespace {

// The strings an EXCEPINFO holds, freed on every path.
struct ExcepInfo {
    EXCEPINFO info{};
    ExcepInfo() = default;
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() {
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrHelpFile);
    }
};

}  // namespace

ServerProcess::ServerProcess(UniqueHandle process, std::wstring name,
                             std::chrono::milliseconds bound, std::chrono::milliseconds longBound,
                             std::set<std::wstring> longMembers)
    : process_(std::move(process)),
      name_(std::move(name)),
      bound_(bound),
      longBound_(longBound),
      longMembers_(std::move(longMembers)),
      timer_(::CreateThreadpoolTimer(&ServerProcess::Expired, this, nullptr)) {
    if (timer_ == nullptr) ThrowLastError(L"Creating the timer of " + name_ + L"'s calls");
}

ServerProcess::~ServerProcess() {
    ::SetThreadpoolTimer(timer_, nullptr, 0, 0);
    ::WaitForThreadpoolTimerCallbacks(timer_, TRUE);
    ::CloseThreadpoolTimer(timer_);
}

void CALLBACK ServerProcess::Expired(PTP_CALLBACK_INSTANCE, void* self, PTP_TIMER) {
    auto* server = static_cast<ServerProcess*>(self);
    server->expired_ = true;
    ::TerminateProcess(server->process_.get(), 1);
}

std::wstring OverdueText(const std::wstring& name, std::chrono::milliseconds bound, bool ended) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(bound).count();
    return name + L" did not answer within " + std::to_wstring(seconds) +
           (seconds == 1 ? L" second" : L" seconds") +
           (ended ? L"; its instance was ended"
                  : L"; its new instance could not be told apart from other processes of " + name +
                        L", so none was ended");
}

HRESULT ServerProcess::Bounded(const std::wstring& member, const std::function<HRESULT()>& call) {
    if (!endedBy_.empty()) throw Failure(endedBy_);
    const std::chrono::milliseconds bound = longMembers_.count(member) ? longBound_ : bound_;
    // A relative due time: negative, in 100-nanosecond units.
    const LONGLONG due = -static_cast<LONGLONG>(bound.count()) * 10000;
    FILETIME dueTime{static_cast<DWORD>(due), static_cast<DWORD>(due >> 32)};
    expired_ = false;
    ::SetThreadpoolTimer(timer_, &dueTime, 0, 0);
    const HRESULT hr = call();
    ::SetThreadpoolTimer(timer_, nullptr, 0, 0);
    ::WaitForThreadpoolTimerCallbacks(timer_, TRUE);
    if (expired_) {
        endedBy_ = OverdueText(name_, bound, true);
        throw Failure(endedBy_, hr);
    }
    // A server that died answers before its process has quite gone: give it a moment, so that
    // Gone() tells the truth right after this call.
    if (IsGoneAnswer(hr)) ::WaitForSingleObject(process_.get(), 2000);
    return hr;
}

namespace {

// A process to end unless it has gone by the wait's timeout; frees itself once it has fired.
struct EndingWatch {
    UniqueHandle process;
    PTP_WAIT wait = nullptr;
};

void CALLBACK EndWhenOverdue(PTP_CALLBACK_INSTANCE, void* context, PTP_WAIT wait,
                             TP_WAIT_RESULT result) {
    const std::unique_ptr<EndingWatch> watch(static_cast<EndingWatch*>(context));
    if (result == WAIT_TIMEOUT) ::TerminateProcess(watch->process.get(), 1);
    ::CloseThreadpoolWait(wait);  // freed once this callback returns
}

}  // namespace

void ServerProcess::EndUnlessGoneWithin(std::chrono::milliseconds wait) {
    auto watch = std::make_unique<EndingWatch>();
    HANDLE duplicate = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), process_.get(), ::GetCurrentProcess(), &duplicate,
                           0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return;  // the process ends by itself, or the program's next wait for it ends it
    }
    watch->process.reset(duplicate);
    watch->wait = ::CreateThreadpoolWait(&EndWhenOverdue, watch.get(), nullptr);
    if (watch->wait == nullptr) return;
    const LONGLONG due = -static_cast<LONGLONG>(wait.count()) * 10000;
    FILETIME timeout{static_cast<DWORD>(due), static_cast<DWORD>(due >> 32)};
    ::SetThreadpoolWait(watch->wait, watch->process.get(), &timeout);
    watch.release();  // the callback's now
}

bool ServerProcess::Gone() {
    return !endedBy_.empty() || ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
}

void ServerProcess::End() {
    if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.get(), 1);
    }
}

bool ServerProcess::WaitUntilGone(std::chrono::milliseconds wait) {
    return ::WaitForSingleObject(process_.get(), static_cast<DWORD>(wait.count())) == WAIT_OBJECT_0;
}

const std::vector<DISPID>& DispatchIdCache::Lookup(IDispatch* object, const std::wstring& kind,
                                                   const std::vector<std::wstring>& names,
                                                   ServerProcess* server) {
    std::wstring key = kind;
    for (const std::wstring& name : names) key += L"." + name;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        auto found = ids_.find(key);
        if (found != ids_.end()) return found->second;
    }

    std::vector<LPOLESTR> raw;
    for (const std::wstring& name : names) raw.push_back(const_cast<LPOLESTR>(name.c_str()));
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    const auto lookup = [&] {
        return RetryWhileBusy([&] {
            return object->GetIDsOfNames(IID_NULL, raw.data(), static_cast<UINT>(raw.size()),
                                         LOCALE_USER_DEFAULT, ids.data());
        });
    };
    const HRESULT hr = server != nullptr ? server->Bounded(names.front(), lookup) : lookup();
    if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND) {
        throw Failure(L"Object doesn't support property or method '" + names.front() + L"'", hr);
    }
    ThrowIfFailed(hr, L"Looking up " + kind + L"." + names.front());
    const std::lock_guard<std::mutex> lock(mutex_);
    return ids_.emplace(std::move(key), std::move(ids)).first->second;
}

Variant IntegerArgument(int value) {
    Variant v;
    v.get()->vt = VT_I4;
    v.get()->lVal = value;
    return v;
}

Variant TextArgument(const std::wstring& text) {
    Variant v;
    v.SetString(text);
    return v;
}

Variant NumberArgument(double value) {
    Variant v;
    v.get()->vt = VT_R8;
    v.get()->dblVal = value;
    return v;
}

Variant ObjectArgument(IDispatch* object) {
    Variant v;
    v.get()->vt = VT_DISPATCH;
    v.get()->pdispVal = object;
    if (object != nullptr) object->AddRef();
    return v;
}

Variant BoolArgument(bool value) {
    Variant v;
    v.SetBool(value);
    return v;
}

DispatchObject::DispatchObject(ComPtr<IDispatch> object, std::wstring kind,
                               std::shared_ptr<DispatchIdCache> cache,
                               std::shared_ptr<ServerProcess> server)
    : object_(std::move(object)),
      kind_(std::move(kind)),
      cache_(std::move(cache)),
      server_(std::move(server)) {
    if (!object_) throw Failure(L"Object variable or With block variable not set");
    if (!cache_) cache_ = std::make_shared<DispatchIdCache>();
}

DispatchObject::~DispatchObject() {
    if (!object_) return;
    const CallTimer timer;
    object_.reset();
}

const std::vector<DISPID>& DispatchObject::Lookup(const std::vector<std::wstring>& names) {
    return cache_->Lookup(object_.get(), kind_, names, server_.get());
}

Variant DispatchObject::Invoke(DISPID id, const std::wstring& member, WORD flags,
                               std::vector<Variant>& arguments,
                               const std::vector<DISPID>& namedIds) {
    // IDispatch takes its arguments last to first; named ones come first in that order, and
    // rgdispidNamedArgs names them in the same order.
    std::vector<VARIANT> reversed;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(*it->get());
    std::vector<DISPID> named(namedIds.rbegin(), namedIds.rend());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(),
                      named.empty() ? nullptr : named.data(), static_cast<UINT>(reversed.size()),
                      static_cast<UINT>(named.size())};
    Variant result;
    ExcepInfo exception;
    const auto invoke = [&] {
        return RetryWhileBusy([&] {
            ::VariantClear(result.get());
            ::SysFreeString(std::exchange(exception.info.bstrSource, nullptr));
            ::SysFreeString(std::exchange(exception.info.bstrDescription, nullptr));
            ::SysFreeString(std::exchange(exception.info.bstrHelpFile, nullptr));
            UINT badArgument = 0;
            return object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.get(),
                                   &exception.info, &badArgument);
        });
    };
    const HRESULT hr = server_ ? server_->Bounded(member, invoke) : invoke();
    if (hr == DISP_E_EXCEPTION && exception.info.pfnDeferredFillIn != nullptr) {
        exception.info.pfnDeferredFillIn(&exception.info);
    }
    ThrowIfFailed(hr, kind_ + L"." + member, hr == DISP_E_EXCEPTION ? &exception.info : nullptr);
    return result;
}

Variant DispatchObject::Get(const std::wstring& member, std::vector<Variant> arguments) {
    const DISPID id = Lookup({member}).front();
    return Invoke(id, member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, arguments, {});
}

void DispatchObject::Call(const std::wstring& member, std::vector<Variant> arguments) {
    const DISPID id = Lookup({member}).front();
    Invoke(id, member, DISPATCH_METHOD, arguments, {});
}

void DispatchObject::CallNamed(const std::wstring& member, std::vector<NamedArgument> named) {
    std::vector<std::wstring> names{member};
    std::vector<Variant> arguments;
    for (NamedArgument& argument : named) {
        names.push_back(argument.first);
        arguments.push_back(std::move(argument.second));
    }
    const std::vector<DISPID> ids = Lookup(names);
    Invoke(ids[0], member, DISPATCH_METHOD, arguments,
           std::vector<DISPID>(ids.begin() + 1, ids.end()));
}

void DispatchObject::Put(const std::wstring& member, Variant value) {
    const DISPID id = Lookup({member}).front();
    std::vector<Variant> arguments;
    arguments.push_back(std::move(value));
    Invoke(id, member, DISPATCH_PROPERTYPUT, arguments, {DISPID_PROPERTYPUT});
}

void DispatchObject::PutRef(const std::wstring& member, Variant value) {
    const DISPID id = Lookup({member}).front();
    std::vector<Variant> arguments;
    arguments.push_back(std::move(value));
    Invoke(id, member, DISPATCH_PROPERTYPUTREF, arguments, {DISPID_PROPERTYPUT});
}

Variant DispatchObject::GetById(DISPID id, const std::wstring& member) {
    std::vector<Variant> none;
    return Invoke(id, member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none, {});
}

DispatchObject DispatchObject::Object(const std::wstring& member, const std::wstring& kind,
                                      std::vector<Variant> arguments) {
    Variant value = Get(member, std::move(arguments));
    ComPtr<IDispatch> object;
    if (value.get()->vt == VT_DISPATCH && value.get()->pdispVal != nullptr) {
        value.get()->pdispVal->QueryInterface(IID_IDispatch, object.put_void());
    } else if (value.get()->vt == VT_UNKNOWN && value.get()->punkVal != nullptr) {
        value.get()->punkVal->QueryInterface(IID_IDispatch, object.put_void());
    }
    if (!object) throw Failure(kind_ + L"." + member + L": Object required");
    return DispatchObject(std::move(object), kind, cache_, server_);
}

std::wstring DispatchObject::Text(const std::wstring& member) {
    Variant value = Get(member);
    ThrowIfFailed(::VariantChangeType(value.get(), value.get(), 0, VT_BSTR),
                  kind_ + L"." + member + L": Type mismatch");
    const BSTR text = value.get()->bstrVal;
    return text != nullptr ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
}

int DispatchObject::Integer(const std::wstring& member) {
    Variant value = Get(member);
    ThrowIfFailed(::VariantChangeType(value.get(), value.get(), 0, VT_I4),
                  kind_ + L"." + member + L": Type mismatch");
    return static_cast<int>(value.get()->lVal);
}

double DispatchObject::Number(const std::wstring& member) {
    Variant value = Get(member);
    ThrowIfFailed(::VariantChangeType(value.get(), value.get(), 0, VT_R8),
                  kind_ + L"." + member + L": Type mismatch");
    return value.get()->dblVal;
}

bool DispatchObject::Boolean(const std::wstring& member) {
    Variant value = Get(member);
    ThrowIfFailed(::VariantChangeType(value.get(), value.get(), 0, VT_BOOL),
                  kind_ + L"." + member + L": Type mismatch");
    return value.get()->boolVal != VARIANT_FALSE;
}

DispatchObject CreateDispatchObject(const std::wstring& progId, DWORD context) {
    CLSID clsid{};
    ThrowIfFailed(::CLSIDFromProgID(progId.c_str(), &clsid), progId);
    ComPtr<IDispatch> object;
    ThrowIfFailed(::CoCreateInstance(clsid, nullptr, context, IID_IDispatch, object.put_void()),
                  progId);
    return DispatchObject(std::move(object), progId, nullptr);
}

}  // namespace kelbrook::win32
