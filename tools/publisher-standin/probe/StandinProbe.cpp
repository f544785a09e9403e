// StandinProbe.exe: a small automation client that drives the stand-in the way Kelbrook does
// (early DISPIDs, the named argument fileName, GetActiveObject) and prints what it sees, one
// fact a line, for smoke.sh to compare.
//
//   StandinProbe active             the running instance's documents, pages and shapes;
//                                   copies page 1's shapes
//   StandinProbe copy FILE          a copy instance: pastes onto its page 1, saves as FILE
//                                   (named argument), quits
//   StandinProbe release            a copy instance, released without Quit
//   StandinProbe saveas FILE        a copy instance's SaveAs, printing the failure if any
//   StandinProbe badindex           Documents.Item(9) of a copy instance
//   StandinProbe paste-nothing      Paste with an empty clipboard
//   StandinProbe textpaste-nothing FILE
//                                   a copy instance opens FILE and pastes into its page 1's
//                                   first frame with an empty clipboard
//   StandinProbe paste-crash        Paste that ends the server (the fault "crash")
//   StandinProbe quit-running       the running instance's Quit
//   StandinProbe close-window       WM_CLOSE to the running instance's window
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Owners.h"
#include "StandinPublication.h"

namespace {

using standin::Bstr;
using standin::ComPtr;
using standin::Variant;

constexpr CLSID kStandinClsid = {
    0x6d1c3a52, 0x8e4b, 0x4f0a, {0x9c, 0x27, 0x51, 0xb7, 0xe2, 0xa9, 0x4d, 0x13}};

void Print(const std::wstring& line) {
    std::fputs((standin::ToUtf8(line) + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"%08lX", static_cast<unsigned long>(hr));
    return text;
}

struct CallError {
    HRESULT hr;
    std::wstring description;
};

// Calls object.name(args...) with the arguments positional, or the last one named.
void Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result,
          const wchar_t* namedLast = nullptr) {
    const wchar_t* names[2] = {name, namedLast};
    DISPID ids[2] = {DISPID_UNKNOWN, DISPID_UNKNOWN};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(names), namedLast ? 2 : 1,
                                       LOCALE_USER_DEFAULT, ids);
    if (FAILED(hr)) throw CallError{hr, std::wstring(L"GetIDsOfNames ") + name};
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), namedLast ? &ids[1] : nullptr,
                      static_cast<UINT>(reversed.size()), namedLast ? 1u : 0u};
    EXCEPINFO exception{};
    UINT argumentError = 0;
    hr = object->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT,
                        DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result, &exception,
                        &argumentError);
    SysFreeString(exception.bstrSource);
    std::wstring description =
        exception.bstrDescription ? std::wstring(exception.bstrDescription) : std::wstring();
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr)) throw CallError{hr, description};
}

VARIANT Long(long value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

ComPtr<IDispatch> Object(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args = {}) {
    Variant result;
    Call(object, name, std::move(args), result.get());
    if (V_VT(result.get()) != VT_DISPATCH) throw CallError{E_UNEXPECTED, name};
    ComPtr<IDispatch> out(V_DISPATCH(result.get()));
    V_VT(result.get()) = VT_EMPTY;
    return out;
}

std::wstring String(IDispatch* object, const wchar_t* name) {
    Variant result;
    Call(object, name, {}, result.get());
    if (V_VT(result.get()) != VT_BSTR) throw CallError{E_UNEXPECTED, name};
    return std::wstring(V_BSTR(result.get()), SysStringLen(V_BSTR(result.get())));
}

long Number(IDispatch* object, const wchar_t* name) {
    Variant result;
    Call(object, name, {}, result.get());
    if (V_VT(result.get()) != VT_I4) throw CallError{E_UNEXPECTED, name};
    return V_I4(result.get());
}

void SaveAs(IDispatch* document, const std::wstring& file) {
    Bstr name(file.c_str(), static_cast<UINT>(file.size()));
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_BSTR;
    V_BSTR(&arg) = name.get();  // still owned by name
    Variant ignored;
    Call(document, L"SaveAs", {arg}, ignored.get(), L"fileName");
}

ComPtr<IDispatch> NewCopy() {
    IDispatch* raw = nullptr;
    const HRESULT hr = CoCreateInstance(kStandinClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                        reinterpret_cast<void**>(&raw));
    if (FAILED(hr)) throw CallError{hr, L"CoCreateInstance"};
    return ComPtr<IDispatch>(raw);
}

ComPtr<IDispatch> Running() {
    IUnknown* unknown = nullptr;
    HRESULT hr = GetActiveObject(kStandinClsid, nullptr, &unknown);
    if (FAILED(hr)) throw CallError{hr, L"GetActiveObject"};
    ComPtr<IUnknown> owned(unknown);
    IDispatch* raw = nullptr;
    hr = owned->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&raw));
    if (FAILED(hr)) throw CallError{hr, L"QueryInterface"};
    return ComPtr<IDispatch>(raw);
}

