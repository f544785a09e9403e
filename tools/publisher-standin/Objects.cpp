#include "Objects.h"

#include "Dispatch.h"
#include "Owners.h"
#include "Server.h"
#include "StandinPublication.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace standin {
namespace {

using DocumentPtr = std::shared_ptr<DocumentState>;

using PagePtr = std::shared_ptr<PageState>;

std::wstring OutOfRange(long index, size_t count) {
    return L"index " + std::to_wstring(index) + L" is out of range (there " +
           (count == 1 ? L"is 1 item" : L"are " + std::to_wstring(count) + L" items") + L")";
}

// ---- Page enumeration -------------------------------------------------------------------

IDispatch* NewPage(DocumentPtr document, PagePtr page);

class PageEnumerator : public IEnumVARIANT {
  public:
    PageEnumerator(DocumentPtr document, std::vector<PagePtr> pages, size_t next)
        : document_(std::move(document)), pages_(std::move(pages)), next_(next) {
        ObjectCreated();
    }
    virtual ~PageEnumerator() { ObjectDestroyed(); }
    PageEnumerator(const PageEnumerator&) = delete;
    PageEnumerator& operator=(const PageEnumerator&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumVARIANT)) {
            *object = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* items, ULONG* fetched) override {
        if (!items) return E_POINTER;
        ULONG count = 0;
        for (; count < wanted && next_ < pages_.size(); ++count, ++next_) {
            VariantInit(&items[count]);
            ReturnObject(&items[count], NewPage(document_, pages_[next_]));
        }
        if (fetched) *fetched = count;
        return count == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const size_t left = pages_.size() - next_;
        next_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
        if (!copy) return E_POINTER;
        *copy = new PageEnumerator(document_, pages_, next_);
        return S_OK;
    }

  private:
    ULONG references_ = 1;
    DocumentPtr document_;
    std::vector<PagePtr> pages_;  // the pages as they were when enumeration began
    size_t next_;
};

// ---- ShapeRange -----------------------------------------------------------------------------

// Where pasted shapes land (*): offset from where they stood, as Publisher may place them (its
// reference does not say), so that a client that wants them in place must move them.
constexpr double kPasteOffset = 18;

constexpr Member kShapeRangeMembers[] = {
    {1, L"Count"},
    {2, L"Copy"},
    {3, L"Left"},
    {4, L"Top"},
    {5, L"IncrementLeft", {L"Increment"}},
    {6, L"IncrementTop", {L"Increment"}},
};

// Shapes first .. first + count of a page (or master page, or the scratch area), live.
class ShapeRange : public DispatchObject {
  public:
    ShapeRange(DocumentPtr document, PagePtr page, size_t first, size_t count)
        : DispatchObject(L"ShapeRange", kShapeRangeMembers),
          document_(std::move(document)),
          page_(std::move(page)),
          first_(first),
          count_(count) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        const size_t first = std::min(first_, page_->shapes.size());
        const size_t end = std::min(page_->shapes.size(), first_ + count_);
        const std::vector<Shape> shapes(page_->shapes.begin() + first, page_->shapes.begin() + end);
        switch (id) {
            case 1:
                return ReturnLong(result, static_cast<long>(shapes.size()));
            case 2:
                return CopyShapesToClipboard(shapes);
            case 3:
            case 4: {
                if (shapes.empty()) Fail(L"the range holds no shapes");
                double least = id == 3 ? shapes.front().left : shapes.front().top;
                for (const Shape& shape : shapes) {
                    least = std::min(least, id == 3 ? shape.left : shape.top);
                }
                return ReturnDouble(result, least);
            }
            default: {
                const double increment = arguments.Number(0);
                for (size_t i = first; i < end; ++i) {
                    (id == 5 ? page_->shapes[i].left : page_->shapes[i].top) += increment;
                }
                document_->saved = false;
                return;
            }
        }
    }

  private:
    DocumentPtr document_;
    PagePtr page_;
    size_t first_, count_;
};

// ---- Shapes -------------------------------------------------------------------------------

constexpr Member kShapesMembers[] = {
    {1, L"Count"},
    {2, L"Range", {L"Index"}},
    {3, L"Paste"},
};

