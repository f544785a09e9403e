// Publisher in memory, on the stand-in's publication model: a running instance with its
// documents, copy instances with their blank publication, the shapes on the clipboard, a
// journal of every call and faults by member, as the stand-in Publisher has them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "StandinPublication.h"
#include "backup/PublisherAutomation.h"
#include "core/Failure.h"

namespace kelbrook::testing {

// The process of a copy instance: it outlives the instance's objects, and ends by itself
// only once Quit was answered and every reference into the instance has been released.
struct FakeProcessState {
    std::wstring tag;
    bool quit = false;   // Quit was answered
    bool ended = false;  // crashed, or ended at a bound or by End
    // The file its last SaveAs wrote, held until the publication is closed or the process is
    // seen to have gone (time passes only when somebody waits for it here).
    std::wstring held;
    bool seenGone = false;
};

struct FakeInstance {
    std::wstring tag;  // "running" or "copy1", "copy2", ...
    std::vector<standin::Publication> documents;
    std::shared_ptr<FakeProcessState> process = std::make_shared<FakeProcessState>();
    bool gone = false;              // quit, crashed or ended: every later call fails
    bool changed = false;           // the copy's publication changed since it was last saved
    std::set<std::size_t> unsaved;  // documents changed since they were saved (Saved is False)
};

// What the automation adapter raises when a call runs past its bound and it ends the copy.
inline constexpr wchar_t kFakeOverdue[] =
    L"Publisher did not answer within 60 seconds; its instance was ended";

// What every fake object shares: the instances, the clipboard, the journal and the faults.
struct FakePublisherWorld {
    std::shared_ptr<FakeInstance> running;  // null: Publisher is not running
    std::wstring runningName = kPublisherName;
    bool installed = true;
    // The clipboard: the shapes format and the text, as a copy of shapes leaves them.
    std::optional<std::vector<standin::Shape>> clipboardShapes;
    std::optional<std::wstring> clipboardText;
    // "running:Document.Name" for the running instance, "Shapes.Paste" for copy instances;
    // a crash ends the instance that meets it, once.
    std::set<std::wstring> failing, crashing;
    // Members whose call never returns: the adapter's bound ends the instance (once).
    std::set<std::wstring> hanging;
    std::vector<std::wstring> journal;  // "<tag> <Object>.<Member>"
    std::vector<std::weak_ptr<FakeInstance>> copies;
    std::vector<std::shared_ptr<FakeProcessState>> processes;  // every copy's
    int mostCopiesAlive = 0;
    // Where SaveAs writes: full path -> file contents; folders where writing is refused.
    std::map<std::wstring, std::string>* files = nullptr;
    std::set<std::wstring> readOnlyFolders;

    std::function<void(const std::wstring&)> onCall;    // after the journal, before the answer
    std::function<std::int64_t(std::int64_t)> pageIds;  // what PageID answers instead
    bool rightHalvesDeny = false;    // the running instance's right halves: IsTwoPageMaster False
    bool addGivesRightHalf = false;  // MasterPages.Add of a two-page master returns its right half

