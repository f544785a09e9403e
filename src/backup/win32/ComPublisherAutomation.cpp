#include "backup/win32/ComPublisherAutomation.h"

#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "backup/win32/CopyCreation.h"
#include "core/Failure.h"
#include "core/win32/Dispatch.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

constexpr int kPublicationFormat = 1;  // PbFileFormat pbFilePublication

// One object of Publisher's, reached through IDispatch, behind the port of its kind.
template <class Port>
class ComObject : public Port {
  public:
    explicit ComObject(DispatchObject object) : object_(std::move(object)) {}

  protected:
    // The object a member gives for whole-number arguments (an index, a count).
    DispatchObject With(const wchar_t* member, const wchar_t* kind,
                        std::initializer_list<int> integers) {
        std::vector<Variant> arguments;
        for (const int value : integers) arguments.push_back(IntegerArgument(value));
        return object_.Object(member, kind, std::move(arguments));
    }

    DispatchObject object_;
};

class ComShapeRange : public ComObject<PublisherShapeRange> {
  public:
    using ComObject::ComObject;
    void Copy() override { object_.Call(L"Copy"); }
    double Left() override { return object_.Number(L"Left"); }
    double Top() override { return object_.Number(L"Top"); }
    void IncrementLeft(double points) override { Move(L"IncrementLeft", points); }
    void IncrementTop(double points) override { Move(L"IncrementTop", points); }

  private:
    void Move(const wchar_t* member, double points) {
        std::vector<Variant> arguments;
        arguments.push_back(NumberArgument(points));
        object_.Call(member, std::move(arguments));
    }
};

class ComShapes : public ComObject<PublisherShapes> {
  public:
    using ComObject::ComObject;
    int Count() override { return object_.Integer(L"Count"); }
    std::unique_ptr<PublisherShapeRange> Range() override {
        return std::make_unique<ComShapeRange>(object_.Object(L"Range", L"ShapeRange"));
    }
    std::unique_ptr<PublisherShapeRange> Paste() override {
        return std::make_unique<ComShapeRange>(object_.Object(L"Paste", L"ShapeRange"));
    }
};

class ComPage : public ComObject<PublisherPage> {
  public:
    using ComObject::ComObject;
    std::unique_ptr<PublisherShapes> Shapes() override {
        return std::make_unique<ComShapes>(object_.Object(L"Shapes", L"Shapes"));
    }
    std::unique_ptr<PublisherPage> Master() override {
        return std::make_unique<ComPage>(object_.Object(L"Master", L"Page"));
    }
    // Written as the reference's example writes it (`Pages(1).Master = Pages(2).Master`, a
    // property put); a Publisher that takes the object only by reference answers that the
    // member is not found, or that the type does not match: then once more as a put by
    // reference.
    void SetMaster(PublisherPage& master) override {
        auto* page = dynamic_cast<ComPage*>(&master);
        if (page == nullptr) throw Failure(L"Page.Master: not a page of Publisher's");
        try {
            object_.Put(L"Master", ObjectArgument(page->object_.get()));
        } catch (const Failure& failure) {
            if (failure.Code() != DISP_E_MEMBERNOTFOUND && failure.Code() != DISP_E_TYPEMISMATCH) {
                throw;
            }
            object_.PutRef(L"Master", ObjectArgument(page->object_.get()));
        }
    }
    std::int64_t PageID() override { return object_.Integer(L"PageID"); }
    bool IsTwoPageMaster() override { return object_.Boolean(L"IsTwoPageMaster"); }
    void SetIsTwoPageMaster(bool twoPage) override {
        object_.Put(L"IsTwoPageMaster", BoolArgument(twoPage));
    }
};

class ComMasterPages : public ComObject<PublisherMasterPages> {
  public:
    using ComObject::ComObject;
    int Count() override { return object_.Integer(L"Count"); }
    std::unique_ptr<PublisherPage> Item(int index) override {
        return std::make_unique<ComPage>(With(L"Item", L"Page", {index}));
    }
    std::unique_ptr<PublisherPage> Add(bool isTwoPageMaster) override {
        std::vector<Variant> arguments;
        arguments.push_back(BoolArgument(isTwoPageMaster));  // IsTwoPageMaster
        return std::make_unique<ComPage>(object_.Object(L"Add", L"Page", std::move(arguments)));
    }
};

class ComPageEnumeration : public PublisherPageEnumeration {
  public:
    ComPageEnumeration(ComPtr<IEnumVARIANT> pages, std::shared_ptr<DispatchIdCache> cache)
        : pages_(std::move(pages)), cache_(std::move(cache)) {}
    std::unique_ptr<PublisherPage> Next() override {
        Variant item;
        ULONG fetched = 0;
        const HRESULT hr = RetryWhileBusy([&] { return pages_->Next(1, item.get(), &fetched); });
        ThrowIfFailed(hr, L"Pages: the next page");
        if (hr == S_FALSE || fetched == 0) return nullptr;
        ComPtr<IDispatch> page;
        if (item.get()->vt == VT_DISPATCH && item.get()->pdispVal != nullptr) {
            item.get()->pdispVal->QueryInterface(IID_IDispatch, page.put_void());
        }
        if (!page) throw Failure(L"Pages: the next page is no object");
        return std::make_unique<ComPage>(DispatchObject(std::move(page), L"Page", cache_));
    }

