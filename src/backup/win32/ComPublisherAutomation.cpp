#include "backup/win32/ComPublisherAutomation.h"

#include "core/Failure.h"
#include "core/win32/Dispatch.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

class ComShapeRange : public PublisherShapeRange {
  public:
    explicit ComShapeRange(DispatchObject range) : range_(std::move(range)) {}
    void Copy() override { range_.Call(L"Copy"); }

  private:
    DispatchObject range_;
};

class ComShapes : public PublisherShapes {
  public:
    explicit ComShapes(DispatchObject shapes) : shapes_(std::move(shapes)) {}
    int Count() override { return shapes_.Integer(L"Count"); }
    std::unique_ptr<PublisherShapeRange> Range() override {
        return std::make_unique<ComShapeRange>(shapes_.Object(L"Range", L"ShapeRange"));
    }
    void Paste() override { shapes_.Call(L"Paste"); }

  private:
    DispatchObject shapes_;
};

class ComPage : public PublisherPage {
  public:
    explicit ComPage(DispatchObject page) : page_(std::move(page)) {}
    std::unique_ptr<PublisherShapes> Shapes() override {
        return std::make_unique<ComShapes>(page_.Object(L"Shapes", L"Shapes"));
    }

  private:
    DispatchObject page_;
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

class ComPages : public PublisherPages {
  public:
    explicit ComPages(DispatchObject pages) : pages_(std::move(pages)) {}
    int Count() override { return pages_.Integer(L"Count"); }
    std::unique_ptr<PublisherPage> Item(int index) override {
        std::vector<Variant> arguments;
        arguments.push_back(IntegerArgument(index));
        return std::make_unique<ComPage>(pages_.Object(L"Item", L"Page", std::move(arguments)));
    }
    std::unique_ptr<PublisherPage> Add(int count, int after) override {
        std::vector<Variant> arguments;
        arguments.push_back(IntegerArgument(count));
        arguments.push_back(IntegerArgument(after));
        return std::make_unique<ComPage>(pages_.Object(L"Add", L"Page", std::move(arguments)));
    }
    std::unique_ptr<PublisherPageEnumeration> Enumerate() override {
        Variant value = pages_.GetById(DISPID_NEWENUM, L"_NewEnum");
        ComPtr<IEnumVARIANT> enumeration;
        if ((value.get()->vt == VT_UNKNOWN || value.get()->vt == VT_DISPATCH) &&
            value.get()->punkVal != nullptr) {
            value.get()->punkVal->QueryInterface(IID_IEnumVARIANT, enumeration.put_void());
        }
        if (!enumeration) throw Failure(L"Pages: the pages cannot be enumerated");
        return std::make_unique<ComPageEnumeration>(std::move(enumeration), pages_.cache());
    }

  private:
    DispatchObject pages_;
};

class ComDocument : public PublisherDocument {
  public:
    explicit ComDocument(DispatchObject document) : document_(std::move(document)) {}
    std::wstring Name() override { return document_.Text(L"Name"); }
    std::wstring Path() override { return document_.Text(L"Path"); }
    std::unique_ptr<PublisherPages> Pages() override {
        return std::make_unique<ComPages>(document_.Object(L"Pages", L"Pages"));
    }
    void SaveAs(const std::wstring& fileName) override {
        document_.CallNamed(L"SaveAs", L"fileName", TextArgument(fileName));
    }

  private:
    DispatchObject document_;
};

class ComDocuments : public PublisherDocuments {
  public:
    explicit ComDocuments(DispatchObject documents) : documents_(std::move(documents)) {}
    int Count() override { return documents_.Integer(L"Count"); }
    std::unique_ptr<PublisherDocument> Item(int index) override {
        std::vector<Variant> arguments;
        arguments.push_back(IntegerArgument(index));
        return std::make_unique<ComDocument>(
            documents_.Object(L"Item", L"Document", std::move(arguments)));
    }

  private:
    DispatchObject documents_;
};

class ComPublisherApplication : public PublisherApplication {
  public:
    explicit ComPublisherApplication(DispatchObject application)
        : application_(std::move(application)) {}
    std::wstring Name() override { return application_.Text(L"Name"); }
    std::unique_ptr<PublisherDocuments> Documents() override {
        return std::make_unique<ComDocuments>(application_.Object(L"Documents", L"Documents"));
    }
    std::unique_ptr<PublisherDocument> ActiveDocument() override {
        return std::make_unique<ComDocument>(application_.Object(L"ActiveDocument", L"Document"));
    }
    void Quit() override { application_.Call(L"Quit"); }

  private:
    DispatchObject application_;
};

CLSID PublisherClass() {
    CLSID clsid{};
    ThrowIfFailed(::CLSIDFromProgID(kPublisherProgId, &clsid), kPublisherProgId);
    return clsid;
}

}  // namespace

ComPublisherAutomation::ComPublisherAutomation() : cache_(std::make_shared<DispatchIdCache>()) {}

std::unique_ptr<PublisherApplication> ComPublisherAutomation::AttachRunning() {
    const CLSID clsid = PublisherClass();
    ComPtr<IUnknown> running;
    ThrowIfFailed(::GetActiveObject(clsid, nullptr, running.put()), L"Publisher is not running");
    ComPtr<IDispatch> application;
    ThrowIfFailed(running->QueryInterface(IID_IDispatch, application.put_void()),
                  L"Publisher.Application");
    return std::make_unique<ComPublisherApplication>(
        DispatchObject(std::move(application), L"Application", cache_));
}

std::unique_ptr<PublisherApplication> ComPublisherAutomation::CreateInstance() {
    const CLSID clsid = PublisherClass();
    ComPtr<IDispatch> application;
    ThrowIfFailed(::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                     application.put_void()),
                  kPublisherProgId);
    if (!application) return nullptr;
    return std::make_unique<ComPublisherApplication>(
        DispatchObject(std::move(application), L"Application", cache_));
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
