// PublisherStandin.exe: registration, the running instance and the copy instances COM starts.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "Objects.h"
#include "Owners.h"
#include "Server.h"

namespace standin {
namespace {

enum ExitCode : UINT {
    kExitOk = 0,
    kExitUsage = 1,
    kExitOpenFailed = 2,
    kExitCrashFault = 3,  // TerminateProcess in Server.cpp
    kExitRegistration = 4,
    kExitCom = 5,
};

constexpr wchar_t kClassesKey[] = L"Software\\Classes";
constexpr wchar_t kWindowTitle[] = L"Publisher stand-in";
constexpr wchar_t kMainClass[] = L"PublisherStandinWindow";
constexpr wchar_t kOwnerClass[] = L"PublisherStandinOwner";
constexpr UINT_PTR kQuitTimer = 1;
constexpr UINT_PTR kIdleTimer = 2;
constexpr UINT kIdleMilliseconds = 60000;  // a copy instance no client ever used

bool IsSwitch(const wchar_t* argument, const wchar_t* name) {
    if (argument[0] != L'/' && argument[0] != L'-') return false;
    return CompareStringOrdinal(argument + 1, -1, name, -1, TRUE) == CSTR_EQUAL;
}

// ---- Registration -------------------------------------------------------------------------

LSTATUS SetDefault(HKEY parent, const std::wstring& subkey, const std::wstring& value) {
    HKEY raw = nullptr;
    LSTATUS status =
        RegCreateKeyExW(parent, subkey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr);
    if (status != ERROR_SUCCESS) return status;
    UniqueKey key(raw);
    return RegSetValueExW(key.get(), nullptr, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

UINT Register() {
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (length == 0) return kExitRegistration;
        if (length < exe.size()) {
            exe.resize(length);
            break;
        }
        exe.resize(exe.size() * 2);
    }
    const std::wstring clsidKey = std::wstring(kClassesKey) + L"\\CLSID\\" + kStandinClsidText;
    const std::wstring progIdKey = std::wstring(kClassesKey) + L"\\" + kProgId;
    const struct {
        std::wstring key, value;
    } entries[] = {
        {clsidKey, L"Publisher stand-in Application"},
        {clsidKey + L"\\LocalServer32", L"\"" + exe + L"\""},
        {clsidKey + L"\\ProgID", kProgId},
        {progIdKey, L"Publisher stand-in Application"},
        {progIdKey + L"\\CLSID", kStandinClsidText},
    };
    for (const auto& entry : entries) {
        const LSTATUS status = SetDefault(HKEY_LOCAL_MACHINE, entry.key, entry.value);
        if (status != ERROR_SUCCESS) {
            ReportError(L"Cannot register HKEY_LOCAL_MACHINE\\" + entry.key + L": " +
                        SystemMessage(status));
            return kExitRegistration;
        }
    }
    return kExitOk;
}

UINT Unregister() {
    UINT code = kExitOk;
    for (const std::wstring& key : {std::wstring(kClassesKey) + L"\\CLSID\\" + kStandinClsidText,
                                    std::wstring(kClassesKey) + L"\\" + kProgId}) {
        const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            ReportError(L"Cannot remove HKEY_LOCAL_MACHINE\\" + key + L": " +
                        SystemMessage(status));
            code = kExitRegistration;
        }
    }
    return code;
}

// ---- COM plumbing -------------------------------------------------------------------------

// Rejects IDispatch calls while the "busy" fault holds. Wine does not carry out
// SERVERCALL_RETRYLATER (it runs the call anyway), so there the rejection is SERVERCALL_REJECTED:
// the caller sees RPC_E_CALL_REJECTED at once either way when it has no message filter.
class MessageFilter : public IMessageFilter {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
            *object = static_cast<IMessageFilter*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives as long as the process
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO info) override {
        if (!info || !IsEqualIID(info->iid, IID_IDispatch) || !BusyNow()) {
            return SERVERCALL_ISHANDLED;
        }
        return onWine_ ? SERVERCALL_REJECTED : SERVERCALL_RETRYLATER;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return ~0u; }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        return PENDINGMSG_WAITDEFPROCESS;
    }

  private:
    const bool onWine_ =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
};

// Makes one Application for the one client of a copy instance (REGCLS_SINGLEUSE).
class ClassFactory : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives as long as the process
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        ComPtr<IDispatch> application(NewApplication());
        return application->QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            ObjectCreated();
        } else {
            ObjectDestroyed();
        }
        return S_OK;
    }
};

