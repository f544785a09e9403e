#include "backup/win32/ComPublisherAutomation.h"

#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "backup/win32/ComPageObjects.h"
#include "backup/win32/UserPublisherWatch.h"
#include "backup/win32/CopyCreation.h"
#include "core/Failure.h"
#include "core/win32/Dispatch.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

constexpr int kPublicationFormat = 1;  // PbFileFormat pbFilePublication

class ComDocument : public ComObject<PublisherDocument> {
  public:
    using ComObject::ComObject;
    std::wstring Name() override { return object_.Text(L"Name"); }
    std::wstring FullName() override { return object_.Text(L"FullName"); }
    std::wstring Path() override { return object_.Text(L"Path"); }
    std::unique_ptr<PublisherPages> Pages() override {
        return MakePages(object_.Object(L"Pages", L"Pages"));
    }
    std::unique_ptr<PublisherMasterPages> MasterPages() override {
        return MakeMasterPages(object_.Object(L"MasterPages", L"MasterPages"));
    }
    std::unique_ptr<PublisherShapes> ScratchShapes() override {
        return MakeShapes(
            object_.Object(L"ScratchArea", L"ScratchArea").Object(L"Shapes", L"Shapes"));
    }
    std::unique_ptr<PublisherPageSetup> PageSetup() override {
        return MakePageSetup(object_.Object(L"PageSetup", L"PageSetup"));
    }
    std::unique_ptr<PublisherSections> Sections() override {
        return MakeSections(object_.Object(L"Sections", L"Sections"));
    }
    std::unique_ptr<PublisherStories> Stories() override {
        return MakeStories(object_.Object(L"Stories", L"Stories"));
    }
    std::wstring ColorScheme() override {
        return object_.Object(L"ColorScheme", L"ColorScheme").Text(L"Name");
    }
    // As the reference writes it: Document.ColorScheme = Application.ColorSchemes(name).
    void SetColorScheme(const std::wstring& name) override {
        std::vector<Variant> arguments;
        arguments.push_back(TextArgument(name));
        DispatchObject scheme = object_.Object(L"Application", L"Application")
                                    .Object(L"ColorSchemes", L"ColorSchemes")
                                    .Object(L"Item", L"ColorScheme", std::move(arguments));
        object_.Put(L"ColorScheme", ObjectArgument(scheme.get()));
    }
    bool Saved() override { return object_.Boolean(L"Saved"); }
    void SaveAs(const std::wstring& fileName) override {
        // Format pbFilePublication; AddToRecentFiles False, or every backup would join the
        // user's list of recent publications.
        std::vector<NamedArgument> arguments;
        arguments.emplace_back(L"fileName", TextArgument(fileName));
        arguments.emplace_back(L"Format", IntegerArgument(kPublicationFormat));
        arguments.emplace_back(L"AddToRecentFiles", BoolArgument(false));
        object_.CallNamed(L"SaveAs", std::move(arguments));
    }
    void Close() override { object_.Call(L"Close"); }
};

class ComDocuments : public ComObject<PublisherDocuments> {
  public:
    using ComObject::ComObject;
    int Count() override { return object_.Integer(L"Count"); }
    std::unique_ptr<PublisherDocument> Item(int index) override {
        return std::make_unique<ComDocument>(With(L"Item", L"Document", {index}));
    }
};

// The process of a copy instance: the bound of its calls, and the handle that waits for it.
class ComProcess : public PublisherProcess {
  public:
    explicit ComProcess(std::shared_ptr<ServerProcess> server) : server_(std::move(server)) {}
    void End() override { server_->End(); }
    bool WaitUntilGone(int milliseconds) override {
        return server_->WaitUntilGone(std::chrono::milliseconds(milliseconds));
    }
    bool Gone() override { return server_->Gone(); }
    void EndUnlessGoneWithin(int milliseconds) override {
        server_->EndUnlessGoneWithin(std::chrono::milliseconds(milliseconds));
    }

  private:
    std::shared_ptr<ServerProcess> server_;
};

