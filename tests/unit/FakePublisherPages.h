// Publisher in memory: the objects of a publication's pages, as the stand-in has them.
#pragma once

#include "FakePublisherStories.h"

namespace kelbrook::testing::fake {

// Shapes first .. first + count of a page (all of them when count is npos).
class ShapeRange : public PublisherShapeRange {
  public:
    ShapeRange(Where where, std::size_t first, std::size_t count)
        : w_(std::move(where)), first_(first), count_(count) {}
    void Copy() override {
        w_.Call(L"ShapeRange.Copy");
        // A frame of a chain goes unlinked, holding its story from its own part to the end.
        const FrameAt any{w_, 0};
        std::vector<standin::Shape> copied;
        auto& all = w_.Shapes();
        for (std::size_t i = first_; i < all.size() && i < first_ + count_; ++i)
            copied.push_back(any.Flow().Detached(all[i]));
        w_.world->clipboardShapes = copied;
        std::wstring text;
        for (const standin::Shape& shape : copied)
            text += (text.empty() ? L"" : L"\r\n") + shape.text;
        w_.world->clipboardText = text;
    }
    double Left() override { return Edge(L"ShapeRange.Left", &standin::Shape::left); }
    double Top() override { return Edge(L"ShapeRange.Top", &standin::Shape::top); }
    void IncrementLeft(double points) override {
        Move(L"ShapeRange.IncrementLeft", &standin::Shape::left, points);
    }
    void IncrementTop(double points) override {
        Move(L"ShapeRange.IncrementTop", &standin::Shape::top, points);
    }

  private:
    std::vector<standin::Shape> Shapes() const {
        const auto& all = w_.Shapes();
        const std::size_t first = std::min(first_, all.size());
        return {all.begin() + static_cast<std::ptrdiff_t>(first),
                all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), first + count_))};
    }
    double Edge(const std::wstring& member, double standin::Shape::*edge) {
        w_.Call(member);
        const std::vector<standin::Shape> shapes = Shapes();
        if (shapes.empty()) throw Failure(member + L": the range is empty");
        double least = shapes.front().*edge;
        for (const standin::Shape& shape : shapes) least = std::min(least, shape.*edge);
        return least;
    }
    void Move(const std::wstring& member, double standin::Shape::*edge, double points) {
        w_.Call(member);
        auto& all = w_.Shapes();
        for (std::size_t i = first_; i < all.size() && i < first_ + count_; ++i)
            all[i].*edge += points;
        w_.Changed();
    }
    Where w_;
    std::size_t first_, count_;
};

class PageSetup : public PublisherPageSetup {
  public:
    explicit PageSetup(Where where) : w_(std::move(where)) {}
    double PageWidth() override {
        w_.Call(L"PageSetup.PageWidth");
        return w_.Document().width;
    }
    double PageHeight() override {
        w_.Call(L"PageSetup.PageHeight");
        return w_.Document().height;
    }
    void SetPageWidth(double points) override { Set(L"PageSetup.PageWidth", points, true); }
    void SetPageHeight(double points) override { Set(L"PageSetup.PageHeight", points, false); }

  private:
    void Set(const std::wstring& member, double points, bool width) {
        w_.Call(member);
        double& size = width ? w_.Document().width : w_.Document().height;
        if (!standin::FitsSheet(points, size,
                                width ? standin::kSheetWidth : standin::kSheetHeight)) {
            throw Failure(member + L": The value is out of range");
        }
        (width ? w_.Document().width : w_.Document().height) = points;
        w_.instance->changed = true;
    }
    Where w_;
};

class Shapes : public PublisherShapes {
  public:
    explicit Shapes(Where where) : w_(std::move(where)) {}
    int Count() override {
        w_.Call(L"Shapes.Count");
        return static_cast<int>(w_.Shapes().size());
    }
    std::unique_ptr<PublisherShape> Item(int index) override {
        w_.Call(L"Shapes.Item");
        if (index < 1 || static_cast<std::size_t>(index) > w_.Shapes().size())
            throw Failure(L"Shapes.Item: index out of range");
        return std::make_unique<fake::Shape>(FrameAt{w_, static_cast<std::size_t>(index) - 1});
    }
    std::unique_ptr<PublisherShapeRange> Range() override {
        w_.Call(L"Shapes.Range");
        w_.Shapes();
        return std::make_unique<ShapeRange>(w_, 0, std::wstring::npos);
    }
    std::unique_ptr<PublisherShapeRange> Paste() override {
        w_.Call(L"Shapes.Paste");
        if (!w_.world->clipboardShapes) throw Failure(L"The clipboard holds no shapes");
        auto& shapes = w_.Shapes();
        const std::size_t first = shapes.size();
        for (standin::Shape shape : *w_.world->clipboardShapes) {
            shape.left += kFakePasteOffset;
            shape.top += kFakePasteOffset;
            shapes.push_back(shape);
        }
        w_.Changed();
        return std::make_unique<ShapeRange>(w_, first, shapes.size() - first);
    }