    void Call(FakeInstance& instance, const std::wstring& member) {
        journal.push_back(instance.tag + L" " + member);
        if (onCall) onCall(member);
        if (instance.gone) throw Failure(L"The remote procedure call failed.");
        const std::wstring key = instance.tag == L"running" ? L"running:" + member : member;
        if (crashing.erase(key) > 0) {  // once: the next instance works
            instance.gone = true;
            instance.process->ended = true;
            throw Failure(L"The remote procedure call failed.");
        }
        if (failing.count(key)) throw Failure(L"Stand-in failure in " + member);
        if (hanging.erase(key) > 0) Overdue(instance);  // once, as a crash
    }
    [[noreturn]] void Overdue(FakeInstance& instance) {
        instance.gone = true;
        instance.process->ended = true;
        journal.push_back(instance.tag + L" ended");
        throw Failure(kFakeOverdue);
    }
    // A copy instance that saved this file holds it until it closes its publication or ends.
    bool Holds(const std::wstring& path) const {
        for (const auto& process : processes) {
            if (!process->ended && !process->seenGone && process->held == path) return true;
        }
        return false;
    }
    int CopiesAlive() const {
        int alive = 0;
        for (const auto& copy : copies) alive += copy.expired() ? 0 : 1;
        return alive;
    }
    // The running instance's calls, without the instance tag.
    std::vector<std::wstring> RunningCalls() const {
        std::vector<std::wstring> calls;
        for (const std::wstring& line : journal) {
            if (line.rfind(L"running ", 0) == 0) calls.push_back(line.substr(8));
        }
        return calls;
    }
};

namespace fake {

// Where pasted shapes land, as the stand-in has it: offset from where they stood.
inline constexpr double kFakePasteOffset = 18;

struct Where {
    enum class Kind { Page, Master, Scratch };
    std::shared_ptr<FakePublisherWorld> world;
    std::shared_ptr<FakeInstance> instance;
    std::size_t document = 0, page = 0;
    Kind kind = Kind::Page;
    int half = 0;  // of a master page: 1 for a two-page master's right half

