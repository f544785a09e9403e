#include "core/win32/Dispatch.h"

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

bool IsBusyAnswer(HRESULT hr) {
    return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER;
}

HRESULT RetryWhileBusy(const std::function<HRESULT()>& call) {
    const auto deadline = std::chrono::steady_clock::now() + kBusyRetryTime;
    for (;;) {
        const HRESULT hr = call();
        if (!IsBusyAnswer(hr) || std::chrono::steady_clock::now() >= deadline) return hr;
        // The server is busy (Publisher with a dialog open, say): ask again shortly.
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, 0);
    }
}

const std::vector<DISPID>& DispatchIdCache::Lookup(IDispatch* object, const std::wstring& kind,
                                                   const std::vector<std::wstring>& names) {
    std::wstring key = kind;
    for (const std::wstring& name : names) key += L"." + name;
    auto found = ids_.find(key);
    if (found != ids_.end()) return found->second;

    std::vector<LPOLESTR> raw;
    for (const std::wstring& name : names) raw.push_back(const_cast<LPOLESTR>(name.c_str()));
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    const HRESULT hr = RetryWhileBusy([&] {
        return object->GetIDsOfNames(IID_NULL, raw.data(), static_cast<UINT>(raw.size()),
                                     LOCALE_USER_DEFAULT, ids.data());
    });
    if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND) {
        throw Failure(L"Object doesn't support property or method '" + names.front() + L"'", hr);
    }
    ThrowIfFailed(hr, L"Looking up " + kind + L"." + names.front());
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

Variant BoolArgument(bool value) {
    Variant v;
    v.SetBool(value);
    return v;
}

DispatchObject::DispatchObject(ComPtr<IDispatch> object, std::wstring kind,
                               std::shared_ptr<DispatchIdCache> cache)
    : object_(std::move(object)), kind_(std::move(kind)), cache_(std::move(cache)) {
    if (!object_) throw Failure(L"Object variable or With block variable not set");
    if (!cache_) cache_ = std::make_shared<DispatchIdCache>();
}

Variant DispatchObject::Invoke(DISPID id, const std::wstring& member, WORD flags,
                               std::vector<Variant>& arguments, const DISPID* namedId) {
    // IDispatch takes its arguments last to first.
    std::vector<VARIANT> reversed;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(*it->get());
    DISPID named = namedId != nullptr ? *namedId : DISPID_UNKNOWN;
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(),
                      namedId != nullptr ? &named : nullptr, static_cast<UINT>(reversed.size()),
                      namedId != nullptr ? 1u : 0u};
    Variant result;
    ExcepInfo exception;
    const HRESULT hr = RetryWhileBusy([&] {
        ::VariantClear(result.get());
        ::SysFreeString(std::exchange(exception.info.bstrSource, nullptr));
        ::SysFreeString(std::exchange(exception.info.bstrDescription, nullptr));
        ::SysFreeString(std::exchange(exception.info.bstrHelpFile, nullptr));
        UINT badArgument = 0;
        return object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.get(),
                               &exception.info, &badArgument);
    });
    if (hr == DISP_E_EXCEPTION && exception.info.pfnDeferredFillIn != nullptr) {
        exception.info.pfnDeferredFillIn(&exception.info);
    }
    ThrowIfFailed(hr, kind_ + L"." + member, hr == DISP_E_EXCEPTION ? &exception.info : nullptr);
    return result;
}

Variant DispatchObject::Get(const std::wstring& member, std::vector<Variant> arguments) {
    const DISPID id = cache_->Lookup(object_.get(), kind_, {member}).front();
    return Invoke(id, member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, arguments, nullptr);
}

void DispatchObject::Call(const std::wstring& member, std::vector<Variant> arguments) {
    const DISPID id = cache_->Lookup(object_.get(), kind_, {member}).front();
    Invoke(id, member, DISPATCH_METHOD, arguments, nullptr);
}

void DispatchObject::CallNamed(const std::wstring& member, const std::wstring& argumentName,
                               Variant argument) {
    const std::vector<DISPID> ids = cache_->Lookup(object_.get(), kind_, {member, argumentName});
    std::vector<Variant> arguments;
    arguments.push_back(std::move(argument));
    Invoke(ids[0], member, DISPATCH_METHOD, arguments, &ids[1]);
}

Variant DispatchObject::GetById(DISPID id, const std::wstring& member) {
    std::vector<Variant> none;
    return Invoke(id, member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none, nullptr);
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
    return DispatchObject(std::move(object), kind, cache_);
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

DispatchObject CreateDispatchObject(const std::wstring& progId, DWORD context) {
    CLSID clsid{};
    ThrowIfFailed(::CLSIDFromProgID(progId.c_str(), &clsid), progId);
    ComPtr<IDispatch> object;
    ThrowIfFailed(::CoCreateInstance(clsid, nullptr, context, IID_IDispatch, object.put_void()),
                  progId);
    return DispatchObject(std::move(object), progId, nullptr);
}

}  // namespace kelbrook::win32
