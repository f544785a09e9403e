#include "backup/win32/ComPageObjects.h"

#include <cstdint>

#include "core/Failure.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

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
    std::unique_ptr<PublisherShape> Item(int index) override {
        return MakeShape(With(L"Item", L"Shape", {index}));
    }
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
    bool IgnoreMaster() override { return object_.Boolean(L"IgnoreMaster"); }
    void SetIgnoreMaster(bool ignore) override {
        object_.Put(L"IgnoreMaster", BoolArgument(ignore));
    }
    std::unique_ptr<PublisherPageBackground> Background() override;
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

// MsoFillType and MsoColorType, as Publisher's FillFormat and ColorFormat give them.
constexpr int kFillSolid = 1, kFillPicture = 6;
constexpr int kColorScheme = 2;

class ComPageBackground : public ComObject<PublisherPageBackground> {
  public:
    using ComObject::ComObject;
    bool Exists() override { return object_.Boolean(L"Exists"); }
    void Create() override { object_.Call(L"Create"); }
    PublisherFill Fill() override {
        DispatchObject fill = object_.Object(L"Fill", L"FillFormat");
        PublisherFill read;
        const int type = fill.Integer(L"Type");
        if (type != kFillSolid) {
            read.kind =
                type == kFillPicture ? PublisherFill::Kind::Picture : PublisherFill::Kind::Other;
            return read;
        }
        DispatchObject color = fill.Object(L"ForeColor", L"ColorFormat");
        read.scheme = color.Integer(L"Type") == kColorScheme;
        if (read.scheme) {
            read.schemeColor = color.Integer(L"SchemeColor");
        } else {
            read.rgb = static_cast<std::int32_t>(color.Integer(L"RGB"));
        }
        return read;
    }
    void SetFill(const PublisherFill& fill) override {
        if (fill.kind != PublisherFill::Kind::Solid) {
            throw Failure(L"PageBackground.Fill: only a solid colour can be given");
        }
        DispatchObject color =
            object_.Object(L"Fill", L"FillFormat").Object(L"ForeColor", L"ColorFormat");
        if (fill.scheme) {
            color.Put(L"SchemeColor", IntegerArgument(fill.schemeColor));
        } else {
            color.Put(L"RGB", IntegerArgument(fill.rgb));
        }
    }
};

std::unique_ptr<PublisherPageBackground> ComPage::Background() {
    return std::make_unique<ComPageBackground>(object_.Object(L"Background", L"PageBackground"));
}

class ComSection : public ComObject<PublisherSection> {
  public:
    using ComObject::ComObject;
    int StartPageIndex() override { return object_.Integer(L"StartPageIndex"); }
    int PageNumberStart() override { return object_.Integer(L"PageNumberStart"); }
    void SetPageNumberStart(int number) override {
        object_.Put(L"PageNumberStart", IntegerArgument(number));
    }
    int PageNumberFormat() override { return object_.Integer(L"PageNumberFormat"); }
    void SetPageNumberFormat(int format) override {
        object_.Put(L"PageNumberFormat", IntegerArgument(format));
    }
    bool ContinueNumbersFromPreviousSection() override {
        return object_.Boolean(L"ContinueNumbersFromPreviousSection");
    }
    void SetContinueNumbersFromPreviousSection(bool continues) override {
        object_.Put(L"ContinueNumbersFromPreviousSection", BoolArgument(continues));
    }
};

class ComSections : public ComObject<PublisherSections> {
  public:
    using ComObject::ComObject;
    int Count() override { return object_.Integer(L"Count"); }
    std::unique_ptr<PublisherSection> Item(int index) override {
        return std::make_unique<ComSection>(With(L"Item", L"Section", {index}));
    }
    std::unique_ptr<PublisherSection> Add(int startPageIndex) override {
        return std::make_unique<ComSection>(With(L"Add", L"Section", {startPageIndex}));
    }
};

}  // namespace

std::unique_ptr<PublisherShapes> MakeShapes(DispatchObject shapes) {
    return std::make_unique<ComShapes>(std::move(shapes));
}
std::unique_ptr<PublisherPages> MakePages(DispatchObject pages) {
    return std::make_unique<ComPages>(std::move(pages));
}
std::unique_ptr<PublisherMasterPages> MakeMasterPages(DispatchObject masterPages) {
    return std::make_unique<ComMasterPages>(std::move(masterPages));
}
std::unique_ptr<PublisherPageSetup> MakePageSetup(DispatchObject pageSetup) {
    return std::make_unique<ComPageSetup>(std::move(pageSetup));
}
std::unique_ptr<PublisherSections> MakeSections(DispatchObject sections) {
    return std::make_unique<ComSections>(std::move(sections));
}

}  // namespace kelbrook::win32