// ---- Windows ------------------------------------------------------------------------------

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && wparam == kQuitTimer) {
        KillTimer(window, kQuitTimer);
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER && wparam == kIdleTimer) {
        KillTimer(window, kIdleTimer);
        if (!State().everServed) RequestQuit();
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SIZE:
            if (State().documentList) {
                MoveWindow(State().documentList, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
            }
            return 0;
        case WM_DESTROY:
            State().documentList = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

bool RegisterWindowClasses(HINSTANCE instance) {
    WNDCLASSEXW owner{};
    owner.cbSize = sizeof owner;
    owner.lpfnWndProc = OwnerProc;
    owner.hInstance = instance;
    owner.lpszClassName = kOwnerClass;
    WNDCLASSEXW main{};
    main.cbSize = sizeof main;
    main.lpfnWndProc = MainProc;
    main.hInstance = instance;
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    main.lpszClassName = kMainClass;
    return RegisterClassExW(&owner) && RegisterClassExW(&main);
}

UniqueWindow CreateMainWindow(HINSTANCE instance) {
    UniqueWindow window(CreateWindowExW(0, kMainClass, kWindowTitle, WS_OVERLAPPEDWINDOW,
                                        CW_USEDEFAULT, CW_USEDEFAULT, 480, 240, nullptr, nullptr,
                                        instance, nullptr));
    if (!window) return window;
    RECT client{};
    GetClientRect(window.get(), &client);
    State().documentList = CreateWindowExW(
        0, L"LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0,
        client.right, client.bottom, window.get(), nullptr, instance, nullptr);
    DocumentsChanged();
    ShowWindow(window.get(), SW_SHOWNOACTIVATE);
    return window;
}

void RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// ---- The two kinds of instance --------------------------------------------------------------

// Started by a person or a test: the documents named on the command line, found by
// GetActiveObject. No class factory, so CoCreateInstance always starts a copy instance.
[[noreturn]] void RunRunningInstance(HINSTANCE instance, const std::vector<std::wstring>& args) {
    State().mode = Mode::Running;
    for (size_t i = 0; i < args.size(); ++i) {
        if (CompareStringOrdinal(args[i].c_str(), -1, L"--unsaved", -1, TRUE) == CSTR_EQUAL) {
            if (i + 1 == args.size()) {
                ReportError(L"PublisherStandin: --unsaved needs a NAME");
                ExitProcess(kExitUsage);
            }
            AddDocument(BlankDocument(args[++i], false));
            continue;
        }
        try {
            AddDocument(OpenDocument(args[i]));
        } catch (const CallFailure& failure) {
            ReportError(L"PublisherStandin: " + failure.description);
            ExitProcess(kExitOpenFailed);
        }
    }
    UniqueWindow window = CreateMainWindow(instance);
    if (!window) ExitProcess(kExitCom);
    State().mainWindow = window.get();

    ComPtr<IDispatch> application(NewApplication());
    DWORD cookie = 0;
    const HRESULT hr =
        RegisterActiveObject(application.get(), kStandinClsid, ACTIVEOBJECT_STRONG, &cookie);
    if (FAILED(hr)) {
        ReportError(L"PublisherStandin: RegisterActiveObject failed: " + SystemMessage(hr));
        ExitProcess(kExitCom);
    }
    RunMessageLoop();
    RevokeActiveObject(cookie, nullptr);
    // No CoUninitialize: under Wine it now and then hangs a server that is shutting down.
    ExitProcess(kExitOk);
}

// Started by COM for CoCreateInstance: one blank publication, ends on Quit or when its client
// lets go of the last object.
[[noreturn]] void RunCopyInstance() {
    State().mode = Mode::Copy;
    const std::wstring start = StartSwitch();
    // A first-run or activation screen in an instance nobody sees: COM waits for a class
    // object that never comes.
    if (start == L"hang") WaitForever();
    State().bare = start == L"bare";
    if (start != L"empty" && !State().bare) {
        AddDocument(BlankDocument(L"Publication1", true));
        EnterLiveCopy(L"Publication1");
    }
    static ClassFactory factory;
    DWORD cookie = 0;
    const HRESULT hr = CoRegisterClassObject(kStandinClsid, &factory, CLSCTX_LOCAL_SERVER,
                                             REGCLS_SINGLEUSE, &cookie);
    if (FAILED(hr)) {
        ReportError(L"PublisherStandin: CoRegisterClassObject failed: " + SystemMessage(hr));
        ExitProcess(kExitCom);
    }
    SetTimer(State().owner, kIdleTimer, kIdleMilliseconds, nullptr);
    RunMessageLoop();
    CoRevokeClassObject(cookie);
    LeaveLiveCopy();
    JournalEnd();
    ExitProcess(kExitOk);
}

}  // namespace
}  // namespace standin

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace standin;
    State().startTick = GetTickCount64();

    std::vector<std::wstring> args;
    {
        int count = 0;
        wchar_t** raw = CommandLineToArgvW(GetCommandLineW(), &count);
        if (!raw) return kExitUsage;
        for (int i = 1; i < count; ++i) args.emplace_back(raw[i]);
        LocalFree(raw);
    }
    bool embedding = false;
    for (const std::wstring& arg : args) {
        if (IsSwitch(arg.c_str(), L"RegServer")) return static_cast<int>(Register());
        if (IsSwitch(arg.c_str(), L"UnregServer")) return static_cast<int>(Unregister());
        if (IsSwitch(arg.c_str(), L"Embedding") || IsSwitch(arg.c_str(), L"Automation")) {
            embedding = true;
        }
    }

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return kExitCom;
    static MessageFilter filter;
    IMessageFilter* previous = nullptr;
    CoRegisterMessageFilter(&filter, &previous);
    if (previous) previous->Release();

    if (!RegisterWindowClasses(instance)) return kExitCom;
    static UniqueWindow owner(CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                              nullptr, instance, nullptr));
    if (!owner) return kExitCom;
    State().owner = owner.get();

    if (embedding) RunCopyInstance();
    RunRunningInstance(instance, args);
}
