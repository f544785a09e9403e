// The colour schemes the instance knows: ColorSchemes and ColorScheme.
#include "ObjectParts.h"

#include "Dispatch.h"
#include "Server.h"
#include "StandinPublication.h"

#include <utility>

namespace standin {
namespace {

// PbColorScheme's constants of the stand-in's schemes, in ColorSchemeNames()'s order.
constexpr long kSchemeConstants[] = {-1, -2, -3, -8, -13, -25, -1000, -36};

constexpr Member kColorSchemeMembers[] = {
    {1, L"Name"},
};

class ColorScheme : public DispatchObject {
  public:
    explicit ColorScheme(std::wstring name)
        : DispatchObject(L"ColorScheme", kColorSchemeMembers), name_(std::move(name)) {}
    const std::wstring& name() const { return name_; }

  protected:
    void Call(DISPID, const Arguments&, VARIANT* result) override { ReturnString(result, name_); }

  private:
    std::wstring name_;
};

constexpr Member kColorSchemesMembers[] = {
    {DISPID_VALUE, L"Item", {L"Index"}},
    {1, L"Count"},
};

class ColorSchemes : public DispatchObject {
  public:
    ColorSchemes() : DispatchObject(L"ColorSchemes", kColorSchemesMembers) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        const std::vector<std::wstring>& names = ColorSchemeNames();
        if (id == 1) return ReturnLong(result, static_cast<long>(names.size()));
        ReturnObject(result, new ColorScheme(names[Find(arguments)]));
    }

  private:
    // "The Index argument of the Item property can be the number or name of the color scheme
    // or a PbColorScheme constant": a name as spelled in the list (*), a number from 1, or
    // the constant of a scheme the stand-in has.
    static size_t Find(const Arguments& arguments) {
        const std::vector<std::wstring>& names = ColorSchemeNames();
        if (const std::optional<std::wstring> name = arguments.Text(0)) {
            for (size_t i = 0; i < names.size(); ++i) {
                if (names[i] == *name) return i;
            }
            Fail(L"There is no colour scheme named \"" + *name + L"\"");
        }
        const long index = arguments.Long(0);
        if (index >= 1 && static_cast<size_t>(index) <= names.size()) {
            return static_cast<size_t>(index - 1);
        }
        for (size_t i = 0; i < std::size(kSchemeConstants); ++i) {
            if (kSchemeConstants[i] == index) return i;
        }
        Fail(OutOfRange(index, names.size()) + L" and is no colour scheme's constant here");
    }
};

}  // namespace

IDispatch* NewColorSchemes() {
    return new ColorSchemes();
}

IDispatch* NewColorScheme(std::wstring name) {
    return new ColorScheme(std::move(name));
}

std::optional<std::wstring> ColorSchemeNameOf(const VARIANT& value) {
    if (V_VT(&value) != VT_DISPATCH || !V_DISPATCH(&value)) return std::nullopt;
    const auto* scheme =
        dynamic_cast<const ColorScheme*>(static_cast<DispatchObject*>(V_DISPATCH(&value)));
    if (!scheme) return std::nullopt;
    return scheme->name();
}

}  // namespace standin