class ComPublisherApplication : public ComObject<PublisherApplication> {
  public:
    using ComObject::ComObject;
    // A new instance whose creation made its publication: that publication is its document.
    ComPublisherApplication(DispatchObject application, std::optional<DispatchObject> made)
        : ComObject(std::move(application)), made_(std::move(made)) {}
    // The user's Publisher, and its process when it could be opened.
    ComPublisherApplication(DispatchObject application, std::shared_ptr<ComUserProcess> user)
        : ComObject(std::move(application)), user_(std::move(user)) {}
    std::shared_ptr<UserPublisherProcess> UserProcess() override { return user_; }
    std::shared_ptr<PublisherProcess> Process() override {
        if (!object_.server()) return nullptr;  // the Publisher the user works in
        return std::make_shared<ComProcess>(object_.server());
    }
    std::wstring Name() override { return object_.Text(L"Name"); }
    std::unique_ptr<PublisherDocuments> Documents() override {
        return std::make_unique<ComDocuments>(object_.Object(L"Documents", L"Documents"));
    }
    std::unique_ptr<PublisherDocument> ActiveDocument() override {
        if (made_) return std::make_unique<ComDocument>(*made_);
        return std::make_unique<ComDocument>(object_.Object(L"ActiveDocument", L"Document"));
    }
    std::unique_ptr<PublisherDocument> NewDocument() override {
        return std::make_unique<ComDocument>(object_.Object(L"NewDocument", L"Document"));
    }
    void Quit() override {
        made_.reset();
        object_.Call(L"Quit");
    }

  private:
    std::optional<DispatchObject> made_;
    std::shared_ptr<ComUserProcess> user_;
};

CLSID PublisherClass() {
    CLSID clsid{};
    ThrowIfFailed(::CLSIDFromProgID(kPublisherProgId, &clsid), kPublisherProgId);
    return clsid;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The program file of a LocalServer32 command line: the quoted part, or the whole line when
// it names a file, or the part up to ".exe" ("C:\\...\\MSPUB.EXE /Automation").
std::wstring ServerProgram(std::wstring command) {
    command.erase(0, command.find_first_not_of(L' '));
    if (!command.empty() && command.front() == L'"') {
        const std::size_t close = command.find(L'"', 1);
        return command.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    }
    if (IsFile(command)) return command;
    std::wstring lower = command;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    const std::size_t exe = lower.find(L".exe");
    return exe == std::wstring::npos ? command : command.substr(0, exe + 4);
}

// The LocalServer32 command line of a class under one root's classes in one registry view
// (RRF_RT_REG_SZ expands a REG_EXPAND_SZ value).
std::optional<std::wstring> LocalServerCommand(HKEY root, const std::wstring& clsid, REGSAM view) {
    UniqueKey key;
    const std::wstring path = L"Software\\Classes\\CLSID\\" + clsid + L"\\LocalServer32";
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD bytes = 0;
    if (::RegGetValueW(key.get(), nullptr, nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegGetValueW(key.get(), nullptr, nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

}  // namespace

ComPublisherAutomation::ComPublisherAutomation(std::chrono::seconds callBound)
    : cache_(std::make_shared<DispatchIdCache>()), callBound_(callBound) {}

// The program of the class's registered local server, when it exists: the classes of the
// user and of the machine, which HKEY_CLASSES_ROOT merges. A 32-bit Publisher registers its
// server in the 32-bit view; COM starts it from a 64-bit program all the same.
std::optional<std::wstring> RegisteredServer(const CLSID& clsidValue) {
    wchar_t clsid[64] = {};
    if (::StringFromGUID2(clsidValue, clsid, 64) == 0) return std::nullopt;
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            const std::optional<std::wstring> command = LocalServerCommand(root, clsid, view);
            if (!command || command->empty()) continue;
            const std::wstring program = ServerProgram(*command);
            if (IsFile(program)) return program;
        }
    }
    return std::nullopt;
}

bool ComPublisherAutomation::IsInstalled() {
    try {
        return RegisteredServer(PublisherClass()).has_value();
    } catch (...) {
    }
    return false;
}

std::unique_ptr<PublisherApplication> ComPublisherAutomation::AttachRunning() {
    const CallTimer timer;
    const CLSID clsid = PublisherClass();
    ComPtr<IUnknown> running;
    ThrowIfFailed(::GetActiveObject(clsid, nullptr, running.put()), L"Publisher is not running");
    ComPtr<IDispatch> application;
    ThrowIfFailed(running->QueryInterface(IID_IDispatch, application.put_void()),
                  L"Publisher.Application");
    DispatchObject object(std::move(application), L"Application", cache_);
    // The user's Publisher's process, which no overdue creation may ever end. A Publisher busy
    // with a dialog is not waited for here: the calls after this one will wait it out.
    try {
        const ImpatientCalls impatient;
        const int window = object.Object(L"ActiveWindow", L"Window").Integer(L"Hwnd");
        DWORD processId = 0;
        ::GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<INT_PTR>(window)),
                                   &processId);
        runningProcess_ = processId;
    } catch (...) {
        // Its start, before any creation of ours, still tells it apart.
    }
    std::shared_ptr<ComUserProcess> user;
    if (runningProcess_ != 0) {
        UniqueHandle process(
            ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, runningProcess_));
        if (process) user = std::make_shared<ComUserProcess>(std::move(process));
    }
    return std::make_unique<ComPublisherApplication>(std::move(object), std::move(user));
}