class Shapes : public DispatchObject {
  public:
    Shapes(DocumentPtr document, PagePtr page)
        : DispatchObject(L"Shapes", kShapesMembers), document_(std::move(document)), page_(page) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        switch (id) {
            case 1:
                return ReturnLong(result, static_cast<long>(page_->shapes.size()));
            case 2:
                if (arguments.Has(0)) Fail(L"this stand-in takes the range of all shapes only");
                return ReturnObject(result,
                                    new ShapeRange(document_, page_, 0, page_->shapes.size()));
            default: {
                std::vector<Shape> pasted = ShapesFromClipboard();
                const size_t first = page_->shapes.size();
                for (Shape& shape : pasted) {
                    shape.left += kPasteOffset;
                    shape.top += kPasteOffset;
                    page_->shapes.push_back(std::move(shape));
                }
                document_->saved = false;
                return ReturnObject(result, new ShapeRange(document_, page_, first, pasted.size()));
            }
        }
    }

  private:
    DocumentPtr document_;
    PagePtr page_;
};

// ---- Page ---------------------------------------------------------------------------------

// MasterPages sees a two-page master as two items, its left half and then its right (*).
std::vector<PagePtr> MasterHalves(const DocumentState& document) {
    std::vector<PagePtr> halves;
    for (const PagePtr& master : document.masters) {
        halves.push_back(master);
        if (master->right) halves.push_back(master->right);
    }
    return halves;
}

// The master page that this master page is, or is a half of, 1-based; 0 when none is.
size_t MasterOf(const DocumentState& document, const PagePtr& half) {
    for (size_t i = 0; i < document.masters.size(); ++i) {
        const PagePtr& master = document.masters[i];
        if (master == half || (half && master->right == half)) return i + 1;
    }
    return 0;
}

constexpr Member kPageMembers[] = {
    {1, L"Shapes"},    {2, L"PageNumber"}, {3, L"Master"},
    {4, L"PageIndex"}, {5, L"PageID"},     {6, L"IsTwoPageMaster"},
};

class PageObject : public DispatchObject {
  public:
    PageObject(DocumentPtr document, PagePtr page)
        : DispatchObject(L"Page", kPageMembers), document_(std::move(document)), page_(page) {}
    const PagePtr& page() const { return page_; }
    const DocumentPtr& document() const { return document_; }

  protected:
    bool IsMaster() const { return page_->master == 0; }
    // The page's place in its collection (the pages, or the master pages' items), 1-based.
    long Index() const {
        const auto pages = IsMaster() ? MasterHalves(*document_) : document_->pages;
        for (size_t i = 0; i < pages.size(); ++i) {
            if (pages[i] == page_) return static_cast<long>(i + 1);
        }
        Fail(L"the page is no longer in its publication");
    }
    // The page's master page; on a two-page master, the half on the page's side (*).
    PagePtr Master() const {
        // "Master pages do not have a Master property."
        if (IsMaster()) Fail(L"Master pages do not have a Master property");
        const size_t master = static_cast<size_t>(page_->master);
        if (master < 1 || master > document_->masters.size()) {
            Fail(L"the page's master page is gone");
        }
        const PagePtr& left = document_->masters[master - 1];
        const bool rightHand = IsRightHandPage(static_cast<size_t>(Index() - 1));
        return left->right && rightHand ? left->right : left;
    }
    // The master page this page is, or is a half of.
    PagePtr OwnMaster() const {
        if (!IsMaster()) Fail(L"This feature is only for master pages");
        const size_t master = MasterOf(*document_, page_);
        if (master == 0) Fail(L"the page is no longer in its publication");
        return document_->masters[master - 1];
    }
    void Call(DISPID id, const Arguments&, VARIANT* result) override {
        switch (id) {
            case 1:
                return ReturnObject(result, new Shapes(document_, page_));
            case 3:
                return ReturnObject(result, NewPage(document_, Master()));
            case 4:
                // "The index of the page in the Pages collection": a master page has none (*).
                if (IsMaster()) Fail(L"a master page has no place in the Pages collection");
                return ReturnLong(result, Index());
            case 5:
                return ReturnLong(result, page_->id);
            case 6:
                return ReturnBool(result, OwnMaster()->right != nullptr);
            default:
                return ReturnLong(result, Index());
        }
    }
    void Put(DISPID id, const VARIANT& value) override {
        if (id == 6) return SetTwoPageMaster(BoolOf(value));
        if (id != 3) DispatchObject::Put(id, value);
        if (IsMaster()) Fail(L"Master pages do not have a Master property");
        auto* other =
            V_VT(&value) == VT_DISPATCH
                ? dynamic_cast<PageObject*>(static_cast<DispatchObject*>(V_DISPATCH(&value)))
                : nullptr;
        // Either half of a two-page master applies the whole of it.
        const size_t master =
            other && other->document_ == document_ ? MasterOf(*document_, other->page_) : 0;
        if (master == 0) Fail(L"the value is not a master page of this publication");
        page_->master = static_cast<int>(master);
        document_->saved = false;
    }
    // A one-page master gets an empty right half; a two-page one loses its right half, and
    // with it the half's shapes (*).
    void SetTwoPageMaster(bool twoPage) {
        const PagePtr master = OwnMaster();
        if (twoPage && !master->right)
            master->right = std::make_shared<PageState>(PageState{{}, 0});
        if (!twoPage) master->right.reset();
        document_->saved = false;
    }