  private:
    Where w_;
};

// A publication page's background (Page.Background), as the stand-in has it: none, a solid
// colour (an RGB or the scheme's) or a picture, which cannot be written from here.
class PageBackground : public PublisherPageBackground {
  public:
    explicit PageBackground(Where where) : w_(std::move(where)) {}
    bool Exists() override {
        w_.Call(L"PageBackground.Exists");
        return w_.Page().background.kind != standin::Fill::Kind::None;
    }
    void Create() override {
        w_.Call(L"PageBackground.Create");
        if (Exists()) throw Failure(L"PageBackground.Create: Permission denied");
        w_.Page().background = standin::Fill::Rgb(0xFFFFFF);
        w_.Changed();
    }
    PublisherFill Fill() override {
        w_.Call(L"PageBackground.Fill");
        const standin::Fill& fill = w_.Page().background;
        PublisherFill read;
        switch (fill.kind) {
            case standin::Fill::Kind::None:
                throw Failure(L"PageBackground.Fill: the page has no background");
            case standin::Fill::Kind::Picture:
                read.kind = PublisherFill::Kind::Picture;
                break;
            case standin::Fill::Kind::Scheme:
                read.scheme = true;
                read.schemeColor = fill.scheme;
                break;
            case standin::Fill::Kind::Rgb:  // Publisher's RGB is 0xBBGGRR
                read.rgb = static_cast<std::int32_t>(standin::ComRgb(fill.rgb));
                break;
        }
        return read;
    }
    void SetFill(const PublisherFill& fill) override {
        w_.Call(L"PageBackground.Fill put");
        if (fill.kind != PublisherFill::Kind::Solid) {
            throw Failure(L"PageBackground.Fill: a picture is written only from a file");
        }
        if (!Exists()) throw Failure(L"PageBackground.Fill: the page has no background");
        w_.Page().background = fill.scheme ? standin::Fill::Scheme(fill.schemeColor)
                                           : standin::Fill::Rgb(standin::ModelRgb(fill.rgb));
        w_.Changed();
    }

  private:
    Where w_;
};

class Page : public PublisherPage {
  public:
    explicit Page(Where where) : w_(std::move(where)) {}
    std::unique_ptr<PublisherShapes> Shapes() override {
        w_.Call(L"Page.Shapes");
        w_.Shapes();
        return std::make_unique<fake::Shapes>(w_);
    }
    // On a two-page master, the half on the page's side of the spread, as the stand-in has it.
    std::unique_ptr<PublisherPage> Master() override {
        w_.Call(L"Page.Master");
        if (w_.kind != Where::Kind::Page) throw Failure(L"Master pages have no master");
        Where master = w_;
        master.kind = Where::Kind::Master;
        master.page = static_cast<std::size_t>(w_.Page().master - 1);
        master.half = master.Page().right && standin::IsRightHandPage(w_.page) ? 1 : 0;
        return std::make_unique<Page>(master);
    }
    void SetMaster(PublisherPage& master) override {
        w_.Call(L"Page.Master put");
        const auto* other = dynamic_cast<Page*>(&master);
        if (w_.kind != Where::Kind::Page || other == nullptr ||
            other->w_.kind != Where::Kind::Master || other->w_.instance != w_.instance) {
            throw Failure(L"Page.Master: not a master page of this publication");
        }
        other->w_.Shapes();  // either half applies the whole master page
        w_.Page().master = static_cast<int>(other->w_.page + 1);
        w_.Changed();
    }
    std::int64_t PageID() override {
        w_.Call(L"Page.PageID");
        w_.Shapes();
        return w_.world->pageIds ? w_.world->pageIds(w_.PageId()) : w_.PageId();
    }
    bool IgnoreMaster() override {
        w_.Call(L"Page.IgnoreMaster");
        if (w_.kind != Where::Kind::Page) throw Failure(L"Page.IgnoreMaster: not on a master page");
        return w_.Page().ignoreMaster;
    }
    void SetIgnoreMaster(bool ignore) override {
        w_.Call(L"Page.IgnoreMaster put");
        if (w_.kind != Where::Kind::Page) throw Failure(L"Page.IgnoreMaster: not on a master page");
        w_.Page().ignoreMaster = ignore;
        w_.Changed();
    }
    std::unique_ptr<PublisherPageBackground> Background() override {
        w_.Call(L"Page.Background");
        if (w_.kind != Where::Kind::Page) {
            throw Failure(L"Page.Background: for publication pages only");
        }
        w_.Page();
        return std::make_unique<PageBackground>(w_);
    }
    bool IsTwoPageMaster() override {
        w_.Call(L"Page.IsTwoPageMaster");
        if (w_.world->rightHalvesDeny && w_.half == 1 && w_.instance->tag == L"running") {
            return false;
        }
        return OwnMaster().right.has_value();
    }
    void SetIsTwoPageMaster(bool twoPage) override {
        w_.Call(L"Page.IsTwoPageMaster put");
        standin::Page& master = OwnMaster();
        if (twoPage && !master.right) master.right.emplace();
        if (!twoPage) master.right.reset();
        w_.Changed();
    }