    standin::Publication& Document() const {
        if (document >= instance->documents.size()) throw Failure(L"The document has been closed");
        return instance->documents[document];
    }
    standin::Page& Page() const {
        standin::Publication& publication = Document();
        std::vector<standin::Page>& pages =
            kind == Kind::Master ? publication.masters : publication.pages;
        if (kind == Kind::Scratch || page >= pages.size()) {
            throw Failure(L"The page has been deleted");
        }
        return pages[page];
    }
    std::vector<standin::Shape>& Shapes() const {
        if (kind == Kind::Scratch) return Document().scratch;
        standin::Page& page = Page();
        if (half == 0) return page.shapes;
        if (!page.right) throw Failure(L"The page has been deleted");
        return *page.right;
    }
    // Publisher's PageIDs are "random numbers" that "do not start with 1, nor are they
    // contiguous"; here they differ between instances and documents too, so that no
    // publication's can pass for another's. (An ordinary page's follows its place.)
    std::int64_t PageId() const {
        const auto salt =
            static_cast<std::int64_t>(std::hash<std::wstring>{}(instance->tag) % 9973) * 97;
        const std::int64_t base = kind == Kind::Master ? 600000000 : 100000000;
        return base + salt + static_cast<std::int64_t>(document) * 7 +
               37 * (2 * static_cast<std::int64_t>(page) + half);
    }
    void Call(const std::wstring& member) const { world->Call(*instance, member); }
    void Changed() const {
        instance->changed = true;
        instance->unsaved.insert(document);
    }
};

// Shapes first .. first + count of a page (all of them when count is npos).
class ShapeRange : public PublisherShapeRange {
  public:
    ShapeRange(Where where, std::size_t first, std::size_t count)
        : w_(std::move(where)), first_(first), count_(count) {}
    void Copy() override {
        w_.Call(L"ShapeRange.Copy");
        w_.world->clipboardShapes = Shapes();
        std::wstring text;
        for (const standin::Shape& shape : Shapes())
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
        if (!standin::IsPageDimension(points)) throw Failure(member + L": out of range");
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

class Document : public PublisherDocument {
  public:
    explicit Document(Where where) : w_(std::move(where)) {}
    std::wstring Name() override {
        w_.Call(L"Document.Name");
        return w_.Document().name;
    }
    std::wstring FullName() override {
        w_.Call(L"Document.FullName");
        return standin::FullNameOf(w_.Document());
    }
    std::wstring Path() override {
        w_.Call(L"Document.Path");
        return w_.Document().path;
    }
    std::unique_ptr<PublisherPages> Pages() override {
        w_.Call(L"Document.Pages");
        w_.Document();
        return std::make_unique<fake::Pages>(w_);
    }
    std::unique_ptr<PublisherMasterPages> MasterPages() override {
        w_.Call(L"Document.MasterPages");
        w_.Document();
        return std::make_unique<fake::MasterPages>(w_);
    }
    std::unique_ptr<PublisherShapes> ScratchShapes() override {
        w_.Call(L"ScratchArea.Shapes");
        Where scratch = w_;
        scratch.kind = Where::Kind::Scratch;
        scratch.Shapes();
        return std::make_unique<fake::Shapes>(scratch);
    }
    std::unique_ptr<PublisherPageSetup> PageSetup() override {
        w_.Call(L"Document.PageSetup");
        w_.Document();
        return std::make_unique<fake::PageSetup>(w_);
    }
    bool Saved() override {
        w_.Call(L"Document.Saved");
        w_.Document();
        return w_.instance->unsaved.count(w_.document) == 0;
    }
    void SaveAs(const std::wstring& fileName) override {
        w_.Call(L"Document.SaveAs");
        const std::wstring folder = standin::PathFromFullName(fileName);
        if (fileName.empty() || folder.empty() || w_.world->readOnlyFolders.count(folder))
            throw Failure(L"Cannot save " + fileName + L": Access denied.");
        standin::Publication& publication = w_.Document();
        publication.name = standin::NameFromFullName(fileName);
        publication.path = folder;
        if (w_.world->files != nullptr)
            (*w_.world->files)[fileName] = standin::SerializePublication(publication);
        w_.instance->changed = false;
        w_.instance->unsaved.erase(w_.document);
        w_.instance->process->held = fileName;
    }
    void Close() override {
        w_.Call(L"Document.Close");
        if (w_.instance->changed) {  // the question nobody sees
            w_.world->journal.push_back(w_.instance->tag + L" Document.Close prompted");
            w_.world->Overdue(*w_.instance);
        }
        standin::Publication& publication = w_.Document();
        w_.instance->process->held.clear();
        publication = standin::Publication{};
        publication.name = L"Publication1";
        publication.pages.resize(1);
    }

  private:
    Where w_;
};

// The process of a copy instance, as the program holds it past its last reference.
class Process : public PublisherProcess {
  public:
    Process(std::shared_ptr<FakePublisherWorld> world, std::weak_ptr<FakeInstance> instance,
            std::shared_ptr<FakeProcessState> state)
        : world_(std::move(world)), instance_(std::move(instance)), state_(std::move(state)) {}
    void End() override {
        if (!state_->ended && !(state_->quit && instance_.expired())) {
            world_->journal.push_back(state_->tag + L" ended");
        }
        state_->ended = true;
        if (auto instance = instance_.lock()) instance->gone = true;
    }
    bool WaitUntilGone(int) override {
        if (state_->quit && instance_.expired()) state_->seenGone = true;
        return state_->ended || state_->seenGone;
    }
    bool Gone() override { return state_->ended; }
    // The time passes at once here: a copy still held or never quit is ended.
    void EndUnlessGoneWithin(int milliseconds) override {
        if (!WaitUntilGone(milliseconds)) End();
    }

  private:
    std::shared_ptr<FakePublisherWorld> world_;
    std::weak_ptr<FakeInstance> instance_;
    std::shared_ptr<FakeProcessState> state_;
};

class Documents : public PublisherDocuments {
  public:
    explicit Documents(Where where) : w_(std::move(where)) {}
    int Count() override {
        w_.Call(L"Documents.Count");
        return static_cast<int>(w_.instance->documents.size());
    }
    std::unique_ptr<PublisherDocument> Item(int index) override {
        w_.Call(L"Documents.Item");
        if (index < 1 || index > static_cast<int>(w_.instance->documents.size()))
            throw Failure(L"Documents.Item: index out of range");
        Where document = w_;
        document.document = static_cast<std::size_t>(index - 1);
        return std::make_unique<Document>(document);
    }

  private:
    Where w_;
};

class Application : public PublisherApplication {
  public:
    explicit Application(Where where) : w_(std::move(where)) {}
    std::wstring Name() override {
        w_.Call(L"Application.Name");
        return w_.instance->tag == L"running" ? w_.world->runningName : kPublisherName;
    }
    std::unique_ptr<PublisherDocuments> Documents() override {
        w_.Call(L"Application.Documents");
        return std::make_unique<fake::Documents>(w_);
    }
    std::unique_ptr<PublisherDocument> ActiveDocument() override {
        w_.Call(L"Application.ActiveDocument");
        if (w_.instance->documents.empty()) throw Failure(L"No document is open");
        Where document = w_;
        document.document = w_.instance->documents.size() - 1;
        return std::make_unique<Document>(document);
    }
    std::unique_ptr<PublisherDocument> NewDocument() override {
        w_.Call(L"Application.NewDocument");
        standin::Publication blank;
        blank.name = L"Publication1";
        blank.pages.resize(1);
        w_.instance->documents.push_back(blank);
        Where document = w_;
        document.document = w_.instance->documents.size() - 1;
        return std::make_unique<Document>(document);
    }
    void Quit() override {
        w_.Call(L"Application.Quit");
        if (w_.instance->changed) {  // the question nobody sees: the call never returns
            w_.world->journal.push_back(w_.instance->tag + L" Application.Quit prompted");
            w_.world->Overdue(*w_.instance);
        }
        w_.instance->gone = true;
        w_.instance->process->quit = true;
    }
    std::shared_ptr<PublisherProcess> Process() override {
        if (w_.instance->tag == L"running") return nullptr;
        return std::make_shared<fake::Process>(w_.world, w_.instance, w_.instance->process);
    }

  private:
    Where w_;
};

}  // namespace fake

class FakePublisher : public PublisherAutomation {
  public:
    FakePublisher() : world(std::make_shared<FakePublisherWorld>()) { world->installed = false; }