  private:
    DocumentPtr document_;
    PagePtr page_;
};

IDispatch* NewPage(DocumentPtr document, PagePtr page) {
    return new PageObject(std::move(document), std::move(page));
}

// ---- MasterPages and the scratch area -------------------------------------------------------

constexpr Member kMasterPagesMembers[] = {
    {DISPID_VALUE, L"Item", {L"Index"}},
    {1, L"Count"},
    {2, L"Add", {L"IsTwoPageMaster", L"Abbreviation", L"Description"}},
};

class MasterPages : public DispatchObject {
  public:
    explicit MasterPages(DocumentPtr document)
        : DispatchObject(L"MasterPages", kMasterPagesMembers), document_(std::move(document)) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        const std::vector<PagePtr> halves = MasterHalves(*document_);
        switch (id) {
            case DISPID_VALUE: {
                const long index = arguments.Long(0);
                if (index < 1 || static_cast<size_t>(index) > halves.size()) {
                    Fail(OutOfRange(index, halves.size()));
                }
                return ReturnObject(result, NewPage(document_, halves[index - 1]));
            }
            case 1:
                return ReturnLong(result, static_cast<long>(halves.size()));
            default: {
                // A new master page after the others; a two-page one with IsTwoPageMaster. The
                // page returned is the new master page (its left half).
                auto master = std::make_shared<PageState>(PageState{{}, 0});
                if (arguments.OptionalBool(0).value_or(false)) {
                    master->right = std::make_shared<PageState>(PageState{{}, 0});
                }
                document_->masters.push_back(master);
                document_->saved = false;
                return ReturnObject(result, NewPage(document_, master));
            }
        }
    }

  private:
    DocumentPtr document_;
};

constexpr Member kScratchAreaMembers[] = {
    {1, L"Shapes"},
};

class ScratchArea : public DispatchObject {
  public:
    explicit ScratchArea(DocumentPtr document)
        : DispatchObject(L"ScratchArea", kScratchAreaMembers), document_(std::move(document)) {}

  protected:
    void Call(DISPID, const Arguments&, VARIANT* result) override {
        ReturnObject(result, new Shapes(document_, document_->scratch));
    }

  private:
    DocumentPtr document_;
};

// ---- Pages --------------------------------------------------------------------------------

constexpr Member kPagesMembers[] = {
    {DISPID_VALUE, L"Item", {L"Index"}},
    {1, L"Count"},
    {2, L"Add", {L"Count", L"After"}},
    {DISPID_NEWENUM, L"_NewEnum"},
};