  private:
    standin::Page& OwnMaster() const {
        if (w_.kind != Where::Kind::Master) throw Failure(L"This feature is only for master pages");
        w_.Shapes();
        return w_.Page();
    }

  private:
    Where w_;
};

// A two-page master is two items, its left half and then its right, as in the stand-in.
class MasterPages : public PublisherMasterPages {
  public:
    explicit MasterPages(Where where) : w_(std::move(where)) { w_.kind = Where::Kind::Master; }
    int Count() override {
        w_.Call(L"MasterPages.Count");
        return static_cast<int>(Halves().size());
    }
    std::unique_ptr<PublisherPage> Item(int index) override {
        w_.Call(L"MasterPages.Item");
        const std::vector<Where> halves = Halves();
        if (index < 1 || index > static_cast<int>(halves.size()))
            throw Failure(L"MasterPages.Item: index out of range");
        return std::make_unique<Page>(halves[static_cast<std::size_t>(index - 1)]);
    }
    std::unique_ptr<PublisherPage> Add(bool isTwoPageMaster) override {
        w_.Call(L"MasterPages.Add");
        w_.Document().masters.emplace_back();
        if (isTwoPageMaster) w_.Document().masters.back().right.emplace();
        w_.Changed();
        Where page = w_;
        page.page = w_.Document().masters.size() - 1;
        page.half = isTwoPageMaster && w_.world->addGivesRightHalf ? 1 : 0;
        return std::make_unique<Page>(page);
    }

  private:
    std::vector<Where> Halves() const {
        std::vector<Where> halves;
        const std::vector<standin::Page>& masters = w_.Document().masters;
        for (std::size_t m = 0; m < masters.size(); ++m) {
            for (int half = 0; half < (masters[m].right ? 2 : 1); ++half) {
                halves.push_back(w_);
                halves.back().page = m;
                halves.back().half = half;
            }
        }
        return halves;
    }

  private:
    Where w_;
};

class PageEnumeration : public PublisherPageEnumeration {
  public:
    explicit PageEnumeration(Where where)
        : w_(std::move(where)), count_(w_.Document().pages.size()) {}
    std::unique_ptr<PublisherPage> Next() override {
        if (w_.instance->gone) throw Failure(L"The remote procedure call failed.");
        if (next_ >= count_) return nullptr;
        Where page = w_;
        page.page = next_++;
        return std::make_unique<Page>(page);
    }

  private:
    Where w_;
    std::size_t count_;
    std::size_t next_ = 0;
};

