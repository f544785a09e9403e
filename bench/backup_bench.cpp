// One backup run over many documents against the stand-in Publisher: the run's wall time,
// the time spent inside automation calls, the program's own share of the rest, and the
// cross-process calls per object-model operation read from the stand-in's journal.
//
//   backup_bench.exe [documents pages shapes]      (default 10 50 10)
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "app/win32/MainWindow.h"
#include "backup/SavePublisher.h"
#include "backup/win32/ComPublisherAutomation.h"
#include "core/win32/Win32Clipboard.h"
#include "core/win32/Win32Clock.h"
#include "core/win32/Win32Files.h"
#include "core/win32/Win32Platform.h"
#include "core/win32/Win32Support.h"

using namespace kelbrook;
using namespace kelbrook::win32;
using namespace kelbrook::bench;
using Steady = std::chrono::steady_clock;

namespace {

Steady::duration automationTime{};
Steady::duration longestCall{};

// Adds the time of the call to automationTime, and keeps the longest.
template <class F>
auto Timed(F&& call) {
    // A call made inside another (a release while a result is handed over) is counted once.
    static int depth = 0;
    const auto start = Steady::now();
    struct Add {
        Steady::time_point start;
        ~Add() {
            if (--depth > 0) return;
            const auto took = Steady::now() - start;
            automationTime += took;
            if (took > longestCall) longestCall = took;
        }
    } add{start};
    ++depth;
    return call();
}

// The automation port with every call timed: one wrapper per object kind.
struct TShapeRange : PublisherShapeRange {
    std::unique_ptr<PublisherShapeRange> o;
    ~TShapeRange() override {
        Timed([&] { o.reset(); });
    }
    void Copy() override {
        Timed([&] { o->Copy(); });
    }
    double Left() override {
        return Timed([&] { return o->Left(); });
    }
    double Top() override {
        return Timed([&] { return o->Top(); });
    }
    void IncrementLeft(double points) override {
        Timed([&] { o->IncrementLeft(points); });
    }
    void IncrementTop(double points) override {
        Timed([&] { o->IncrementTop(points); });
    }
};
struct TShapes : PublisherShapes {
    std::unique_ptr<PublisherShapes> o;
    ~TShapes() override {
        Timed([&] { o.reset(); });
    }
    int Count() override {
        return Timed([&] { return o->Count(); });
    }
    std::unique_ptr<PublisherShapeRange> Range() override {
        auto r = std::make_unique<TShapeRange>();
        r->o = Timed([&] { return o->Range(); });
        return r;
    }
    std::unique_ptr<PublisherShapeRange> Paste() override {
        auto r = std::make_unique<TShapeRange>();
        r->o = Timed([&] { return o->Paste(); });
        return r;
    }
};
std::unique_ptr<PublisherShapes> Wrap(std::unique_ptr<PublisherShapes> shapes) {
    auto s = std::make_unique<TShapes>();
    s->o = std::move(shapes);
    return s;
}
std::unique_ptr<PublisherPage> Wrap(std::unique_ptr<PublisherPage> page);
struct TPage : PublisherPage {
    std::unique_ptr<PublisherPage> o;
    ~TPage() override {
        Timed([&] { o.reset(); });
    }
    std::unique_ptr<PublisherShapes> Shapes() override {
        return Wrap(Timed([&] { return o->Shapes(); }));
    }
    std::unique_ptr<PublisherPage> Master() override {
        return Wrap(Timed([&] { return o->Master(); }));
    }
    void SetMaster(PublisherPage& master) override {
        auto* timed = dynamic_cast<TPage*>(&master);
        Timed([&] { o->SetMaster(timed != nullptr ? *timed->o : master); });
    }
    std::int64_t PageID() override {
        return Timed([&] { return o->PageID(); });
    }
    bool IsTwoPageMaster() override {
        return Timed([&] { return o->IsTwoPageMaster(); });
    }
    void SetIsTwoPageMaster(bool twoPage) override {
        Timed([&] { o->SetIsTwoPageMaster(twoPage); });
    }
};
std::unique_ptr<PublisherPage> Wrap(std::unique_ptr<PublisherPage> page) {
    if (!page) return nullptr;
    auto p = std::make_unique<TPage>();
    p->o = std::move(page);
    return p;
}
struct TMasterPages : PublisherMasterPages {
    std::unique_ptr<PublisherMasterPages> o;
    ~TMasterPages() override {
        Timed([&] { o.reset(); });
    }
    int Count() override {
        return Timed([&] { return o->Count(); });
    }
    std::unique_ptr<PublisherPage> Item(int i) override {
        return Wrap(Timed([&] { return o->Item(i); }));
    }
    std::unique_ptr<PublisherPage> Add(bool isTwoPageMaster) override {
        return Wrap(Timed([&] { return o->Add(isTwoPageMaster); }));
    }
};
struct TEnumeration : PublisherPageEnumeration {
    std::unique_ptr<PublisherPageEnumeration> o;
    ~TEnumeration() override {
        Timed([&] { o.reset(); });
    }
    std::unique_ptr<PublisherPage> Next() override {
        return Wrap(Timed([&] { return o->Next(); }));
    }
};
struct TPages : PublisherPages {
    std::unique_ptr<PublisherPages> o;
    ~TPages() override {
        Timed([&] { o.reset(); });
    }
    int Count() override {
        return Timed([&] { return o->Count(); });
    }
    std::unique_ptr<PublisherPage> Item(int i) override {
        return Wrap(Timed([&] { return o->Item(i); }));
    }
    std::unique_ptr<PublisherPage> Add(int c, int a) override {
        return Wrap(Timed([&] { return o->Add(c, a); }));
    }
    std::unique_ptr<PublisherPageEnumeration> Enumerate() override {
        auto e = std::make_unique<TEnumeration>();
        e->o = Timed([&] { return o->Enumerate(); });
        return e;
    }
};
struct TPageSetup : PublisherPageSetup {
    std::unique_ptr<PublisherPageSetup> o;
    ~TPageSetup() override {
        Timed([&] { o.reset(); });
    }
    double PageWidth() override {
        return Timed([&] { return o->PageWidth(); });
    }
    double PageHeight() override {
        return Timed([&] { return o->PageHeight(); });
    }
    void SetPageWidth(double points) override {
        Timed([&] { o->SetPageWidth(points); });
    }
    void SetPageHeight(double points) override {
        Timed([&] { o->SetPageHeight(points); });
    }
};
struct TDocument : PublisherDocument {
    std::unique_ptr<PublisherDocument> o;
    ~TDocument() override {
        Timed([&] { o.reset(); });
    }
    std::wstring Name() override {
        return Timed([&] { return o->Name(); });
    }
    std::wstring FullName() override {
        return Timed([&] { return o->FullName(); });
    }
    std::unique_ptr<PublisherMasterPages> MasterPages() override {
        auto m = std::make_unique<TMasterPages>();
        m->o = Timed([&] { return o->MasterPages(); });
        return m;
    }
    std::unique_ptr<PublisherShapes> ScratchShapes() override {
        return Wrap(Timed([&] { return o->ScratchShapes(); }));
    }
    std::unique_ptr<PublisherPageSetup> PageSetup() override {
        auto p = std::make_unique<TPageSetup>();
        p->o = Timed([&] { return o->PageSetup(); });
        return p;
    }
    bool Saved() override {
        return Timed([&] { return o->Saved(); });
    }
    std::wstring Path() override {
        return Timed([&] { return o->Path(); });
    }
    std::unique_ptr<PublisherPages> Pages() override {
        auto p = std::make_unique<TPages>();
        p->o = Timed([&] { return o->Pages(); });
        return p;
    }
    void SaveAs(const std::wstring& f) override {
        Timed([&] { o->SaveAs(f); });
    }
    void Close() override {
        Timed([&] { o->Close(); });
    }
};
std::unique_ptr<PublisherDocument> Wrap(std::unique_ptr<PublisherDocument> document) {
    auto d = std::make_unique<TDocument>();
    d->o = std::move(document);
    return d;
}
struct TDocuments : PublisherDocuments {
    std::unique_ptr<PublisherDocuments> o;
    ~TDocuments() override {
        Timed([&] { o.reset(); });
    }
    int Count() override {
        return Timed([&] { return o->Count(); });
    }
    std::unique_ptr<PublisherDocument> Item(int i) override {
        return Wrap(Timed([&] { return o->Item(i); }));
    }
};
struct TApplication : PublisherApplication {
    std::unique_ptr<PublisherApplication> o;
    ~TApplication() override {
        Timed([&] { o.reset(); });
    }
    std::wstring Name() override {
        return Timed([&] { return o->Name(); });
    }
    std::unique_ptr<PublisherDocuments> Documents() override {
        auto d = std::make_unique<TDocuments>();
        d->o = Timed([&] { return o->Documents(); });
        return d;
    }
    std::unique_ptr<PublisherDocument> ActiveDocument() override {
        return Wrap(Timed([&] { return o->ActiveDocument(); }));
    }
    std::unique_ptr<PublisherDocument> NewDocument() override {
        return Wrap(Timed([&] { return o->NewDocument(); }));
    }
    void Quit() override {
        Timed([&] { o->Quit(); });
    }
    // Waiting for a copy to end is the run's own time, not a call's.
    std::shared_ptr<PublisherProcess> Process() override { return o->Process(); }
};
std::unique_ptr<PublisherApplication> Wrap(std::unique_ptr<PublisherApplication> application) {
    if (!application) return nullptr;
    auto a = std::make_unique<TApplication>();
    a->o = std::move(application);
    return a;
}
struct TAutomation : PublisherAutomation {
    ComPublisherAutomation real;
    bool IsInstalled() override { return real.IsInstalled(); }
    std::unique_ptr<PublisherApplication> AttachRunning() override {
        return Wrap(Timed([&] { return real.AttachRunning(); }));
    }
    std::unique_ptr<PublisherApplication> CreateInstance() override {
        return Wrap(Timed([&] { return real.CreateInstance(); }));
    }
};

void SetValue(const std::wstring& subkey, const std::wstring& name, const std::wstring& value) {
    UniqueKey key;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      key.put(), nullptr);
    ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

// The journal's lines from `from` on: the copy instances they name, and the calls per member
// ("<kind> <Object.Member>" -> lookups, invokes).
struct JournalPart {
    long lines = 0, calls = 0;
    std::size_t copies = 0;
    std::map<std::string, std::pair<long, long>> members;
};
JournalPart ReadJournalPart(const std::filesystem::path& journal, long from) {
    JournalPart part;
    std::ifstream in(journal);
    std::set<std::string> copies;
    long number = 0;
    for (std::string line; std::getline(in, line); ++number) {
        if (number < from) continue;
        ++part.lines;
        std::istringstream fields(line);
        std::string pid, kind, member, what;
        if (!(fields >> pid >> kind >> member >> what)) continue;
        if (kind == "copy") copies.insert(pid);
        if (what != "GetIDsOfNames" && what != "Invoke") continue;  // "Quit prompted", say
        auto& entry = part.members[kind + " " + member];
        (what == "GetIDsOfNames" ? entry.first : entry.second) += 1;
        ++part.calls;
    }
    part.copies = copies.size();
    return part;
}

int wmain(int argc, wchar_t** argv) {
    const int documents = argc > 3 ? _wtoi(argv[1]) : 10;
    const int pages = argc > 3 ? _wtoi(argv[2]) : 50;
    const int shapes = argc > 3 ? _wtoi(argv[3]) : 10;
    OleScope ole;
    BusyServerFilter filter;

    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path bin = std::filesystem::path(self).parent_path();
    const std::wstring standin = L"\"" + (bin / L"PublisherStandin.exe").wstring() + L"\"";
    const std::filesystem::path work = std::filesystem::temp_directory_path() / L"kelbrook-bench";
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    std::filesystem::create_directories(work / L"docs");
    std::filesystem::create_directories(work / L"backups");
    const std::filesystem::path journal = work / L"journal.txt";

    if (RunAndWait(standin + L" /RegServer") != 0) {
        std::fprintf(stderr, "the stand-in could not be registered\n");
        return 1;
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\PublisherStandin");
    SetValue(L"Software\\PublisherStandin", L"Journal", journal.wstring());

    // Newsletters: two master pages with two shapes each, pages alternating between them,
    // every shape at a position of its own, one shape on the scratch area.
    std::wstring arguments;
    std::uintmax_t bytes = 0;
    for (int d = 1; d <= documents; ++d) {
        const std::filesystem::path file =
            work / L"docs" / (L"Document " + std::to_wstring(d) + L".pub");
        std::ofstream out(file, std::ios::binary);
        out << "standin-publication 1\r\n";
        for (int m = 1; m <= 2; ++m) {
            out << "master\r\nshape masthead " << m << "\r\nat 36 20\r\n";
            out << "shape page number " << m << "\r\nat 500 760\r\n";
        }
        for (int p = 1; p <= pages; ++p) {
            out << "page" << (p % 2 == 0 ? " master 2" : "") << "\r\n";
            for (int s = 1; s <= shapes; ++s) {
                out << "shape page " << p << " shape " << s << "\r\nat " << 30 + s * 40 << " "
                    << 50 + s * 60 << "\r\n";
            }
        }
        out << "scratch\r\nshape spare headline\r\nat -150 40\r\n";
        out.close();
        bytes += std::filesystem::file_size(file);
        arguments += L" \"" + file.wstring() + L"\"";
    }
    UniqueHandle running;
    RunAndWait(standin + arguments, &running);
    TAutomation automation;
    for (int i = 0; i < 500 && !SavePublisher::IsPublisherRunning(automation.real); ++i) {
        ::Sleep(20);
    }

    MainWindow window;
    window.Create(::GetModuleHandleW(nullptr));
    window.SetValue(ControlId::Option1, true);
    window.SetValue(ControlId::Option3, true);
    window.SetCaption(ControlId::Text1, (work / L"backups").wstring());
    ConsoleDialogs dialogs;
    Win32Files files;
    NoFolders folders;
    Win32Clipboard clipboard;
    Win32Clock clock;
    Win32DebugOutput debug;
    ProgramValues values;
    values.BackupExtension = L".pub";
    values.HistoryLogPath = (work / L"history.txt").wstring();
    const SavePublisherPorts ports{window,     dialogs,   files, folders,
                                   automation, clipboard, clock, debug};
    const auto countLines = [&] { return ReadJournalPart(journal, 0).lines; };
    const auto ms = [](Steady::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };

    // 1. Every publication saved: each backup is its file.
    const auto savedStart = Steady::now();
    SavePublisher::SaveAll(ports, values);
    const double savedMs = ms(Steady::now() - savedStart);
    const JournalPart savedPart = ReadJournalPart(journal, 0);

    // 2. The same on schedule, nothing changed since: each is skipped.
    const long beforeSkip = countLines();
    const auto skipStart = Steady::now();
    SavePublisher::SaveAll(ports, values, SavePublisher::RunKind::OnSchedule);
    const double skipMs = ms(Steady::now() - skipStart);
    const JournalPart skipPart = ReadJournalPart(journal, beforeSkip);

    // 3. Every publication changed in Publisher (its page width set to what it is): each is
    // rebuilt in a copy instance.
    {
        const std::unique_ptr<PublisherDocuments> all =
            automation.real.AttachRunning()->Documents();
        for (int k = 1; k <= all->Count(); ++k) {
            const std::unique_ptr<PublisherPageSetup> setup = all->Item(k)->PageSetup();
            setup->SetPageWidth(setup->PageWidth());
        }
    }
    const long beforeRebuild = countLines();
    automationTime = {};
    longestCall = {};
    const auto start = Steady::now();
    SavePublisher::SaveAll(ports, values);
    const auto wall = Steady::now() - start;
    const JournalPart rebuilt = ReadJournalPart(journal, beforeRebuild);

    if (auto app = automation.real.AttachRunning()) app->Quit();
    ::WaitForSingleObject(running.get(), 30000);
    RunAndWait(standin + L" /UnregServer");

    const double wallMs = ms(wall);
    const double automationMs = ms(automationTime);
    std::size_t backups = 0;
    for (const auto& entry : std::filesystem::directory_iterator(work / L"backups")) {
        backups += entry.path().extension() == L".pub" ? 1 : 0;
    }
    std::printf(
        "documents: %d x %d pages x %d shapes, 2 master pages, a scratch shape; "
        "%zu backups in all, %d error reports\n",
        documents, pages, shapes, backups, dialogs.reports);
    std::printf(
        "saved (exact copies of %.1f KB in all): wall %.1f ms, %zu copy instances, "
        "%ld journaled calls (%.2f per document)\n",
        bytes / 1024.0, savedMs, savedPart.copies, savedPart.calls,
        double(savedPart.calls) / documents);
    std::printf("the same on schedule, nothing changed: %.1f ms, %ld journaled calls\n", skipMs,
                skipPart.calls);
    std::printf("changed (rebuilt):\n");
    std::printf("wall time of the run        %10.1f ms\n", wallMs);
    std::printf("wall time per document      %10.1f ms\n", wallMs / documents);
    std::printf("inside automation calls     %10.1f ms\n", automationMs);
    std::printf("longest single call         %10.1f ms\n", ms(longestCall));
    std::printf("Kelbrook's own share        %10.2f %%  (target <= 5 %%)\n",
                100.0 * (wallMs - automationMs) / wallMs);
    std::printf("copy instances              %10zu\n", rebuilt.copies);
    std::printf("journaled calls             %10ld  (%.2f per page)\n", rebuilt.calls,
                double(rebuilt.calls) / double(documents * pages));
    std::printf("%-34s %8s %8s %s\n", "member", "lookups", "invokes",
                "calls per operation after the first");
    for (const auto& [name, counts] : rebuilt.members) {
        const auto [lookups, invokes] = counts;
        const double after =
            invokes > 1 ? double(lookups + invokes - 2) / double(invokes - 1) : 1.0;
        std::printf("%-34s %8ld %8ld %6.2f\n", name.c_str(), lookups, invokes, after);
    }
    std::filesystem::remove_all(work, ignored);
    return 0;
}