void Active() {
    ComPtr<IDispatch> app = Running();
    Print(L"application " + String(app.get(), L"Name"));
    ComPtr<IDispatch> documents = Object(app.get(), L"Documents");
    const long count = Number(documents.get(), L"Count");
    for (long i = 1; i <= count; ++i) {
        ComPtr<IDispatch> document = Object(documents.get(), L"Item", {Long(i)});
        Print(L"document " + std::to_wstring(i) + L" [" + String(document.get(), L"Name") + L"] [" +
              String(document.get(), L"Path") + L"] [" + String(document.get(), L"FullName") +
              L"]");
    }
    ComPtr<IDispatch> first = Object(documents.get(), L"Item", {Long(1)});
    ComPtr<IDispatch> pages = Object(first.get(), L"Pages");
    Variant enumResult;
    Call(pages.get(), L"_NewEnum", {}, enumResult.get());
    IEnumVARIANT* rawEnum = nullptr;
    if (FAILED(V_UNKNOWN(enumResult.get())
                   ->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&rawEnum)))) {
        throw CallError{E_NOINTERFACE, L"IEnumVARIANT"};
    }
    ComPtr<IEnumVARIANT> pageEnum(rawEnum);
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        if (pageEnum->Next(1, item.get(), &fetched) != S_OK || fetched != 1) break;
        IDispatch* page = V_DISPATCH(item.get());
        ComPtr<IDispatch> shapes = Object(page, L"Shapes");
        Print(L"page " + String(page, L"PageNumber") + L" shapes " +
              std::to_wstring(Number(shapes.get(), L"Count")));
    }
    ComPtr<IDispatch> page1 = Object(pages.get(), L"Item", {Long(1)});
    ComPtr<IDispatch> range = Object(Object(page1.get(), L"Shapes").get(), L"Range");
    Variant ignored;
    Call(range.get(), L"Copy", {}, ignored.get());
    Print(L"copied " + std::to_wstring(Number(range.get(), L"Count")));
}

void Copy(const std::wstring& file) {
    ComPtr<IDispatch> app = NewCopy();
    ComPtr<IDispatch> document = Object(app.get(), L"ActiveDocument");
    Print(L"blank [" + String(document.get(), L"Name") + L"] [" + String(document.get(), L"Path") +
          L"]");
    ComPtr<IDispatch> pages = Object(document.get(), L"Pages");
    ComPtr<IDispatch> shapes = Object(Object(pages.get(), L"Item", {Long(1)}).get(), L"Shapes");
    Variant ignored;
    Call(shapes.get(), L"Paste", {}, ignored.get());
    ComPtr<IDispatch> added = Object(pages.get(), L"Add", {Long(1), Long(1)});
    Print(L"pasted " + std::to_wstring(Number(shapes.get(), L"Count")) + L" added page " +
          String(added.get(), L"PageNumber"));
    SaveAs(document.get(), file);
    Print(L"saved [" + String(document.get(), L"FullName") + L"] [" +
          String(document.get(), L"Path") + L"]");
    Variant quit;
    Call(app.get(), L"Quit", {}, quit.get());
    Print(L"quit");
}