std::unique_ptr<PublisherApplication> ComPublisherAutomation::CreateInstance() {
    const CallTimer timer;  // the creation, with its first calls
    const CLSID clsid = PublisherClass();
    const std::wstring program = RegisteredServer(clsid).value_or(L"");
    CreatedInstance created = CreateBounded(clsid, L"Publisher", program, runningProcess_,
                                            std::chrono::milliseconds(callBound_), cache_);
    auto server = std::make_shared<ServerProcess>(std::move(created.process), L"Publisher",
                                                  callBound_, callBound_ * kSaveAsBoundFactor,
                                                  std::set<std::wstring>{L"SaveAs"});
    std::optional<DispatchObject> made;
    if (created.document) made.emplace(std::move(created.document), L"Document", cache_, server);
    return std::make_unique<ComPublisherApplication>(
        DispatchObject(std::move(created.application), L"Application", cache_, std::move(server)),
        std::move(made));
}

namespace {

class ComImpatience : public PublisherImpatience {
    ImpatientCalls calls_;
};

}  // namespace

std::unique_ptr<PublisherImpatience> ComPublisherAutomation::Impatient() {
    return std::make_unique<ComImpatience>();
}

BusyServerFilter::BusyServerFilter() {
    registered_ = SUCCEEDED(::CoRegisterMessageFilter(this, &previous_));
}

BusyServerFilter::~BusyServerFilter() {
    if (!registered_) return;
    IMessageFilter* ours = nullptr;
    ::CoRegisterMessageFilter(previous_, &ours);
    if (previous_ != nullptr) previous_->Release();
}

HRESULT STDMETHODCALLTYPE BusyServerFilter::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMessageFilter) {
        *object = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

DWORD STDMETHODCALLTYPE BusyServerFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) {
    return SERVERCALL_ISHANDLED;
}

DWORD STDMETHODCALLTYPE BusyServerFilter::RetryRejectedCall(HTASK, DWORD elapsed,
                                                            DWORD rejectType) {
    const bool busy = rejectType == SERVERCALL_RETRYLATER || rejectType == SERVERCALL_REJECTED;
    if (busy && BusyAnswersWaitedOut() && elapsed < static_cast<DWORD>(kBusyRetryTime.count())) {
        return 100;  // in 100 ms
    }
    return static_cast<DWORD>(-1);  // give up: the call fails
}

DWORD STDMETHODCALLTYPE BusyServerFilter::MessagePending(HTASK, DWORD, DWORD) {
    return PENDINGMSG_WAITDEFPROCESS;
}

}  // namespace kelbrook::win32
