// IDispatch without a type library: each object kind has a fixed table of members, DISPIDs
// and parameter names, matched case-insensitively.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct Member {
    DISPID id;
    std::wstring_view name;
    std::array<std::wstring_view, 3> parameters{};  // their DISPIDs are 0, 1 and 2
};

// The arguments of one call, by parameter position (named ones placed by their DISPIDs).
class Arguments {
  public:
    Arguments(const DISPPARAMS& params, const Member& member);  // throws CallFailure
    bool Has(UINT position) const;
    long Long(UINT position) const;      // throws CallFailure when missing
    double Number(UINT position) const;  // throws CallFailure when missing
    std::optional<long> OptionalLong(UINT position) const;
    std::wstring String(UINT position) const;               // throws CallFailure when missing
    std::optional<std::wstring> Text(UINT position) const;  // a string given as one; else none
    std::optional<bool> OptionalBool(UINT position) const;
    // An object given (not AddRef'd: the call's caller holds it); nullptr for Nothing and for
    // any other value; throws CallFailure when missing.
    IDispatch* Object(UINT position) const;
    // "Name=value" for each argument given, blank-separated, for the journal.
    std::wstring Describe() const;

  private:
    const VARIANT* At(UINT position) const;  // dereferenced; nullptr when missing
    void Coerced(UINT position, VARTYPE type, VARIANT* out) const;
    const Member& member_;
    std::array<const VARIANT*, 3> values_{};
};

class DispatchObject : public IDispatch {
  public:
    DispatchObject(std::wstring_view kind, std::span<const Member> members);
    virtual ~DispatchObject();
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

  protected:
    // Carries out one member; throws CallFailure. result is never null.
    virtual void Call(DISPID id, const Arguments& arguments, VARIANT* result) = 0;
    // Writes a property (DISPATCH_PROPERTYPUT or PUTREF); throws CallFailure. None by default.
    virtual void Put(DISPID id, const VARIANT& value);
    std::wstring_view kind() const { return kind_; }

  private:
    // The journal's line of an Invoke: the arguments given, or which kind of write it is.
    void JournalInvoke(const Member& member, WORD flags, const DISPPARAMS* params) const;
    // A property write, its value the one argument named DISPID_PROPERTYPUT; throws
    // CallFailure. Under the switch <Object>.<Member> = putref-only a plain put of the member
    // answers DISP_E_MEMBERNOTFOUND, and only a write by reference is taken.
    HRESULT PutProperty(const Member& member, WORD flags, const DISPPARAMS* params);

    ULONG references_ = 1;
    std::wstring_view kind_;
    std::span<const Member> members_;
};

// Results. Each takes ownership of what it is given.
void ReturnString(VARIANT* result, std::wstring_view text);
void ReturnLong(VARIANT* result, long value);
void ReturnObject(VARIANT* result, IDispatch* adopted);
void ReturnDouble(VARIANT* result, double value);
void ReturnBool(VARIANT* result, bool value);
// A property value as a number (a Boolean); throws CallFailure (DISP_E_TYPEMISMATCH).
double NumberOf(const VARIANT& value);
bool BoolOf(const VARIANT& value);

}  // namespace standin