// A copy instance opens the file and pastes into its page 1's first frame with an empty
// clipboard.
void TextPasteNothing(const std::wstring& file) {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    Bstr name(file.c_str(), static_cast<UINT>(file.size()));
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_BSTR;
    V_BSTR(&arg) = name.get();  // still owned by name
    ComPtr<IDispatch> app = NewCopy();
    ComPtr<IDispatch> document = Object(app.get(), L"Open", {arg});
    ComPtr<IDispatch> pages = Object(document.get(), L"Pages");
    ComPtr<IDispatch> shapes = Object(Object(pages.get(), L"Item", {Long(1)}).get(), L"Shapes");
    ComPtr<IDispatch> frame = Object(Object(shapes.get(), L"Item", {Long(1)}).get(), L"TextFrame");
    ComPtr<IDispatch> range = Object(frame.get(), L"TextRange");
    try {
        Variant ignored;
        Call(range.get(), L"Paste", {}, ignored.get());
        Print(L"pasted");
    } catch (const CallError& error) {
        Print(L"failed " + Hex(error.hr) + L" " + error.description);
    }
    Variant quit;
    Call(app.get(), L"Quit", {}, quit.get());
}

int Run(const std::vector<std::wstring>& args) {
    const std::wstring command = args.empty() ? L"" : args[0];
    if (command == L"active") {
        Active();
    } else if (command == L"copy" && args.size() == 2) {
        Copy(args[1]);
    } else if (command == L"release") {
        ComPtr<IDispatch> app = NewCopy();
        Print(L"application " + String(app.get(), L"Name"));
    } else if (command == L"saveas" && args.size() == 2) {
        ComPtr<IDispatch> app = NewCopy();
        try {
            SaveAs(Object(app.get(), L"ActiveDocument").get(), args[1]);
            Print(L"saved");
        } catch (const CallError& error) {
            Print(L"failed " + Hex(error.hr) + L" " + error.description);
        }
        Variant quit;
        Call(app.get(), L"Quit", {}, quit.get());
    } else if (command == L"badindex") {
        ComPtr<IDispatch> app = NewCopy();
        try {
            Object(Object(app.get(), L"Documents").get(), L"Item", {Long(9)});
            Print(L"found");
        } catch (const CallError& error) {
            Print(L"failed " + Hex(error.hr) + L" " + error.description);
        }
        Variant quit;
        Call(app.get(), L"Quit", {}, quit.get());
    } else if (command == L"paste-nothing" || command == L"paste-crash") {
        if (command == L"paste-nothing" && OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        ComPtr<IDispatch> app = NewCopy();
        ComPtr<IDispatch> document = Object(app.get(), L"ActiveDocument");
        ComPtr<IDispatch> pages = Object(document.get(), L"Pages");
        ComPtr<IDispatch> shapes = Object(Object(pages.get(), L"Item", {Long(1)}).get(), L"Shapes");
        try {
            Variant ignored;
            Call(shapes.get(), L"Paste", {}, ignored.get());
            Print(L"pasted");
        } catch (const CallError& error) {
            Print(L"failed " + Hex(error.hr) + L" " + error.description);
        }
        if (command == L"paste-nothing") {
            Variant quit;
            Call(app.get(), L"Quit", {}, quit.get());
        }
    } else if (command == L"textpaste-nothing" && args.size() == 2) {
        TextPasteNothing(args[1]);
    } else if (command == L"close-window") {
        const HWND window = FindWindowW(L"PublisherStandinWindow", L"Publisher stand-in");
        if (!window || !PostMessageW(window, WM_CLOSE, 0, 0)) throw CallError{E_FAIL, L"no window"};
        Print(L"closed");
    } else if (command == L"quit-running") {
        Variant quit;
        Call(Running().get(), L"Quit", {}, quit.get());
        Print(L"quit");
    } else {
        Print(
            L"usage: StandinProbe active|copy FILE|release|saveas FILE|badindex|"
            L"paste-nothing|paste-crash|quit-running|close-window");
        return 2;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    int code = 0;
    try {
        code = Run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (const CallError& error) {
        Print(L"error " + Hex(error.hr) + L" " + error.description);
        code = 1;
    }
    // Like the stand-in: no CoUninitialize, which now and then hangs under Wine.
    std::fflush(stdout);
    ExitProcess(static_cast<UINT>(code));
}