class Pages : public DispatchObject {
  public:
    explicit Pages(DocumentPtr document)
        : DispatchObject(L"Pages", kPagesMembers), document_(std::move(document)) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        auto& pages = document_->pages;
        switch (id) {
            case DISPID_VALUE: {
                const long index = arguments.Long(0);
                if (index < 1 || static_cast<size_t>(index) > pages.size()) {
                    Fail(OutOfRange(index, pages.size()));
                }
                return ReturnObject(result, NewPage(document_, pages[index - 1]));
            }
            case 1:
                return ReturnLong(result, static_cast<long>(pages.size()));
            case 2: {
                const long count = arguments.Long(0);
                const long after = arguments.Long(1);
                if (count < 1 || count > 1000) {
                    Fail(L"Count " + std::to_wstring(count) + L" is not between 1 and 1000");
                }
                if (after < 0 || static_cast<size_t>(after) > pages.size()) {
                    Fail(L"After " + std::to_wstring(after) + L" is not between 0 and " +
                         std::to_wstring(pages.size()));
                }
                // A new page takes the master page of the page it follows (*), the first
                // page's when it comes first.
                const int master = pages.empty() ? 1 : pages[after > 0 ? after - 1 : 0]->master;
                std::vector<PagePtr> added;
                for (long i = 0; i < count; ++i) {
                    added.push_back(std::make_shared<PageState>(PageState{{}, master}));
                }
                pages.insert(pages.begin() + after, added.begin(), added.end());
                document_->saved = false;
                return ReturnObject(result, NewPage(document_, added.front()));
            }
            default: {
                V_VT(result) = VT_UNKNOWN;
                V_UNKNOWN(result) = new PageEnumerator(document_, pages, 0);
                return;
            }
        }
    }

  private:
    DocumentPtr document_;
};

// ---- PageSetup ----------------------------------------------------------------------------

constexpr Member kPageSetupMembers[] = {
    {1, L"PageWidth"},
    {2, L"PageHeight"},
};

class PageSetup : public DispatchObject {
  public:
    explicit PageSetup(DocumentPtr document)
        : DispatchObject(L"PageSetup", kPageSetupMembers), document_(std::move(document)) {}

  protected:
    void Call(DISPID id, const Arguments&, VARIANT* result) override {
        ReturnDouble(result, id == 1 ? document_->width : document_->height);
    }
    void Put(DISPID id, const VARIANT& value) override {
        const double points = NumberOf(value);
        // Publisher's range check.
        if (!IsPageDimension(points)) {
            Fail(L"The value is out of range: a page is 1 to 4000 points, not " +
                 std::to_wstring(points));
        }
        (id == 1 ? document_->width : document_->height) = points;
        document_->saved = false;
    }

  private:
    DocumentPtr document_;
};

// ---- Document -----------------------------------------------------------------------------

constexpr Member kDocumentMembers[] = {
    {1, L"Name"},
    {2, L"Path"},
    {3, L"FullName"},
    {4, L"Pages"},
    {5, L"SaveAs", {L"Filename", L"Format", L"AddToRecentFiles"}},
    {6, L"Saved"},
    {7, L"PageSetup"},
    {8, L"Close"},
    {9, L"MasterPages"},
    {10, L"ScratchArea"},
};

constexpr long kFilePublication = 1;  // PbFileFormat pbFilePublication, SaveAs's default

class Document : public DispatchObject {
  public:
    explicit Document(DocumentPtr document)
        : DispatchObject(L"Document", kDocumentMembers), document_(std::move(document)) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        switch (id) {
            case 1:
                return ReturnString(result, document_->name);
            case 2:
                return ReturnString(result, document_->path);
            case 3:
                return ReturnString(result,
                                    FullNameOf(Publication{document_->name, document_->path, {}}));
            case 4:
                return ReturnObject(result, new Pages(document_));
            case 6:
                return ReturnBool(result, document_->saved);
            case 7:
                return ReturnObject(result, new PageSetup(document_));
            case 9:
                return ReturnObject(result, new MasterPages(document_));
            case 10:
                return ReturnObject(result, new ScratchArea(document_));
            case 8:
                if (!document_->saved) {
                    // "Do you want to save the changes?", in an instance nobody sees (*).
                    Journal(L"Document", L"Close", L"prompted");
                    WaitForever();
                }
                document_ = CloseDocument(document_);
                return;
            default: {
                const long format = arguments.OptionalLong(1).value_or(kFilePublication);
                if (format != kFilePublication) {
                    Fail(L"this stand-in saves publications only (Format " +
                         std::to_wstring(kFilePublication) + L"), not Format " +
                         std::to_wstring(format));
                }
                const std::wstring full = FullPath(arguments.String(0));
                SaveDocumentAs(*document_, full);
                if (arguments.OptionalBool(2).value_or(true)) AddToRecentFiles(full);
                return;
            }
        }
    }

  private:
    DocumentPtr document_;
};

// ---- Documents ----------------------------------------------------------------------------

