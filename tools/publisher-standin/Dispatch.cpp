#include "Dispatch.h"

#include "Owners.h"
#include "Server.h"

namespace standin {
namespace {

bool SameName(std::wstring_view a, const wchar_t* b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

const Member* FindMember(std::span<const Member> members, DISPID id) {
    for (const Member& member : members) {
        if (member.id == id) return &member;
    }
    return nullptr;
}

std::wstring Qualified(std::wstring_view kind, const Member& member) {
    return std::wstring(kind) + L"." + std::wstring(member.name);
}

}  // namespace

Arguments::Arguments(const DISPPARAMS& params, const Member& member) : member_(member) {
    UINT declared = 0;
    while (declared < member.parameters.size() && !member.parameters[declared].empty()) ++declared;
    if (params.cArgs > declared) {
        throw CallFailure{DISP_E_BADPARAMCOUNT, L"", 0};
    }
    const UINT positional = params.cArgs - params.cNamedArgs;
    for (UINT i = 0; i < positional; ++i) values_[i] = &params.rgvarg[params.cArgs - 1 - i];
    for (UINT i = 0; i < params.cNamedArgs; ++i) {
        const DISPID id = params.rgdispidNamedArgs[i];
        if (id < 0 || static_cast<UINT>(id) >= declared || values_[id]) {
            throw CallFailure{DISP_E_PARAMNOTFOUND, L"", i};
        }
        values_[id] = &params.rgvarg[i];
    }
}

const VARIANT* Arguments::At(UINT position) const {
    const VARIANT* value = position < values_.size() ? values_[position] : nullptr;
    if (value && V_VT(value) == (VT_BYREF | VT_VARIANT)) value = V_VARIANTREF(value);
    // Script clients pass an omitted optional argument as this error value.
    if (value && V_VT(value) == VT_ERROR && V_ERROR(value) == DISP_E_PARAMNOTFOUND) return nullptr;
    if (value && V_VT(value) == VT_EMPTY) return nullptr;
    return value;
}

bool Arguments::Has(UINT position) const {
    return At(position) != nullptr;
}

void Arguments::Coerced(UINT position, VARTYPE type, VARIANT* out) const {
    const VARIANT* value = At(position);
    if (!value) throw CallFailure{DISP_E_PARAMNOTFOUND, L"", position};
    if (FAILED(VariantChangeType(out, const_cast<VARIANT*>(value), 0, type))) {
        throw CallFailure{DISP_E_TYPEMISMATCH, L"", position};
    }
}

long Arguments::Long(UINT position) const {
    Variant value;
    Coerced(position, VT_I4, value.get());
    return V_I4(value.get());
}

double Arguments::Number(UINT position) const {
    Variant value;
    Coerced(position, VT_R8, value.get());
    return V_R8(value.get());
}

std::optional<long> Arguments::OptionalLong(UINT position) const {
    if (!Has(position)) return std::nullopt;
    return Long(position);
}

std::wstring Arguments::String(UINT position) const {
    Variant value;
    Coerced(position, VT_BSTR, value.get());
    const BSTR text = V_BSTR(value.get());
    return std::wstring(text ? text : L"", text ? SysStringLen(text) : 0);
}

std::optional<std::wstring> Arguments::Text(UINT position) const {
    const VARIANT* value = At(position);
    if (!value || V_VT(value) != VT_BSTR) return std::nullopt;
    const BSTR text = V_BSTR(value);
    return std::wstring(text ? text : L"", text ? SysStringLen(text) : 0);
}

std::optional<bool> Arguments::OptionalBool(UINT position) const {
    if (!Has(position)) return std::nullopt;
    Variant value;
    Coerced(position, VT_BOOL, value.get());
    return V_BOOL(value.get()) != VARIANT_FALSE;
}

IDispatch* Arguments::Object(UINT position) const {
    const VARIANT* value = At(position);
    if (!value) throw CallFailure{DISP_E_PARAMNOTFOUND, L"", position};
    if (V_VT(value) == VT_DISPATCH) return V_DISPATCH(value);
    if (V_VT(value) == (VT_BYREF | VT_DISPATCH) && V_DISPATCHREF(value)) {
        return *V_DISPATCHREF(value);
    }
    return nullptr;
}

std::wstring Arguments::Describe() const {
    std::wstring text;
    for (UINT position = 0; position < values_.size(); ++position) {
        const VARIANT* value = At(position);
        if (!value) continue;
        Variant copy;
        std::wstring shown = L"?";
        if (V_VT(value) == VT_BOOL) {
            shown = V_BOOL(value) != VARIANT_FALSE ? L"True" : L"False";
        } else if (SUCCEEDED(
                       VariantChangeType(copy.get(), const_cast<VARIANT*>(value), 0, VT_BSTR))) {
            const BSTR bstr = V_BSTR(copy.get());
            shown.assign(bstr ? bstr : L"", bstr ? SysStringLen(bstr) : 0);
        }
        if (!text.empty()) text += L" ";
        text += std::wstring(member_.parameters[position]) + L"=" + shown;
    }
    return text;
}

DispatchObject::DispatchObject(std::wstring_view kind, std::span<const Member> members)
    : kind_(kind), members_(members) {
    ObjectCreated();
}

DispatchObject::~DispatchObject() {
    ObjectDestroyed();
}

HRESULT DispatchObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() {
    return ++references_;
}

ULONG DispatchObject::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    const Member* found = nullptr;
    for (const Member& member : members_) {
        if (SameName(member.name, names[0])) found = &member;
    }
    Journal(kind_, found ? found->name : std::wstring_view(names[0]), L"GetIDsOfNames");
    HRESULT hr = S_OK;
    ids[0] = found ? found->id : DISPID_UNKNOWN;
    if (!found) hr = DISP_E_UNKNOWNNAME;
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (size_t p = 0; found && p < found->parameters.size(); ++p) {
            if (!found->parameters[p].empty() && SameName(found->parameters[p], names[i])) {
                ids[i] = static_cast<DISPID>(p);
            }
        }
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    const Member* member = FindMember(members_, id);
    const std::wstring name = member ? std::wstring(member->name) : L"#" + std::to_wstring(id);
    if (!member) {
        Journal(kind_, name, L"Invoke");
        return DISP_E_MEMBERNOTFOUND;
    }
    JournalInvoke(*member, flags, params);
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (!put && !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    static DISPPARAMS none = {nullptr, nullptr, 0, 0};
    Variant ignored;
    try {
        ApplyFault(kind_, member->name);
        if (put) return PutProperty(*member, flags, params);
        VARIANT* target = result ? result : ignored.get();
        if (result) VariantInit(result);
        if (params && params->cArgs > 0 && member->parameters[0].empty() &&
            (flags & DISPATCH_PROPERTYGET)) {
            // "app.Documents(1)" from a script: the arguments belong to the default member of
            // what the property returns.
            Variant property;
            Call(id, Arguments(none, *member), property.get());
            if (V_VT(property.get()) != VT_DISPATCH || !V_DISPATCH(property.get())) {
                throw CallFailure{DISP_E_BADPARAMCOUNT, L""};
            }
            return V_DISPATCH(property.get())
                ->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, flags, params, target,
                         exception, argumentError);
        }
        const Arguments arguments(params ? *params : none, *member);
        Call(id, arguments, target);
        return S_OK;
    } catch (const CallFailure& failure) {
        if (failure.hr != DISP_E_EXCEPTION) {
            if (argumentError) *argumentError = failure.argument;
            return failure.hr;
        }
        if (exception) {
            *exception = EXCEPINFO{};
            exception->scode = DISP_E_EXCEPTION;
            exception->bstrSource = SysAllocString(L"Publisher stand-in");
            const std::wstring text = Qualified(kind_, *member) + L": " + failure.description;
            exception->bstrDescription =
                SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
        }
        return DISP_E_EXCEPTION;
    } catch (const std::exception& error) {
        if (exception) {
            *exception = EXCEPINFO{};
            exception->scode = E_FAIL;
            const std::wstring text = Qualified(kind_, *member) + L": " + Widen(error.what());
            exception->bstrDescription =
                SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
        }
        return DISP_E_EXCEPTION;
    }
}

void DispatchObject::JournalInvoke(const Member& member, WORD flags,
                                   const DISPPARAMS* params) const {
    std::wstring call = L"Invoke";
    if (flags & DISPATCH_PROPERTYPUT) {
        call += L" put=PropertyPut";
    } else if (flags & DISPATCH_PROPERTYPUTREF) {
        call += L" put=PropertyPutRef";
    } else {
        try {  // the arguments given, when they can be read
            static DISPPARAMS noArguments = {nullptr, nullptr, 0, 0};
            const std::wstring given = Arguments(params ? *params : noArguments, member).Describe();
            if (!given.empty()) call += L" " + given;
        } catch (const CallFailure&) {
        }
    }
    Journal(kind_, member.name, call);
}

HRESULT DispatchObject::PutProperty(const Member& member, WORD flags, const DISPPARAMS* params) {
    if (flags & DISPATCH_PROPERTYPUT) {
        const std::optional<std::wstring> fault = FaultFor(kind_, member.name);
        if (fault && SameName(L"putref-only", fault->c_str())) return DISP_E_MEMBERNOTFOUND;
    }
    if (!params || params->cArgs != 1 || params->cNamedArgs != 1 ||
        params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        throw CallFailure{DISP_E_PARAMNOTFOUND, L"", 0};
    }
    const VARIANT* value = &params->rgvarg[0];
    if (V_VT(value) == (VT_BYREF | VT_VARIANT)) value = V_VARIANTREF(value);
    Put(member.id, *value);
    return S_OK;
}

void DispatchObject::Put(DISPID, const VARIANT&) {
    throw CallFailure{DISP_E_MEMBERNOTFOUND, L""};
}

void ReturnDouble(VARIANT* result, double value) {
    V_VT(result) = VT_R8;
    V_R8(result) = value;
}

double NumberOf(const VARIANT& value) {
    Variant number;
    if (FAILED(VariantChangeType(number.get(), const_cast<VARIANT*>(&value), 0, VT_R8))) {
        throw CallFailure{DISP_E_TYPEMISMATCH, L"", 0};
    }
    return V_R8(number.get());
}

bool BoolOf(const VARIANT& value) {
    Variant flag;
    if (FAILED(VariantChangeType(flag.get(), const_cast<VARIANT*>(&value), 0, VT_BOOL))) {
        throw CallFailure{DISP_E_TYPEMISMATCH, L"", 0};
    }
    return V_BOOL(flag.get()) != VARIANT_FALSE;
}

void ReturnBool(VARIANT* result, bool value) {
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void ReturnString(VARIANT* result, std::wstring_view text) {
    Bstr value(text.data(), static_cast<UINT>(text.size()));
    if (!value.get()) throw CallFailure{E_OUTOFMEMORY, L""};
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = value.Detach();
}

void ReturnLong(VARIANT* result, long value) {
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

void ReturnObject(VARIANT* result, IDispatch* adopted) {
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = adopted;
}

}  // namespace standin