  private:
    ComPtr<IEnumVARIANT> pages_;
    std::shared_ptr<DispatchIdCache> cache_;
};

class ComPages : public ComObject<PublisherPages> {
  public:
    using ComObject::ComObject;
    int Count() override { return object_.Integer(L"Count"); }
    std::unique_ptr<PublisherPage> Item(int index) override {
        return std::make_unique<ComPage>(With(L"Item", L"Page", {index}));
    }
    std::unique_ptr<PublisherPage> Add(int count, int after) override {
        return std::make_unique<ComPage>(With(L"Add", L"Page", {count, after}));
    }
    std::unique_ptr<PublisherPageEnumeration> Enumerate() override {
        Variant value = object_.GetById(DISPID_NEWENUM, L"_NewEnum");
        ComPtr<IEnumVARIANT> enumeration;
        if ((value.get()->vt == VT_UNKNOWN || value.get()->vt == VT_DISPATCH) &&
            value.get()->punkVal != nullptr) {
            value.get()->punkVal->QueryInterface(IID_IEnumVARIANT, enumeration.put_void());
        }
        if (!enumeration) throw Failure(L"Pages: the pages cannot be enumerated");
        return std::make_unique<ComPageEnumeration>(std::move(enumeration), object_.cache());
    }
};

class ComPageSetup : public ComObject<PublisherPageSetup> {
  public:
    using ComObject::ComObject;
    double PageWidth() override { return object_.Number(L"PageWidth"); }
    double PageHeight() override { return object_.Number(L"PageHeight"); }
    void SetPageWidth(double points) override { object_.Put(L"PageWidth", NumberArgument(points)); }
    void SetPageHeight(double points) override {
        object_.Put(L"PageHeight", NumberArgument(points));
    }
};

class ComDocument : public ComObject<PublisherDocument> {
  public:
    using ComObject::ComObject;
    std::wstring Name() override { return object_.Text(L"Name"); }
    std::wstring FullName() override { return object_.Text(L"FullName"); }
    std::wstring Path() override { return object_.Text(L"Path"); }
    std::unique_ptr<PublisherPages> Pages() override {
        return std::make_unique<ComPages>(object_.Object(L"Pages", L"Pages"));
    }
    std::unique_ptr<PublisherMasterPages> MasterPages() override {
        return std::make_unique<ComMasterPages>(object_.Object(L"MasterPages", L"MasterPages"));
    }
    std::unique_ptr<PublisherShapes> ScratchShapes() override {
        return std::make_unique<ComShapes>(
            object_.Object(L"ScratchArea", L"ScratchArea").Object(L"Shapes", L"Shapes"));
    }
    std::unique_ptr<PublisherPageSetup> PageSetup() override {
        return std::make_unique<ComPageSetup>(object_.Object(L"PageSetup", L"PageSetup"));
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
    std::shared_ptr<PublisherProcess> Process() override {
        if (!object_.server()) return nullptr;  // the Publisher the user works in
        return std::make_shared<ComProcess>(object_.server());
    }
    std::wstring Name() override { return object_.Text(L"Name"); }
    std::unique_ptr<PublisherDocuments> Documents() override {
        return std::make_unique<ComDocuments>(object_.Object(L"Documents", L"Documents"));
    }
    std::unique_ptr<PublisherDocument> ActiveDocument() override {
        return std::make_unique<ComDocument>(object_.Object(L"ActiveDocument", L"Document"));
    }
    std::unique_ptr<PublisherDocument> NewDocument() override {
        return std::make_unique<ComDocument>(object_.Object(L"NewDocument", L"Document"));
    }
    void Quit() override { object_.Call(L"Quit"); }
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
    // The user's Publisher's process, which no overdue creation may ever end.
    try {
        const int window = object.Object(L"ActiveWindow", L"Window").Integer(L"Hwnd");
        DWORD processId = 0;
        ::GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<INT_PTR>(window)),
                                   &processId);
        runningProcess_ = processId;
    } catch (...) {
        // Its start, before any creation of ours, still tells it apart.
    }
    return std::make_unique<ComPublisherApplication>(std::move(object));
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
    return std::make_unique<ComPublisherApplication>(
        DispatchObject(std::move(created.application), L"Application", cache_, std::move(server)));
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
    if (busy && elapsed < static_cast<DWORD>(kBusyRetryTime.count())) return 100;  // in 100 ms
    return static_cast<DWORD>(-1);  // give up: the call fails
}

DWORD STDMETHODCALLTYPE BusyServerFilter::MessagePending(HTASK, DWORD, DWORD) {
    return PENDINGMSG_WAITDEFPROCESS;
}

}  // namespace kelbrook::win32