constexpr Member kDocumentsMembers[] = {
    {DISPID_VALUE, L"Item", {L"Index"}},
    {1, L"Count"},
};

// Every publication open in Publisher, across its instances: the running instance lists its
// own, then the publication of each live copy instance (in the order the copies started, or
// first with the switch running:Documents.Order = copies-first). A copy's publication is
// handed out as a small Document of its own: its name, never saved, one empty page.
std::vector<DocumentPtr> AllDocuments() {
    std::vector<DocumentPtr> documents = State().documents;
    if (State().mode != Mode::Running) return documents;
    std::vector<DocumentPtr> copies;
    for (const LiveCopy& copy : LiveCopies()) {
        copies.push_back(BlankDocument(copy.publication, false));
    }
    const std::optional<std::wstring> order = FaultFor(L"Documents", L"Order");
    const bool copiesFirst =
        order && CompareStringOrdinal(order->c_str(), -1, L"copies-first", -1, TRUE) == CSTR_EQUAL;
    documents.insert(copiesFirst ? documents.begin() : documents.end(), copies.begin(),
                     copies.end());
    return documents;
}

class Documents : public DispatchObject {
  public:
    Documents() : DispatchObject(L"Documents", kDocumentsMembers) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        const std::vector<DocumentPtr> documents = AllDocuments();
        if (id == 1) return ReturnLong(result, static_cast<long>(documents.size()));
        const long index = arguments.Long(0);
        if (index < 1 || static_cast<size_t>(index) > documents.size()) {
            Fail(OutOfRange(index, documents.size()));
        }
        ReturnObject(result, new Document(documents[index - 1]));
    }
};

// ---- Window -------------------------------------------------------------------------------

constexpr Member kWindowMembers[] = {
    {1, L"Hwnd"},
};

class Window : public DispatchObject {
  public:
    Window() : DispatchObject(L"Window", kWindowMembers) {}

  protected:
    void Call(DISPID, const Arguments&, VARIANT* result) override {
        // The instance's window, as Publisher gives it: a Long.
        const HWND window = State().mainWindow ? State().mainWindow : State().owner;
        ReturnLong(result, static_cast<long>(reinterpret_cast<INT_PTR>(window)));
    }
};

// ---- Application --------------------------------------------------------------------------

constexpr Member kApplicationMembers[] = {
    {1, L"Name"},
    {2, L"Documents"},
    {3, L"ActiveDocument"},
    {4, L"Open", {L"Filename"}},
    {5, L"Quit"},
    {6, L"ActiveWindow"},
    {7, L"NewDocument", {L"Wizard", L"Design"}},
};

class Application : public DispatchObject {
  public:
    Application() : DispatchObject(L"Application", kApplicationMembers) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        switch (id) {
            case 1:
                return ReturnString(result, L"Microsoft Publisher");
            case 2:
                return ReturnObject(result, new Documents());
            case 3:
                // "If there are no documents open, an error occurs."
                if (!State().active) Fail(L"There are no documents open");
                return ReturnObject(result, new Document(State().active));
            case 7: {
                // pbWizardNone only: a blank publication of one page.
                if (arguments.OptionalLong(0).value_or(0) != 0) {
                    Fail(L"this stand-in makes blank publications only (no Wizard)");
                }
                DocumentPtr document = BlankDocument(L"Publication1", true);
                AddDocument(document);
                if (State().mode == Mode::Copy) EnterLiveCopy(document->name);
                return ReturnObject(result, new Document(document));
            }
            case 4: {
                DocumentPtr document = OpenDocument(arguments.String(0));
                AddDocument(document);
                return ReturnObject(result, new Document(document));
            }
            case 6:
                // A fresh instance started bare has no window to give until it has a
                // publication (*).
                if (State().bare && !State().active) Fail(L"There is no active window");
                return ReturnObject(result, new Window());
            default:
                if (State().mode == Mode::Copy && State().active && !State().active->saved) {
                    // "Do you want to save the changes to Publication1?", in an instance
                    // nobody sees: the call never returns.
                    Journal(L"Application", L"Quit", L"prompted");
                    WaitForever();
                }
                QuitAnswered();
                return;
        }
    }
};

}  // namespace

IDispatch* NewApplication() {
    return new Application();
}

}  // namespace standin
