// Publisher in memory, on the stand-in's publication model: a running instance with its
// documents, copy instances with their blank publication, the shapes on the clipboard, a
// journal of every call and faults by member, as the stand-in Publisher has them.
#pragma once

#include "FakePublisherPages.h"

namespace kelbrook::testing {
namespace fake {

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
    std::unique_ptr<PublisherSections> Sections() override {
        w_.Call(L"Document.Sections");
        w_.Document();
        return std::make_unique<fake::Sections>(w_);
    }
    std::unique_ptr<PublisherStories> Stories() override {
        w_.Call(L"Document.Stories");
        w_.Document();
        return std::make_unique<fake::Stories>(w_);
    }
    std::wstring ColorScheme() override {
        w_.Call(L"Document.ColorScheme");
        return w_.Document().colorScheme;
    }
    void SetColorScheme(const std::wstring& name) override {
        w_.Call(L"Document.ColorScheme put");
        if (!standin::IsColorScheme(name)) {
            throw Failure(L"ColorSchemes.Item: Publisher has no colour scheme called " + name);
        }
        w_.Document().colorScheme = name;
        w_.Changed();
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
    std::shared_ptr<UserPublisherProcess> UserProcess() override {
        if (w_.instance->tag != L"running") return nullptr;
        return std::make_shared<UserPublisher>(w_.instance->process);
    }

  private:
    // The user's Publisher's process: ended once its instance crashed (exit code 3, as the
    // stand-in's crash) or was closed (0).
    class UserPublisher : public UserPublisherProcess {
      public:
        explicit UserPublisher(std::shared_ptr<FakeProcessState> state)
            : state_(std::move(state)) {}
        bool EndedWithin(int) override { return state_->ended || state_->quit; }
        std::optional<std::uint32_t> ExitCode() override {
            if (state_->ended) return 3;
            if (state_->quit) return 0;
            return std::nullopt;
        }
        void WhenEnded(std::function<void()> ended) override { state_->onEnded = std::move(ended); }

      private:
        std::shared_ptr<FakeProcessState> state_;
    };
    Where w_;
};

}  // namespace fake

class FakePublisher : public PublisherAutomation {
  public:
    FakePublisher() : world(std::make_shared<FakePublisherWorld>()) { world->installed = false; }

    bool IsInstalled() override { return world->installed; }
    std::unique_ptr<PublisherImpatience> Impatient() override {
        ++impatientAsks;
        return std::make_unique<PublisherImpatience>();
    }
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
    int impatientAsks = 0;
};

}  // namespace kelbrook::testing