class Pages : public PublisherPages {
  public:
    explicit Pages(Where where) : w_(std::move(where)) {}
    int Count() override {
        w_.Call(L"Pages.Count");
        return static_cast<int>(w_.Document().pages.size());
    }
    std::unique_ptr<PublisherPage> Item(int index) override {
        w_.Call(L"Pages.Item");
        if (index < 1 || index > static_cast<int>(w_.Document().pages.size()))
            throw Failure(L"Pages.Item: index out of range");
        Where page = w_;
        page.page = static_cast<std::size_t>(index - 1);
        return std::make_unique<Page>(page);
    }
    std::unique_ptr<PublisherPage> Add(int count, int after) override {
        w_.Call(L"Pages.Add");
        auto& pages = w_.Document().pages;
        if (count < 1 || after < 0 || after > static_cast<int>(pages.size()))
            throw Failure(L"Pages.Add: bad arguments");
        pages.insert(pages.begin() + after, static_cast<std::size_t>(count), standin::Page{});
        standin::PagesInserted(w_.Document().sections, static_cast<std::size_t>(after),
                               static_cast<std::size_t>(count));
        w_.instance->changed = true;
        w_.instance->unsaved.insert(w_.document);
        Where page = w_;
        page.page = static_cast<std::size_t>(after);
        return std::make_unique<Page>(page);
    }
    std::unique_ptr<PublisherPageEnumeration> Enumerate() override {
        w_.Call(L"Pages._NewEnum");
        return std::make_unique<PageEnumeration>(w_);
    }

  private:
    Where w_;
};

// One section, known by the page that heads it (the section's place changes as others come).
class Section : public PublisherSection {
  public:
    Section(Where where, std::size_t start) : w_(std::move(where)), start_(start) {}
    int StartPageIndex() override {
        w_.Call(L"Section.StartPageIndex");
        return static_cast<int>(Own().startPage);
    }
    int PageNumberStart() override {
        w_.Call(L"Section.PageNumberStart");
        return Own().firstNumber;
    }
    void SetPageNumberStart(int number) override {
        w_.Call(L"Section.PageNumberStart put");
        if (number < 1 || number > standin::kLargestPageNumberStart) {
            throw Failure(L"Section.PageNumberStart: out of range");
        }
        Own().firstNumber = number;
        w_.Changed();
    }
    int PageNumberFormat() override {
        w_.Call(L"Section.PageNumberFormat");
        return static_cast<int>(Own().format);
    }
    void SetPageNumberFormat(int format) override {
        w_.Call(L"Section.PageNumberFormat put");
        if (!standin::IsPageNumberFormat(format)) {
            throw Failure(L"Section.PageNumberFormat: no such format");
        }
        Own().format = static_cast<standin::PageNumberFormat>(format);
        w_.Changed();
    }
    bool ContinueNumbersFromPreviousSection() override {
        w_.Call(L"Section.ContinueNumbersFromPreviousSection");
        return Own().continues;
    }
    void SetContinueNumbersFromPreviousSection(bool continues) override {
        w_.Call(L"Section.ContinueNumbersFromPreviousSection put");
        if (continues && start_ == 1) {
            throw Failure(L"Section.ContinueNumbersFromPreviousSection: the first section");
        }
        Own().continues = continues;
        w_.Changed();
    }

  private:
    standin::Section& Own() const {
        for (standin::Section& section : w_.Document().sections) {
            if (section.startPage == start_) return section;
        }
        throw Failure(L"The section has been deleted");
    }
    Where w_;
    std::size_t start_;
};

class Sections : public PublisherSections {
  public:
    explicit Sections(Where where) : w_(std::move(where)) {}
    int Count() override {
        w_.Call(L"Sections.Count");
        return static_cast<int>(w_.Document().sections.size());
    }
    std::unique_ptr<PublisherSection> Item(int index) override {
        w_.Call(L"Sections.Item");
        const auto& sections = w_.Document().sections;
        if (index < 1 || index > static_cast<int>(sections.size())) {
            throw Failure(L"Sections.Item: index out of range");
        }
        return std::make_unique<Section>(w_,
                                         sections[static_cast<std::size_t>(index - 1)].startPage);
    }
    std::unique_ptr<PublisherSection> Add(int startPageIndex) override {
        w_.Call(L"Sections.Add");
        standin::Publication& publication = w_.Document();
        if (startPageIndex < 1 ||
            static_cast<std::size_t>(startPageIndex) > publication.pages.size()) {
            throw Failure(L"Sections.Add: no such page");
        }
        const auto start = static_cast<std::size_t>(startPageIndex);
        auto& sections = publication.sections;
        const auto at =
            std::find_if(sections.begin(), sections.end(),
                         [&](const standin::Section& s) { return s.startPage >= start; });
        if (at != sections.end() && at->startPage == start) {
            throw Failure(L"Sections.Add: Permission denied");
        }
        standin::Section added;
        added.startPage = start;
        sections.insert(at, added);
        w_.Changed();
        return std::make_unique<Section>(w_, start);
    }

  private:
    Where w_;
};

}  // namespace kelbrook::testing::fake
