// Publisher in memory: what every fake object shares (the instances, the clipboard, the
// journal and the faults), and where an object of a publication is.
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
    // The user's Publisher's watcher, called by a test as its process ends.
    std::function<void()> onEnded;
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
    std::int64_t nextShapeId = 40000;
    bool busyRunning = false;  // the running instance answers every call busy (a dialog is open) //
                               // Shape.ID: neither from 1 nor contiguous

    std::function<void(const std::wstring&)> onCall;    // after the journal, before the answer
    std::function<std::int64_t(std::int64_t)> pageIds;  // what PageID answers instead
    bool rightHalvesDeny = false;    // the running instance's right halves: IsTwoPageMaster False
    bool addGivesRightHalf = false;  // MasterPages.Add of a two-page master returns its right half

    void Call(FakeInstance& instance, const std::wstring& member) {
        journal.push_back(instance.tag + L" " + member);
        if (onCall) onCall(member);
        if (instance.gone) throw Failure(L"The remote procedure call failed.");
        if (busyRunning && instance.tag == L"running")  // RPC_E_CALL_REJECTED
            throw Failure(L"Call was rejected by callee.", static_cast<std::int32_t>(0x80010001));
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

}  // namespace fake
}  // namespace kelbrook::testing