    bool IsInstalled() override { return world->installed; }
    std::unique_ptr<PublisherApplication> AttachRunning() override {
        if (!world->running || world->running->gone) throw Failure(L"Operation unavailable");
        return std::make_unique<fake::Application>(fake::Where{world, world->running});
    }
    std::unique_ptr<PublisherApplication> CreateInstance() override {
        if (!world->installed) throw Failure(L"Invalid class string");
        ++created;
        if (std::exchange(failCreate, false)) throw Failure(L"Server execution failed");
        auto instance = std::make_shared<FakeInstance>();
        instance->tag = L"copy" + std::to_wstring(created);
        instance->process->tag = instance->tag;
        if (std::exchange(hangCreate,
                          false)) {  // a screen nobody sees: the adapter's bound ends it
            world->journal.push_back(instance->tag + L" ended");
            throw Failure(kFakeOverdue);
        }
        // A bare copy has no window to find it by: the creation makes its publication first.
        if (startBare) world->journal.push_back(instance->tag + L" Application.NewDocument");
        if (!startEmpty) {
            standin::Publication blank;
            blank.name = L"Publication1";
            blank.pages.resize(1);
            instance->documents.push_back(blank);
        }
        world->copies.push_back(instance);
        world->processes.push_back(instance->process);
        lastCopy = instance;
        world->mostCopiesAlive = std::max(world->mostCopiesAlive, world->CopiesAlive());
        return std::make_unique<fake::Application>(fake::Where{world, instance});
    }

    // Starts the running instance with these documents (name, folder, pages of shapes).
    void Run(std::vector<standin::Publication> documents) {
        world->running = std::make_shared<FakeInstance>();
        world->running->tag = L"running";
        world->running->documents = std::move(documents);
    }

    std::shared_ptr<FakePublisherWorld> world;
    std::weak_ptr<FakeInstance> lastCopy;
    bool failCreate = false;  // the next creation fails (once)
    bool hangCreate = false;  // the next creation or its first call never answers (once)
    bool startEmpty = false;  // a fresh instance without a publication
    bool startBare = false;   // ... and without an active window (the creation makes one)
    int created = 0;
};

}  // namespace kelbrook::testing
