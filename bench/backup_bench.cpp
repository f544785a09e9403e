// One backup run over many documents against the stand-in Publisher: the run's wall time,
// the time spent inside automation calls (as the COM adapter measures them), the program's own
// share of the rest, and the cross-process calls per object-model operation read from the
// stand-in's journal.
//
//   backup_bench.exe [documents pages shapes [dressed|storied]]      (default 10 50 10)
//
// "dressed": the newsletters also have a colour scheme of their own, three sections numbered
// three ways, a solid background on every fifth page and every seventh page hiding its master.
// "storied": dressed, and a story in every ten pages flowing through three linked frames, from
// its first page to its fourth and its eighth.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "StandinPublication.h"
#include "app/win32/MainWindow.h"
#include "backup/SavePublisher.h"
#include "backup/win32/ComPublisherAutomation.h"
#include "core/win32/Win32Clipboard.h"
#include "core/win32/Dispatch.h"
#include "core/win32/Win32Clock.h"
#include "core/win32/Win32Files.h"
#include "core/win32/Win32Platform.h"
#include "core/win32/Win32Support.h"

using namespace kelbrook;
using namespace kelbrook::win32;
using namespace kelbrook::bench;
using Steady = std::chrono::steady_clock;

namespace {

void SetValue(const std::wstring& subkey, const std::wstring& name, const std::wstring& value) {
    UniqueKey key;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      key.put(), nullptr);
    ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// What a real newsletter holds beyond its shapes.
void Dress(standin::Publication& newsletter) {
    newsletter.colorScheme = L"Ocean";
    const std::size_t pages = newsletter.pages.size();
    for (std::size_t p = 0; p < pages; ++p) {
        if (p % 5 == 0) newsletter.pages[p].background = standin::Fill::Scheme(3);
        if (p % 7 == 6) newsletter.pages[p].ignoreMaster = true;
    }
    if (pages >= 3) {
        newsletter.sections = {
            standin::Section{1, 1, standin::PageNumberFormat::LowerRoman, false},
            standin::Section{2, 1, standin::PageNumberFormat::Arabic, false},
            standin::Section{pages, 1, standin::PageNumberFormat::UpperLetter, true}};
    }
}

// A story in every ten pages, through a frame on its first, fourth and eighth page.
void AddStories(standin::Publication& newsletter) {
    for (std::size_t first = 0; first + 7 < newsletter.pages.size(); first += 10) {
        newsletter.stories.push_back(L"A story that begins on page " + std::to_wstring(first + 1) +
                                     L" and goes on for a while, across three of its pages.");
        int place = 1;
        for (const std::size_t page : {first, first + 3, first + 7}) {
            standin::Shape frame(L"", 320, 600);
            frame.capacity = 30;
            frame.story = static_cast<int>(newsletter.stories.size());
            frame.place = place++;
            newsletter.pages[page].shapes.push_back(frame);
        }
    }
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
    const bool storied = argc > 4 && std::wstring(argv[4]) == L"storied";
    const bool dressed = storied || (argc > 4 && std::wstring(argv[4]) == L"dressed");
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
        standin::Publication newsletter;
        newsletter.masters.clear();
        for (int m = 1; m <= 2; ++m) {
            const std::wstring number = std::to_wstring(m);
            newsletter.masters.push_back(
                {{{L"masthead " + number, 36, 20}, {L"page number " + number, 500, 760}}});
        }
        for (int p = 1; p <= pages; ++p) {
            standin::Page page;
            page.master = p % 2 == 0 ? 2 : 1;
            for (int s = 1; s <= shapes; ++s) {
                page.shapes.push_back(
                    {L"page " + std::to_wstring(p) + L" shape " + std::to_wstring(s), 30.0 + s * 40,
                     50.0 + s * 60});
            }
            newsletter.pages.push_back(std::move(page));
        }
        newsletter.scratch = {{L"spare headline", -150, 40}};
        if (dressed) Dress(newsletter);
        if (storied) AddStories(newsletter);
        const std::filesystem::path file =
            work / L"docs" / (L"Document " + std::to_wstring(d) + L".pub");
        std::ofstream(file, std::ios::binary) << standin::SerializePublication(newsletter);
        bytes += std::filesystem::file_size(file);
        arguments += L" \"" + file.wstring() + L"\"";
    }
    UniqueHandle running;
    RunAndWait(standin + arguments, &running);
    ComPublisherAutomation automation;
    for (int i = 0; i < 500 && !SavePublisher::IsPublisherRunning(automation); ++i) {
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
        const std::unique_ptr<PublisherDocuments> all = automation.AttachRunning()->Documents();
        for (int k = 1; k <= all->Count(); ++k) {
            const std::unique_ptr<PublisherPageSetup> setup = all->Item(k)->PageSetup();
            setup->SetPageWidth(setup->PageWidth());
        }
    }
    const long beforeRebuild = countLines();
    CallTime() = {};
    const auto start = Steady::now();
    SavePublisher::SaveAll(ports, values);
    const auto wall = Steady::now() - start;
    const JournalPart rebuilt = ReadJournalPart(journal, beforeRebuild);

    if (auto app = automation.AttachRunning()) app->Quit();
    ::WaitForSingleObject(running.get(), 30000);
    RunAndWait(standin + L" /UnregServer");

    const double wallMs = ms(wall);
    const double automationMs = ms(CallTime().total);
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
    std::printf("longest single call         %10.1f ms\n", ms(CallTime().longest));
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
