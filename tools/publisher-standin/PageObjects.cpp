#include "ObjectParts.h"

#include "Dispatch.h"
#include "Owners.h"
#include "Server.h"
#include "StandinPublication.h"

#include <memory>
#include <utility>
#include <vector>

namespace standin {
namespace {

// ---- Page enumeration -------------------------------------------------------------------

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
    {1, L"Shapes"}, {2, L"PageNumber"},      {3, L"Master"},       {4, L"PageIndex"},
    {5, L"PageID"}, {6, L"IsTwoPageMaster"}, {7, L"IgnoreMaster"}, {8, L"Background"},
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
                return ReturnObject(result, NewShapes(document_, page_));
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
            case 7:
                return ReturnBool(result, OrdinaryPage()->ignoreMaster);
            case 8:
                // "This property is for publication pages only. Any attempt to create a
                // background for a master page will return a "Permission denied" error": so
                // does any attempt to reach one (*).
                if (IsMaster()) Fail(L"Permission denied");
                return ReturnObject(result, NewPageBackground(document_, page_));
            default:
                return ReturnString(result, PageNumber());
        }
    }
    // "A String that represents the current page number", from the page's section; a master
    // page's is its place among the master pages' items (*).
    std::wstring PageNumber() const {
        if (IsMaster()) return std::to_wstring(Index());
        return PageNumberOf(SectionValues(*document_), static_cast<size_t>(Index()));
    }
    // A page of the Pages collection: IgnoreMaster means nothing on a master page (*).
    const PagePtr& OrdinaryPage() const {
        if (IsMaster()) Fail(L"This feature is not for master pages");
        return page_;
    }
    void Put(DISPID id, const VARIANT& value) override {
        if (id == 6) return SetTwoPageMaster(BoolOf(value));
        if (id == 7) {
            OrdinaryPage()->ignoreMaster = BoolOf(value);
            document_->saved = false;
            return;
        }
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

}  // namespace

IDispatch* NewPage(DocumentPtr document, PagePtr page) {
    return new PageObject(std::move(document), std::move(page));
}

namespace {

// ---- MasterPages
// ---------------------------------------------------------------------------------

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
                // The sections keep the pages that head them; the new pages join the section
                // of the page they follow (*).
                std::vector<Section> sections = SectionValues(*document_);
                PagesInserted(sections, static_cast<size_t>(after), static_cast<size_t>(count));
                for (size_t s = 0; s < sections.size(); ++s) *document_->sections[s] = sections[s];
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

}  // namespace

IDispatch* NewMasterPages(DocumentPtr document) {
    return new MasterPages(std::move(document));
}

IDispatch* NewPages(DocumentPtr document) {
    return new Pages(std::move(document));
}

}  // namespace standin
