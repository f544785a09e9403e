// The backup run of "Backup Save Now (Test)", driven from outside against the stand-in
// Publisher: a running instance holds the documents, and the program makes each backup in a
// copy instance of its own. Each test looks at everything a run leaves behind at once: the
// backup files and their contents, the documents, the history log, the error reports, the
// clipboard, the stand-in's call journal and its processes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cwctype>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <vector>

#include "Driver.h"
#include "RunningProgram.h"
#include "Standin.h"
#include "StandinPublication.h"
#include "app/win32/ControlIds.h"
#include "backup/win32/ComPublisherAutomation.h"

namespace kelbrook::e2e {
namespace {

using namespace kelbrook::win32;
namespace fs = std::filesystem;

// A run makes one copy instance per document, each a process start under Wine.
constexpr std::chrono::milliseconds kRunDeadline{120000};

constexpr wchar_t kErrorReportTitle[] = L"Application Error";
constexpr wchar_t kSaveAllAt[] = L"\r\nin Kelbrookapp2021/08/31.SavePublisher.SaveAll at line ";
constexpr wchar_t kReportEnd[] =
    L"\r\rPlease email screenshot of this message to support@tarnwick.example";
constexpr wchar_t kSaveAsFailure[] = L"Document.SaveAs: Stand-in failure in Document.SaveAs";

// The text of an error report of SaveAll at this step.
std::wstring SaveAllReport(const std::wstring& description, int step) {
    return description + kSaveAllAt + std::to_wstring(step) + kReportEnd;
}

// An error report of SaveAll taken apart; nothing when the text is not one.
struct SaveAllFailure {
    std::wstring description;
    int step = 0;
};

std::optional<SaveAllFailure> ParseSaveAllReport(const std::wstring& text) {
    const std::size_t at = text.find(kSaveAllAt);
    if (at == std::wstring::npos) return std::nullopt;
    const std::size_t digits = at + std::wstring(kSaveAllAt).size();
    std::size_t end = digits;
    while (end < text.size() && std::iswdigit(text[end])) ++end;
    if (end == digits || text.substr(end) != kReportEnd) return std::nullopt;
    return SaveAllFailure{text.substr(0, at), std::stoi(text.substr(digits, end - digits))};
}

// ---- the clock, read as the program reads it --------------------------------------------

SYSTEMTIME LocalNow() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return now;
}

std::wstring FormatDate(const SYSTEMTIME& time, DWORD flags, const wchar_t* picture) {
    wchar_t buffer[128] = {};
    ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &time, picture, buffer, 128, nullptr);
    return buffer;
}

std::wstring FormatTime(const SYSTEMTIME& time, const wchar_t* picture) {
    wchar_t buffer[128] = {};
    ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, picture, buffer, 128);
    return buffer;
}

// The day's part of an Option4 backup name: " <MMM d yyyy>.pub".
std::wstring DayStamp(const SYSTEMTIME& time) {
    return L" " + FormatDate(time, 0, L"MMM d yyyy") + L".pub";
}

// The clock before a run and after it: every name or time the run may have written.
struct RunClock {
    SYSTEMTIME before{};
    SYSTEMTIME after{};

    // Every second from before to after, both included.
    std::vector<SYSTEMTIME> Seconds() const {
        const auto ticks = [](SYSTEMTIME time) {
            time.wMilliseconds = 0;
            FILETIME file{};
            ::SystemTimeToFileTime(&time, &file);
            return (static_cast<unsigned long long>(file.dwHighDateTime) << 32) |
                   file.dwLowDateTime;
        };
        constexpr unsigned long long kSecond = 10000000ULL;
        std::vector<SYSTEMTIME> seconds;
        for (unsigned long long t = ticks(before); t <= ticks(after); t += kSecond) {
            const FILETIME file{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
            SYSTEMTIME time{};
            ::FileTimeToSystemTime(&file, &time);
            seconds.push_back(time);
        }
        return seconds;
    }
    // Option3: " Date <MMM d yyyy> Time <hh mm ss tt>.pub".
    std::set<std::wstring> NewFileStamps() const {
        std::set<std::wstring> stamps;
        for (const SYSTEMTIME& t : Seconds()) {
            stamps.insert(L" Date " + FormatDate(t, 0, L"MMM d yyyy") + L" Time " +
                          FormatTime(t, L"hh mm ss tt") + L".pub");
        }
        return stamps;
    }
    // Option4: " <MMM d yyyy>.pub".
    std::set<std::wstring> DayStamps() const {
        std::set<std::wstring> stamps;
        for (const SYSTEMTIME& t : Seconds()) stamps.insert(DayStamp(t));
        return stamps;
    }
    // The history log's "<short date> <long time>".
    std::set<std::wstring> LogTimes() const {
        std::set<std::wstring> times;
        for (const SYSTEMTIME& t : Seconds()) {
            times.insert(FormatDate(t, DATE_SHORTDATE, nullptr) + L" " + FormatTime(t, nullptr));
        }
        return times;
    }
};

// ---- files ------------------------------------------------------------------------------

// The names of the files directly in the folder.
std::set<std::wstring> FilesIn(const fs::path& folder) {
    std::set<std::wstring> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        names.insert(it->path().filename().wstring());
    }
    return names;
}

// The one file of the folder named stem + one of the stamps; nothing (and a failure) when
// there is none or more than one.
std::optional<fs::path> FindBackup(const fs::path& folder, const std::wstring& stem,
                                   const std::set<std::wstring>& stamps) {
    std::vector<fs::path> found;
    for (const std::wstring& stamp : stamps) {
        const fs::path candidate = folder / (stem + stamp);
        if (fs::exists(candidate)) found.push_back(candidate);
    }
    EXPECT_EQ(found.size(), 1u) << "backups of " << ::testing::PrintToString(stem) << " in "
                                << ::testing::PrintToString(folder.wstring()) << ", which holds "
                                << ::testing::PrintToString(FilesIn(folder));
    if (found.size() != 1) return std::nullopt;
    return found.front();
}

// Expects the log line to be head + " at " + one of the run's times + tail.
void ExpectLogLine(const std::wstring& line, const std::wstring& head, const RunClock& clock,
                   const std::wstring& tail = L"") {
    const std::wstring at = head + L" at ";
    const bool framed =
        line.size() >= at.size() + tail.size() && line.starts_with(at) && line.ends_with(tail);
    EXPECT_TRUE(framed) << "the log line " << ::testing::PrintToString(line) << "\n  should be "
                        << ::testing::PrintToString(at + L"<time>" + tail);
    if (!framed) return;
    const std::wstring when = line.substr(at.size(), line.size() - at.size() - tail.size());
    EXPECT_EQ(clock.LogTimes().count(when), 1u)
        << "the log line's time " << ::testing::PrintToString(when) << " is not of the run";
}

// What the running instance may be asked: reads, and the copy of a page's shapes.
const std::set<std::wstring>& RunningInstanceReads() {
    static const std::set<std::wstring> reads = {
        L"Application.Name",
        L"Application.Documents",
        L"Application.ActiveDocument",
        L"Documents.Count",
        L"Documents.Item",
        L"Document.Name",
        L"Document.Path",
        L"Document.FullName",
        L"Document.Saved",
        L"Document.Pages",
        L"Document.PageSetup",
        L"PageSetup.PageWidth",
        L"PageSetup.PageHeight",
        L"Pages.Count",
        L"Pages.Item",
        L"Pages._NewEnum",
        L"Page.Shapes",
        L"Page.PageNumber",
        L"Shapes.Count",
        L"Shapes.Range",
        L"ShapeRange.Count",
        L"ShapeRange.Copy",
        L"Application.ActiveWindow",
        L"Window.Hwnd",
        L"ShapeRange.Left",
        L"ShapeRange.Top",
        L"Document.MasterPages",
        L"MasterPages.Count",
        L"MasterPages.Item",
        L"Document.ScratchArea",
        L"ScratchArea.Shapes",
        L"Page.Master",
        L"Page.PageID",
        L"Page.IsTwoPageMaster",
    };
    return reads;
}

// The copy instances of the journal in the order they were first called.
std::vector<DWORD> CopyInstancesOf(const std::vector<JournalEntry>& journal) {
    std::vector<DWORD> copies;
    for (const JournalEntry& entry : journal) {
        if (!entry.running &&
            std::find(copies.begin(), copies.end(), entry.processId) == copies.end()) {
            copies.push_back(entry.processId);
        }
    }
    return copies;
}

// The stand-in's last line of a copy that ended by itself: "Application.Process ended <ms>",
// the milliseconds since its Quit was answered. Nothing when it was ended (or is not over).
std::optional<long> EndedByItself(const std::vector<JournalEntry>& journal, DWORD copy) {
    for (const JournalEntry& entry : journal) {
        if (entry.processId != copy || entry.running || entry.member != L"Application.Process") {
            continue;
        }
        const std::size_t at = entry.line.find(L" ended ");
        if (at == std::wstring::npos) return std::nullopt;
        const std::wstring ms = entry.line.substr(at + 7);
        return ms == L"-" ? -1 : std::stol(ms);
    }
    return std::nullopt;
}

// Expects the journal of one run: every line well formed; the running instance (and only
// it) asked for reads and copies only; `documents` copy instances, each a process of its
// own, each done with before the next is first called, each ending with Close and Quit and
// then by itself within 3 seconds, unless `crashed` names its place in the run.
void ExpectRunJournal(const std::vector<JournalEntry>& journal, DWORD running,
                      std::size_t documents, std::optional<std::size_t> crashed = std::nullopt) {
    ASSERT_FALSE(journal.empty()) << "the stand-in journaled no call";
    bool copied = false;
    for (const JournalEntry& entry : journal) {
        ASSERT_FALSE(entry.member.empty())
            << "journal line " << ::testing::PrintToString(entry.line);
        if (!entry.running) continue;
        EXPECT_EQ(entry.processId, running) << ::testing::PrintToString(entry.line);
        EXPECT_TRUE(RunningInstanceReads().count(entry.member) == 1 &&
                    entry.line.find(L" put=") == std::wstring::npos)
            << "the running instance was asked for more than a read: "
            << ::testing::PrintToString(entry.line);
        copied = copied || (entry.member == L"ShapeRange.Copy" && entry.call == L"Invoke");
    }
    EXPECT_TRUE(copied) << "no shapes were copied from the running instance";

    const std::vector<DWORD> copies = CopyInstancesOf(journal);
    ASSERT_EQ(copies.size(), documents) << "one copy instance per document";
    std::set<DWORD> done;
    DWORD current = 0;
    for (const JournalEntry& entry : journal) {
        if (entry.running) continue;
        if (entry.processId != current) {
            EXPECT_EQ(done.count(entry.processId), 0u)
                << "copy instance " << entry.processId << " was called again after the next one";
            done.insert(current);
            current = entry.processId;
        }
    }
    for (const JournalEntry& entry : journal) {
        if (entry.running || entry.member != L"Document.SaveAs") continue;
        EXPECT_TRUE(entry.call != L"Invoke" ||
                    entry.line.ends_with(L" Format=1 AddToRecentFiles=False"))
            << "SaveAs without its format or with the recent-files list: "
            << ::testing::PrintToString(entry.line);
    }
    for (std::size_t k = 0; k < copies.size(); ++k) {
        EXPECT_NE(copies[k], running)
            << "document " << k + 1 << " was copied in the running instance";
        const auto last =
            std::find_if(journal.rbegin(), journal.rend(), [&](const JournalEntry& e) {
                return !e.running && e.processId == copies[k] && e.member != L"Application.Process";
            });
        if (crashed && *crashed == k) continue;
        EXPECT_EQ(last->member + L" " + last->call, L"Application.Quit Invoke")
            << "copy instance " << copies[k] << " of document " << k + 1
            << " was not quit, or its Quit asked about unsaved changes";
        const std::optional<long> ended = EndedByItself(journal, copies[k]);
        EXPECT_TRUE(ended && *ended >= 0 && *ended <= 3000)
            << "copy instance " << copies[k] << " of document " << k + 1
            << " did not end by itself within 3 s of its Quit: " << ::testing::PrintToString(ended);
    }
}

// ---- the fixture --------------------------------------------------------------------------

// The program started with the stand-in registered as Publisher. Whatever the test started
// of the stand-in is closed at the end, and no stand-in process may be left behind.
class BackupRun : public RunningProgram {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RunningProgram::SetUp());
        ASSERT_TRUE(WaitUntil([] { return StandinProcesses().empty(); }))
            << "stand-in processes from before are still running";
        log_.emplace();
        ASSERT_TRUE(log_->Ready()) << "the history log " << ::testing::PrintToString(log_->path())
                                   << " could not be cleared";
        ASSERT_TRUE(StandinSettings::Clear());
        ASSERT_EQ(RunStandin({L"/RegServer"}), std::optional<DWORD>(0));
        ASSERT_TRUE(StandinRegistered());
        // No scheduled run may come between the test's own.
        ASSERT_TRUE(Store::Set(L"StartStopState", L"Off"));
        // The backups here never depend on this machine's free space.
        ASSERT_TRUE(Store::Set(L"Free Space Floor", L"0"));
        journal_ = workspace_->folder() / L"journal.txt";
    }

    void TearDown() override {
        for (const std::unique_ptr<RunningStandin>& standin : standins_) {
            if (!HasFailure() && standin->Running()) {
                EXPECT_EQ(standin->Close(), std::optional<DWORD>(0))
                    << "the stand-in did not end cleanly when its window was closed";
            }
            standin->Kill();
        }
        RunningProgram::TearDown();
        if (!WaitUntil([] { return StandinProcesses().empty(); })) {
            ADD_FAILURE() << "stand-in processes were left behind: "
                          << ::testing::PrintToString(StandinProcesses());
            for (DWORD id : StandinProcesses()) EndProcess(id);
        }
        EXPECT_EQ(RunStandin({L"/UnregServer"}), std::optional<DWORD>(0));
        EXPECT_TRUE(StandinSettings::Clear());
        log_.reset();
    }

    // Writes a publication into the workspace; its full path. Its bytes are kept to show
    // at the end that the program never changed the document.
    fs::path WriteDocument(const fs::path& relative, const Publication& pages,
                           const std::string& size = "") {
        const std::string bytes = PublicationFile(pages, size);
        workspace_->WriteFile(relative, bytes);
        const fs::path path = workspace_->folder() / relative;
        documents_[path] = bytes;
        return path;
    }

    void ExpectDocumentsUnchanged() const {
        for (const auto& [path, bytes] : documents_) {
            EXPECT_EQ(ReadBytes(path), bytes)
                << "the document " << ::testing::PrintToString(path.wstring()) << " changed";
        }
    }

    fs::path MakeFolder(const fs::path& relative) const {
        const fs::path folder = workspace_->folder() / relative;
        fs::create_directories(folder);
        return folder;
    }

    // Starts a running instance of the stand-in with these arguments. Its documents count as
    // changed in Publisher unless `saved`, so that their backups are rebuilt in copy
    // instances: each one's page width is set to what it is, which changes nothing else.
    void StartStandin(const std::vector<std::wstring>& arguments, bool saved = false) {
        standins_.push_back(std::make_unique<RunningStandin>());
        RunningStandin& standin = *standins_.back();
        ASSERT_TRUE(standin.Start(arguments)) << "the stand-in did not come up; exit code "
                                              << ::testing::PrintToString(standin.exitCode());
        if (saved) return;
        OleScope ole;
        ComPublisherAutomation publisher;
        const std::unique_ptr<PublisherDocuments> documents =
            publisher.AttachRunning()->Documents();
        for (int k = 1; k <= documents->Count(); ++k) {
            const std::unique_ptr<PublisherPageSetup> setup = documents->Item(k)->PageSetup();
            setup->SetPageWidth(setup->PageWidth());
        }
    }
    DWORD RunningId() const { return standins_.front()->id(); }

    // The stand-in processes that are not running instances the test started.
    std::vector<DWORD> CopyProcesses() const {
        std::vector<DWORD> copies;
        for (DWORD id : StandinProcesses()) {
            if (std::none_of(standins_.begin(), standins_.end(),
                             [&](const auto& standin) { return standin->id() == id; })) {
                copies.push_back(id);
            }
        }
        return copies;
    }

    // Starts the program as with Publisher installed: start-up shows no box and starts no
    // Publisher (the registry tells that it is installed). Returns once the window takes input.
    void StartProgram() {
        ASSERT_TRUE(StandinSettings::SetJournal(journal_));
        ASSERT_TRUE(program_.Start(workspace_->program()))
            << "error " << program_.startError() << " starting "
            << ::testing::PrintToString(workspace_->program().wstring());
        ASSERT_TRUE(program_.WaitUntilUsable()) << "the main window never became usable";
        ASSERT_NO_FATAL_FAILURE(ExpectQuietAfterwards());
        EXPECT_TRUE(CopyProcesses().empty()) << "start-up started a Publisher";
        EXPECT_FALSE(fs::exists(journal_)) << "start-up called a Publisher";
    }

    // Clicks "Backup Save Now (Test)" and follows the run until the history log holds
    // `lines` lines and the run is over. Every error report is handed to onReport and then
    // answered with OK; any other box or dialog fails the test. The reports, in order.
    std::vector<SeenBox> FollowRun(std::size_t lines, RunClock& clock,
                                   const std::function<void(const SeenBox&)>& onReport = {},
                                   std::chrono::milliseconds deadline = kRunDeadline) {
        std::vector<SeenBox> reports;
        clock.before = LocalNow();
        Click(ControlId::PushButton2);
        if (HasFatalFailure()) return reports;
        std::optional<std::wstring> stray;
        const bool ended = WaitUntil(
            [&] {
                HWND window = program_.FindMessageBox();
                if (window == nullptr) return log_->Lines().size() >= lines;
                if (::FindWindowExW(window, nullptr, WC_TREEVIEWW, nullptr) != nullptr) {
                    stray = L"a folder dialog";
                    return true;
                }
                const std::optional<SeenBox> box = program_.WaitForMessageBox();
                if (!box) return false;
                // A box that comes right after a long call (one past its bound) finds the
                // window still counted as hung for a moment: read it again.
                if (box->title == L"<no answer>") return false;
                if (box->title != kErrorReportTitle) {
                    stray = box->title + L": " + box->text;
                    return true;
                }
                reports.push_back(*box);
                if (onReport) onReport(*box);
                if (!Answer(*box, IDOK)) stray = L"an error report that stays: " + box->text;
                return stray.has_value();
            },
            deadline);
        clock.after = LocalNow();
        EXPECT_FALSE(stray) << "the run showed " << ::testing::PrintToString(*stray);
        EXPECT_TRUE(ended) << "the run did not end; the log holds "
                           << ::testing::PrintToString(log_->Lines());
        if (stray || !ended) return reports;
        EXPECT_TRUE(WaitUntil([&] { return CopyProcesses().empty(); }))
            << "copy instances left after the run: " << ::testing::PrintToString(CopyProcesses());
        ExpectQuietAfterwards();
        EXPECT_TRUE(StandinSettings::RecentFiles().empty())
            << "backups joined Publisher's recent files: "
            << ::testing::PrintToString(StandinSettings::RecentFiles());
        return reports;
    }

    // A run without error reports.
    void Backup(std::size_t lines, RunClock& clock) {
        const std::vector<SeenBox> reports = FollowRun(lines, clock);
        for (const SeenBox& report : reports) {
            ADD_FAILURE() << "error report: " << ::testing::PrintToString(report.text);
        }
    }

    std::optional<HistoryLogFile> log_;
    std::vector<std::unique_ptr<RunningStandin>> standins_;
    std::map<fs::path, std::string> documents_;
    fs::path journal_;
};

// ---- without a running Publisher ----------------------------------------------------------

TEST_F(BackupRun, WithoutARunningPublisherDoesNothing) {
    const fs::path backups = MakeFolder(L"Backups");
    ASSERT_TRUE(Store::Set(L"Path", backups.wstring()));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(Checked(ControlId::Option1));
    const std::wstring kept = L"on the clipboard before the click";
    ASSERT_TRUE(PutClipboardText(kept));
    const DWORD sequence = ::GetClipboardSequenceNumber();
    ASSERT_TRUE(StandinSettings::SetJournal(journal_));

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton2));
    ExpectQuietAfterwards();
    ExpectQuietAfterwards();  // a second marker, behind anything the click posted itself

    EXPECT_FALSE(log_->Exists()) << ::testing::PrintToString(log_->Lines());
    EXPECT_TRUE(FilesIn(backups).empty()) << ::testing::PrintToString(FilesIn(backups));
    EXPECT_EQ(FilesIn(workspace_->folder()), (std::set<std::wstring>{L"Backups", L"Kelbrook.exe"}));
    EXPECT_TRUE(StandinProcesses().empty()) << "a Publisher was started";
    EXPECT_FALSE(fs::exists(journal_)) << "the stand-in was called";
    EXPECT_EQ(::GetClipboardSequenceNumber(), sequence) << "the clipboard was written";
    EXPECT_EQ(ClipboardText(), kept);
}

// ---- next to the documents, a new file each run -------------------------------------------

TEST_F(BackupRun, BacksUpEveryDocumentNextToItWithDateAndTime) {
    const Publication flyer = {{L"Summer fair", L"Saturday 10 am"}, {L"Map"}};
    const Publication prices = {
        {L"Preisliste 2021"}, {L"Brot", L"Brötchen"}, {}, {L"Grüße aus Köln, 日本"}, {L"Ende"}};
    const Publication poster = {{L"Poster"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path other = workspace_->folder() / L"Other folder";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path pricesFile = WriteDocument(L"Docs\\Müller Preisliste.pub", prices);
    // A 400 x 300 point poster keeps its size; the others have the default and no size line.
    const fs::path posterFile = WriteDocument(L"Other folder\\Poster.pub", poster, "400 300");
    ASSERT_NO_FATAL_FAILURE(
        StartStandin({flyerFile.wstring(), pricesFile.wstring(), posterFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(Checked(ControlId::Option2));
    ASSERT_TRUE(Checked(ControlId::Option3));
    const std::wstring kept = L"the user's own clipboard: Grüße, 日本";
    ASSERT_TRUE(PutClipboardText(kept));
    ASSERT_TRUE(StandinSettings::SetJournal(journal_));

    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(3, clock));

    const std::set<std::wstring> stamps = clock.NewFileStamps();
    const std::optional<fs::path> flyerBackup = FindBackup(docs, L"Flyer.pub", stamps);
    const std::optional<fs::path> pricesBackup = FindBackup(docs, L"Müller Preisliste.pub", stamps);
    const std::optional<fs::path> posterBackup = FindBackup(other, L"Poster.pub", stamps);
    ASSERT_TRUE(flyerBackup && pricesBackup && posterBackup);
    EXPECT_EQ(ReadBytes(*flyerBackup), PublicationFile(flyer));
    EXPECT_EQ(ReadBytes(*pricesBackup), PublicationFile(prices)) << "five pages, the third empty";
    EXPECT_EQ(ReadBytes(*posterBackup), PublicationFile(poster, "400 300"));
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", L"Müller Preisliste.pub",
                                                     flyerBackup->filename().wstring(),
                                                     pricesBackup->filename().wstring()}));
    EXPECT_EQ(FilesIn(other),
              (std::set<std::wstring>{L"Poster.pub", posterBackup->filename().wstring()}));
    ExpectDocumentsUnchanged();

    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
    ExpectLogLine(lines[0], L"Flyer.pub was backup saved as " + flyerBackup->wstring(), clock);
    ExpectLogLine(lines[1], L"Müller Preisliste.pub was backup saved as " + pricesBackup->wstring(),
                  clock);
    ExpectLogLine(lines[2], L"Poster.pub was backup saved as " + posterBackup->wstring(), clock);
    EXPECT_TRUE(log_->Bytes()->ends_with("\r\n"));

    EXPECT_EQ(ClipboardText(), kept) << "the clipboard was not given back";
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 3);
    EXPECT_EQ(StandinProcesses(), std::vector<DWORD>{RunningId()});
}

// ---- one folder for all, one file a day ---------------------------------------------------

TEST_F(BackupRun, OverwritesTheDaysBackupInTheChosenFolder) {
    const Publication flyer = {{L"Flyer"}, {L"Back page"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    // An unsaved document may be called anything, even what a file name cannot hold.
    const std::wstring odd = L"a\\b/c:d*e?f\"g<h>i|j";
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), L"--unsaved", odd}));
    ASSERT_TRUE(Store::Set(L"Backup Option", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(Checked(ControlId::Option1));
    ASSERT_TRUE(Checked(ControlId::Option4));
    const fs::path backups = MakeFolder(L"Kopien für Kelbrook");
    const std::wstring typed = backups.wstring() + L"\\";
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(Control(ControlId::Text1), WM_SETTEXT, 0,
                                      reinterpret_cast<LPARAM>(typed.c_str()), SMTO_ABORTIFHUNG,
                                      5000, &ignored));
    ASSERT_TRUE(WaitUntil([&] { return Store::Read(L"Path") == typed; }));

    for (const std::size_t run : {1u, 2u}) {
        SCOPED_TRACE(::testing::Message() << "run " << run);
        RunClock clock;
        ASSERT_NO_FATAL_FAILURE(Backup(2 * run, clock));

        const std::set<std::wstring> stamps = clock.DayStamps();
        const std::optional<fs::path> flyerBackup = FindBackup(backups, L"Flyer.pub", stamps);
        const std::optional<fs::path> oddBackup =
            FindBackup(backups, L"a_b_c_d_e_f_g_h_i_j", stamps);
        ASSERT_TRUE(flyerBackup && oddBackup);
        EXPECT_EQ(ReadBytes(*flyerBackup), PublicationFile(flyer));
        EXPECT_EQ(ReadBytes(*oddBackup), PublicationFile(Publication(1)))
            << "a blank publication: one empty page";
        EXPECT_EQ(FilesIn(backups), (std::set<std::wstring>{flyerBackup->filename().wstring(),
                                                            oddBackup->filename().wstring()}));
        EXPECT_EQ(FilesIn(docs), std::set<std::wstring>{L"Flyer.pub"});
        ExpectDocumentsUnchanged();

        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_EQ(lines.size(), 2 * run) << ::testing::PrintToString(lines);
        ExpectLogLine(lines[2 * run - 2],
                      L"Flyer.pub was backup saved as " + flyerBackup->wstring(), clock);
        ExpectLogLine(lines[2 * run - 1], odd + L" was backup saved as " + oddBackup->wstring(),
                      clock);
        // The next run of the day replaces the file, whatever it holds by then.
        ASSERT_TRUE(WriteBytes(*flyerBackup, "changed since the first run\r\n"));
    }
}

// ---- a document never saved, next to the documents ----------------------------------------

TEST_F(BackupRun, AsksWhereToPutTheBackupOfAnUnsavedDocumentUntilAFolderIsChosen) {
    const Publication flyer = {{L"Flyer"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), L"--unsaved", L"Notes"}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const fs::path chosen = MakeFolder(L"Chosen for Notes");
    const std::wstring prompt = L"Notes is unsaved. Please select location:";

    RunClock clock;
    clock.before = LocalNow();
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton2));
    for (const int answer : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(answer == IDOK ? "choosing a folder" : "cancelling");
        HWND dialog = program_.WaitForFolderDialog();
        ASSERT_NE(dialog, nullptr)
            << "no folder dialog came; log " << ::testing::PrintToString(log_->Lines());
        EXPECT_NE(FindChild(dialog, L"Static", prompt), nullptr) << "the dialog's prompt";
        EXPECT_FALSE(::IsWindowEnabled(program_.MainWindow())) << "the dialog is not modal";
        EXPECT_EQ(log_->Lines().size(), 1u) << "Flyer.pub goes first, without a dialog";
        if (answer == IDOK) {
            ASSERT_TRUE(SelectFolder(dialog, program_.id(), chosen.wstring()));
        }
        ASSERT_TRUE(PostClick(::GetDlgItem(dialog, answer)));
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); })) << "the dialog stays";
    }
    ASSERT_TRUE(WaitUntil([&] { return log_->Lines().size() >= 2; }, kRunDeadline));
    clock.after = LocalNow();
    EXPECT_TRUE(WaitUntil([&] { return CopyProcesses().empty(); }));
    ExpectQuietAfterwards();

    const std::set<std::wstring> stamps = clock.NewFileStamps();
    const std::optional<fs::path> flyerBackup = FindBackup(docs, L"Flyer.pub", stamps);
    const std::optional<fs::path> notesBackup = FindBackup(chosen, L"Notes", stamps);
    ASSERT_TRUE(flyerBackup && notesBackup);
    EXPECT_EQ(ReadBytes(*flyerBackup), PublicationFile(flyer));
    EXPECT_EQ(ReadBytes(*notesBackup), PublicationFile(Publication(1)))
        << "a blank publication: one empty page";
    EXPECT_EQ(FilesIn(chosen), std::set<std::wstring>{notesBackup->filename().wstring()});
    EXPECT_EQ(FilesIn(docs),
              (std::set<std::wstring>{L"Flyer.pub", flyerBackup->filename().wstring()}));
    ExpectDocumentsUnchanged();
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    ExpectLogLine(lines[0], L"Flyer.pub was backup saved as " + flyerBackup->wstring(), clock);
    ExpectLogLine(lines[1], L"Notes was backup saved as " + notesBackup->wstring(), clock);
}

// ---- failed saves -------------------------------------------------------------------------

// A folder where no file can be made, on a volume with room: a folder inside a file. (Wine
// ignores the read-only attribute of a folder, the tests run as root, whom file modes do not
// stop, and the read-only file systems of the host, /sys and /proc, have no room: a backup
// there is refused for want of space before it is tried.)
bool FolderRefusesNewFiles(const fs::path& folder) {
    const fs::path probe = folder / L"kelbrook-e2e-probe.pub";
    UniqueFile file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        file.reset();
        ::DeleteFileW(probe.c_str());
        return false;
    }
    return true;
}

std::vector<std::wstring> TextsOf(const std::vector<SeenBox>& boxes) {
    std::vector<std::wstring> texts;
    for (const SeenBox& box : boxes) texts.push_back(box.text);
    return texts;
}

// Three documents, two runs, the day's backups kept next to each. The first run fails
// Flyer's SaveAs (the fault is taken away at its report), and Price list's backup of the day
// is open in another program that lets nobody replace it; Menu is backed up all the same.
// The second run saves everything to a folder nobody may write.
TEST_F(BackupRun, AFailedSaveIsReportedLoggedAndTheRunGoesOn) {
    const Publication flyer = {{L"Summer fair", L"Saturday"}, {L"Map"}};
    const Publication prices = {{L"Prices"}};
    const Publication menu = {{L"Menu"}, {}, {L"Desserts"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path shop = workspace_->folder() / L"Shop";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path pricesFile = WriteDocument(L"Shop\\Price list.pub", prices);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);

    const std::wstring day = DayStamp(LocalNow());
    const fs::path flyerBackup = docs / (L"Flyer.pub" + day);
    const fs::path pricesBackup = shop / (L"Price list.pub" + day);
    const fs::path menuBackup = docs / (L"Menu.pub" + day);
    const std::string earlierFlyer = PublicationFile({{L"this morning's flyer"}});
    const std::string earlierPrices = PublicationFile({{L"this morning's prices"}});
    ASSERT_TRUE(WriteBytes(flyerBackup, earlierFlyer));
    ASSERT_TRUE(WriteBytes(pricesBackup, earlierPrices));
    // Open the way a viewer opens a file: others may read it, not write, rename or delete it.
    UniqueFile heldOpen(::CreateFileW(pricesBackup.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(heldOpen);

    ASSERT_NO_FATAL_FAILURE(
        StartStandin({flyerFile.wstring(), pricesFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"Backup Option", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(StandinSettings::SetJournal(journal_));

    // What every run leaves: the earlier backups of the failed documents untouched, Menu's
    // backup, and no partial file anywhere.
    const auto expectFiles = [&] {
        EXPECT_EQ(ReadBytes(flyerBackup), earlierFlyer) << "Flyer's earlier backup was touched";
        EXPECT_EQ(ReadBytes(pricesBackup), earlierPrices) << "Price list's earlier backup";
        EXPECT_EQ(ReadBytes(menuBackup), PublicationFile(menu));
        EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", L"Menu.pub",
                                                         flyerBackup.filename().wstring(),
                                                         menuBackup.filename().wstring()}));
        EXPECT_EQ(FilesIn(shop),
                  (std::set<std::wstring>{L"Price list.pub", pricesBackup.filename().wstring()}));
        ExpectDocumentsUnchanged();
    };

    {
        SCOPED_TRACE("run 1: Flyer's SaveAs fails, Price list's backup is held open");
        ASSERT_TRUE(StandinSettings::SetFault(L"Document.SaveAs", L"fail"));
        RunClock clock;
        const std::vector<SeenBox> reports = FollowRun(
            3, clock, [&](const SeenBox&) { StandinSettings::RemoveFault(L"Document.SaveAs"); });
        if (HasFatalFailure()) return;
        ASSERT_EQ(reports.size(), 2u) << "reports " << ::testing::PrintToString(TextsOf(reports))
                                      << "\nlog " << ::testing::PrintToString(log_->Lines());
        EXPECT_EQ(reports[0].text, SaveAllReport(kSaveAsFailure, 160));
        const std::optional<SaveAllFailure> held = ParseSaveAllReport(reports[1].text);
        ASSERT_TRUE(held) << ::testing::PrintToString(reports[1].text);
        EXPECT_EQ(held->step, 160);
        EXPECT_FALSE(held->description.empty());
        for (const SeenBox& report : reports) {
            EXPECT_TRUE(report.ok && report.icon);
            EXPECT_FALSE(report.yes || report.no || report.cancel);
        }

        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
        ExpectLogLine(lines[0], L"Flyer.pub could not be backup saved as " + flyerBackup.wstring(),
                      clock, std::wstring(L": ") + kSaveAsFailure);
        ExpectLogLine(lines[1],
                      L"Price list.pub could not be backup saved as " + pricesBackup.wstring(),
                      clock, L": " + held->description);
        ExpectLogLine(lines[2], L"Menu.pub was backup saved as " + menuBackup.wstring(), clock);
        expectFiles();
        ExpectRunJournal(ReadJournal(journal_), RunningId(), 3);
    }

    {
        SCOPED_TRACE("run 2: everything to a folder nobody may write");
        ASSERT_NO_FATAL_FAILURE(Click(ControlId::Option1));
        ASSERT_TRUE(WaitUntil([] { return Store::Read(L"WhereOption") == L"1"; }));
        const std::wstring folder = (flyerFile / L"Backups").wstring();
        ASSERT_TRUE(FolderRefusesNewFiles(folder));
        DWORD_PTR ignored = 0;
        ASSERT_TRUE(::SendMessageTimeoutW(Control(ControlId::Text1), WM_SETTEXT, 0,
                                          reinterpret_cast<LPARAM>(folder.c_str()),
                                          SMTO_ABORTIFHUNG, 5000, &ignored));
        ASSERT_TRUE(WaitUntil([&] { return Store::Read(L"Path") == folder; }));
        RunClock clock;
        const std::vector<SeenBox> reports = FollowRun(6, clock);
        if (HasFatalFailure()) return;
        ASSERT_EQ(reports.size(), 3u) << ::testing::PrintToString(TextsOf(reports));
        // Each copy held pasted, unsaved changes; none met Publisher's question at its Quit
        // (which would have held the run for the bound, a minute, each).
        ExpectRunJournal(ReadJournal(journal_), RunningId(), 6);
        EXPECT_EQ(StandinProcesses(), std::vector<DWORD>{RunningId()});
        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
        const std::wstring names[] = {L"Flyer.pub", L"Price list.pub", L"Menu.pub"};
        for (std::size_t k = 0; k < 3; ++k) {
            const std::optional<SaveAllFailure> failure = ParseSaveAllReport(reports[k].text);
            ASSERT_TRUE(failure) << ::testing::PrintToString(reports[k].text);
            EXPECT_EQ(failure->step, 160);
            EXPECT_TRUE(
                failure->description.starts_with(L"Document.SaveAs: Cannot save " + folder + L"\\"))
                << ::testing::PrintToString(failure->description);
            ExpectLogLine(
                lines[3 + k],
                names[k] + L" could not be backup saved as " + folder + L"\\" + names[k] + day,
                clock, L": " + failure->description);
        }
        expectFiles();
    }
    heldOpen.reset();
    EXPECT_EQ(ReadBytes(pricesBackup), earlierPrices);
}

// Two documents. The copy instance of the first crashes at its paste; the second is backed
// up all the same, and nothing of the crashed one stays behind.
TEST_F(BackupRun, ACrashedCopyInstanceIsReportedAndTheRunGoesOn) {
    const Publication flyer = {{L"Summer fair", L"Saturday"}};
    const Publication poster = {{L"Poster"}, {}, {L"Back"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path posterFile = WriteDocument(L"Docs\\Poster.pub", poster);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), posterFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(StandinSettings::SetJournal(journal_));
    ASSERT_TRUE(StandinSettings::SetFault(L"Shapes.Paste", L"crash"));

    RunClock clock;
    const std::vector<SeenBox> reports =
        FollowRun(2, clock, [&](const SeenBox&) { StandinSettings::RemoveFault(L"Shapes.Paste"); });
    if (HasFatalFailure()) return;
    // One failure, one report: the copy is gone, so its later steps are skipped.
    ASSERT_EQ(reports.size(), 1u) << ::testing::PrintToString(TextsOf(reports));
    const std::optional<SaveAllFailure> crash = ParseSaveAllReport(reports[0].text);
    ASSERT_TRUE(crash) << ::testing::PrintToString(reports[0].text);
    EXPECT_EQ(crash->step, 154) << "the paste that crashed";
    EXPECT_FALSE(crash->description.empty());
    const std::optional<std::wstring> saveFailure = crash->description;

    const std::optional<fs::path> posterBackup =
        FindBackup(docs, L"Poster.pub", clock.NewFileStamps());
    ASSERT_TRUE(posterBackup);
    EXPECT_EQ(ReadBytes(*posterBackup), PublicationFile(poster));
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", L"Poster.pub",
                                                     posterBackup->filename().wstring()}))
        << "nothing of Flyer's backup may remain";
    ExpectDocumentsUnchanged();

    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    const std::wstring prefix =
        L"Flyer.pub could not be backup saved as " + docs.wstring() + L"\\Flyer.pub Date ";
    EXPECT_TRUE(lines[0].starts_with(prefix) && lines[0].ends_with(L": " + *saveFailure))
        << ::testing::PrintToString(lines[0]);
    ExpectLogLine(lines[1], L"Poster.pub was backup saved as " + posterBackup->wstring(), clock);

    const std::vector<JournalEntry> journal = ReadJournal(journal_);
    ExpectRunJournal(journal, RunningId(), 2, 0);
    EXPECT_EQ(StandinProcesses(), std::vector<DWORD>{RunningId()}) << "the crashed one is gone too";
}

// Three documents; Publisher lists the copy instances' publications before the user's own
// (as it may: its Documents spans every instance), and the first copy hangs at its paste.
// The hung copy is ended when the call's bound (5 seconds here) has passed; the run goes on,
// and each backup holds its own document's shapes.
TEST_F(BackupRun, AHungCopyIsEndedAtItsBoundAndNoDocumentIsMistakenForAnother) {
    const Publication flyer = {{L"Flyer"}};
    const Publication poster = {{L"Poster"}, {L"Poster back"}};
    const Publication menu = {{L"Menu", L"Soup"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path posterFile = WriteDocument(L"Docs\\Poster.pub", poster);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);
    ASSERT_NO_FATAL_FAILURE(
        StartStandin({flyerFile.wstring(), posterFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"Publisher Timeout", L"5"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(StandinSettings::SetFault(L"running:Documents.Order", L"copies-first"));
    ASSERT_TRUE(StandinSettings::SetFault(L"Shapes.Paste", L"hang"));

    RunClock clock;
    std::optional<std::chrono::steady_clock::time_point> firstReport;
    const auto clicked = std::chrono::steady_clock::now();
    const std::vector<SeenBox> reports = FollowRun(3, clock, [&](const SeenBox&) {
        if (!firstReport) firstReport = std::chrono::steady_clock::now();
        StandinSettings::RemoveFault(L"Shapes.Paste");
    });
    if (HasFatalFailure()) return;
    const std::wstring overdue =
        L"Publisher did not answer within 5 seconds; its instance was ended";
    EXPECT_EQ(TextsOf(reports), std::vector<std::wstring>{SaveAllReport(overdue, 154)});
    ASSERT_TRUE(firstReport);
    EXPECT_LT(*firstReport - clicked, std::chrono::seconds(60)) << "the hang outlived its bound";

    const std::set<std::wstring> stamps = clock.NewFileStamps();
    const std::optional<fs::path> posterBackup = FindBackup(docs, L"Poster.pub", stamps);
    const std::optional<fs::path> menuBackup = FindBackup(docs, L"Menu.pub", stamps);
    ASSERT_TRUE(posterBackup && menuBackup);
    EXPECT_EQ(ReadBytes(*posterBackup), PublicationFile(poster));
    EXPECT_EQ(ReadBytes(*menuBackup), PublicationFile(menu));
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", L"Poster.pub", L"Menu.pub",
                                                     posterBackup->filename().wstring(),
                                                     menuBackup->filename().wstring()}));
    ExpectDocumentsUnchanged();
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
    EXPECT_TRUE(lines[0].starts_with(L"Flyer.pub could not be backup saved as ") &&
                lines[0].ends_with(L": " + overdue))
        << ::testing::PrintToString(lines[0]);
    ExpectLogLine(lines[1], L"Poster.pub was backup saved as " + posterBackup->wstring(), clock);
    ExpectLogLine(lines[2], L"Menu.pub was backup saved as " + menuBackup->wstring(), clock);
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 3, 0);
    EXPECT_EQ(StandinProcesses(), std::vector<DWORD>{RunningId()}) << "the hung copy stays";
}

// A Publisher that never answers its creation (a screen nobody sees before its class object is
// registered, or before its first call returns): the copy's process is ended at the bound (5
// seconds here), one report at 108, the document's failure line, and the documents after it
// are backed up; the user's Publisher is untouched.
TEST_F(BackupRun, ACopyThatNeverAnswersItsCreationIsEndedAtItsBound) {
    const Publication flyer = {{L"Flyer"}};
    const Publication menu = {{L"Menu", L"Soup"}, {L"Dessert"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"Publisher Timeout", L"5"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::wstring overdue =
        L"Publisher did not answer within 5 seconds; its instance was ended";
    for (const auto& [fault, value] : {std::pair<std::wstring, std::wstring>{L"start", L"hang"},
                                       {L"Application.ActiveWindow", L"hang"}}) {
        SCOPED_TRACE(::testing::PrintToString(fault));
        fs::remove(log_->path());
        fs::remove(journal_);
        ASSERT_TRUE(StandinSettings::SetFault(fault, value));
        RunClock clock;
        const auto clicked = std::chrono::steady_clock::now();
        std::optional<std::chrono::steady_clock::duration> reportedAfter;
        std::vector<DWORD> hung;
        const std::vector<SeenBox> reports = FollowRun(2, clock, [&](const SeenBox&) {
            reportedAfter = std::chrono::steady_clock::now() - clicked;
            hung = CopyProcesses();
            StandinSettings::RemoveFault(fault);
        });
        if (HasFatalFailure()) return;
        EXPECT_EQ(TextsOf(reports), std::vector<std::wstring>{SaveAllReport(overdue, 108)});
        ASSERT_TRUE(reportedAfter);
        EXPECT_LT(*reportedAfter, std::chrono::seconds(25)) << "the hang outlived its bound";
        EXPECT_TRUE(hung.empty()) << "the hung copy still ran at its report";

        const std::optional<fs::path> menuBackup =
            FindBackup(docs, L"Menu.pub", clock.NewFileStamps());
        ASSERT_TRUE(menuBackup);
        EXPECT_EQ(ReadBytes(*menuBackup), PublicationFile(menu));
        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
        EXPECT_TRUE(lines[0].starts_with(L"Flyer.pub could not be backup saved as " +
                                         docs.wstring() + L"\\Flyer.pub Date ") &&
                    lines[0].ends_with(L": " + overdue))
            << ::testing::PrintToString(lines[0]);
        ExpectLogLine(lines[1], L"Menu.pub was backup saved as " + menuBackup->wstring(), clock);
        fs::remove(*menuBackup);

        // The hung copy was asked nothing but its window; the next one made the backup.
        const std::vector<JournalEntry> journal = ReadJournal(journal_);
        const std::vector<DWORD> copies = CopyInstancesOf(journal);
        ASSERT_EQ(copies.size(), fault == L"start" ? 1u : 2u);
        for (const JournalEntry& entry : journal) {
            if (entry.running || entry.processId != copies.front() || copies.size() == 1) continue;
            EXPECT_EQ(entry.member, L"Application.ActiveWindow")
                << ::testing::PrintToString(entry.line);
        }
        EXPECT_EQ(standins_.front()->Running(), true) << "the user's Publisher was ended";
        EXPECT_EQ(StandinProcesses(), std::vector<DWORD>{RunningId()});
    }
    ExpectDocumentsUnchanged();
}

// A copy that crashes at its first page of twenty costs its document one report, and a
// running Publisher that will not hand a document over costs that document one report at 104
// and starts no copy for it. Each such document gets its failure line; the run goes on.
TEST_F(BackupRun, ACopyThatIsGoneOrADocumentNotHandedOverCostsOneReportEach) {
    Publication big;
    for (int page = 1; page <= 20; ++page) big.push_back({L"Page " + std::to_wstring(page)});
    const Publication menu = {{L"Menu"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path bigFile = WriteDocument(L"Docs\\Big.pub", big);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);
    ASSERT_NO_FATAL_FAILURE(StartStandin({bigFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    ASSERT_TRUE(StandinSettings::SetFault(L"Document.Pages", L"crash"));
    RunClock clock;
    std::vector<SeenBox> reports = FollowRun(
        2, clock, [&](const SeenBox&) { StandinSettings::RemoveFault(L"Document.Pages"); });
    if (HasFatalFailure()) return;
    ASSERT_EQ(reports.size(), 1u) << ::testing::PrintToString(TextsOf(reports));
    const std::optional<SaveAllFailure> crash = ParseSaveAllReport(reports[0].text);
    ASSERT_TRUE(crash);
    EXPECT_EQ(crash->step, 146) << "the first page's target";
    std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    EXPECT_TRUE(lines[0].starts_with(L"Big.pub could not be backup saved as ") &&
                lines[0].ends_with(L": " + crash->description))
        << ::testing::PrintToString(lines[0]);
    const std::optional<fs::path> menuBackup = FindBackup(docs, L"Menu.pub", clock.NewFileStamps());
    ASSERT_TRUE(menuBackup);
    EXPECT_EQ(ReadBytes(*menuBackup), PublicationFile(menu));
    EXPECT_EQ(FilesIn(docs),
              (std::set<std::wstring>{L"Big.pub", L"Menu.pub", menuBackup->filename().wstring()}));
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 2, 0);

    ASSERT_TRUE(fs::remove(log_->path()));
    ASSERT_TRUE(fs::remove(journal_));
    ASSERT_TRUE(StandinSettings::SetFault(L"running:Documents.Item", L"fail"));
    reports = FollowRun(2, clock);
    if (HasFatalFailure()) return;
    const std::wstring notHandedOver = L"Documents.Item: Stand-in failure in Documents.Item";
    EXPECT_EQ(TextsOf(reports), (std::vector<std::wstring>{SaveAllReport(notHandedOver, 104),
                                                           SaveAllReport(notHandedOver, 104)}));
    lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    for (int k = 1; k <= 2; ++k) {
        const std::wstring name = L"Publication " + std::to_wstring(k);
        EXPECT_TRUE(
            lines[k - 1].starts_with(name + L" could not be backup saved as " + name + L" Date ") &&
            lines[k - 1].ends_with(L": " + notHandedOver))
            << ::testing::PrintToString(lines[k - 1]);
    }
    EXPECT_TRUE(CopyInstancesOf(ReadJournal(journal_)).empty()) << "a copy instance was started";
    EXPECT_EQ(FilesIn(docs),
              (std::set<std::wstring>{L"Big.pub", L"Menu.pub", menuBackup->filename().wstring()}));
    ExpectDocumentsUnchanged();
}

// ---- trouble: another program on the clipboard, a copy that misses pages, closing ----------

// Another program holds the clipboard for a few seconds from the click on: the run waits for
// it rather than copy over a clipboard it could not keep. Each backup is complete, or, had the
// wait run out, reported at 152 and saved as incomplete; the user's clipboard is back.
TEST_F(BackupRun, AClipboardHeldByAnotherProgramIsWaitedForAndKept) {
    const Publication flyer = {{L"Flyer"}, {L"Back page"}};
    const Publication menu = {{L"Menu"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::wstring kept = L"the user's own clipboard";
    ASSERT_TRUE(PutClipboardText(kept));

    // The other program: a thread of ours holds the clipboard open for four seconds.
    HANDLE opened = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    UniqueHandle openedOwner(opened);
    std::thread holder([opened] {
        const bool open = ::OpenClipboard(nullptr) != FALSE;
        ::SetEvent(opened);
        ::Sleep(4000);
        if (open) ::CloseClipboard();
    });
    ASSERT_EQ(::WaitForSingleObject(opened, 10000), WAIT_OBJECT_0);
    RunClock clock;
    const std::vector<SeenBox> reports = FollowRun(2, clock);
    holder.join();
    if (HasFatalFailure()) return;

    const std::set<std::wstring> stamps = clock.NewFileStamps();
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    for (const SeenBox& report : reports) {
        const std::optional<SaveAllFailure> failure = ParseSaveAllReport(report.text);
        ASSERT_TRUE(failure) << ::testing::PrintToString(report.text);
        EXPECT_EQ(failure->step, 152) << "only a copy may wait in vain";
    }
    const std::pair<const wchar_t*, const Publication*> expected[] = {{L"Flyer.pub", &flyer},
                                                                      {L"Menu.pub", &menu}};
    for (std::size_t k = 0; k < 2; ++k) {
        const std::wstring name = expected[k].first;
        if (lines[k].find(L" incompletely as ") != std::wstring::npos) {
            EXPECT_FALSE(reports.empty()) << "an incomplete copy without a report";
            EXPECT_NE(lines[k].find(L" (incomplete).pub at "), std::wstring::npos) << lines[k];
            continue;
        }
        const std::optional<fs::path> backup = FindBackup(docs, name, stamps);
        ASSERT_TRUE(backup);
        EXPECT_EQ(ReadBytes(*backup), PublicationFile(*expected[k].second));
        ExpectLogLine(lines[k], name + L" was backup saved as " + backup->wstring(), clock);
    }
    EXPECT_EQ(ClipboardText(), kept) << "the user's clipboard was not given back";
    ExpectDocumentsUnchanged();
}

// "Overwrite old backup file on backup", a good backup of the day, and a paste that fails:
// the incomplete copy is saved beside the day's file, which stays as it was.
TEST_F(BackupRun, AnIncompleteCopyIsSavedBesideTheDaysBackupNeverOverIt) {
    const Publication flyer = {{L"Front"}, {L"Back"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const std::wstring day = DayStamp(LocalNow());
    const fs::path good = docs / (L"Flyer.pub" + day);
    const std::string goodBytes = PublicationFile({{L"this morning's flyer"}});
    ASSERT_TRUE(WriteBytes(good, goodBytes));
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"Backup Option", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(StandinSettings::SetFault(L"Shapes.Paste", L"fail"));

    RunClock clock;
    const std::vector<SeenBox> reports =
        FollowRun(1, clock, [](const SeenBox&) { StandinSettings::RemoveFault(L"Shapes.Paste"); });
    if (HasFatalFailure()) return;
    const std::wstring failure = L"Shapes.Paste: Stand-in failure in Shapes.Paste";
    EXPECT_EQ(TextsOf(reports), std::vector<std::wstring>{SaveAllReport(failure, 154)});
    EXPECT_EQ(ReadBytes(good), goodBytes) << "the day's backup was touched";
    const fs::path incomplete =
        docs / (L"Flyer.pub " + day.substr(1, day.size() - 5) + L" (incomplete).pub");
    EXPECT_EQ(ReadBytes(incomplete), PublicationFile({{}, {L"Back"}}));
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", good.filename().wstring(),
                                                     incomplete.filename().wstring()}));
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(lines);
    ExpectLogLine(lines[0], L"Flyer.pub was backup saved incompletely as " + incomplete.wstring(),
                  clock, L": " + failure);
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 1);
    ExpectDocumentsUnchanged();
}

// ---- what a backup holds ------------------------------------------------------------------

// A saved publication (its file written with LF line ends, not as the stand-in writes it) is
// backed up as its file, byte for byte, with no copy instance, though Publisher holds it
// open; a changed newsletter beside it is rebuilt with its two master pages, each page's
// master, its scratch area and every shape where it stood. When Publisher holds its files so
// that nobody may read them, the saved publication is rebuilt instead, silently.
TEST_F(BackupRun, ABackupOpensLikeItsOriginal) {
    const std::string flyerBytes = "standin-publication 1\npage\nshape Summer fair\nat 72 90\n";
    standin::Publication news;
    news.masters = {standin::Page{{{L"Masthead", 36, 20}, {L"Page number", 500, 760}}},
                    standin::Page{{{L"Back cover band", 0, 700}}}};
    news.pages = {standin::Page{{{L"Lead story", 72, 144}, {L"Photo", 300, 200.5}}, 1},
                  standin::Page{{}, 1}, standin::Page{{{L"Contacts", 40, 90}}, 2}};
    news.scratch = {{L"Spare headline", -150, 40}};
    const fs::path docs = workspace_->folder() / L"Docs";
    workspace_->WriteFile(L"Docs\\Flyer.pub", flyerBytes);
    const fs::path flyerFile = docs / L"Flyer.pub";
    documents_[flyerFile] = flyerBytes;
    workspace_->WriteFile(L"Docs\\News.pub", standin::SerializePublication(news));
    const fs::path newsFile = docs / L"News.pub";
    documents_[newsFile] = standin::SerializePublication(news);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), newsFile.wstring()}, true));
    {  // the user changes the newsletter in Publisher (its page width, to what it is)
        OleScope ole;
        ComPublisherAutomation publisher;
        const auto setup = publisher.AttachRunning()->Documents()->Item(2)->PageSetup();
        setup->SetPageWidth(setup->PageWidth());
    }
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "files held from everyone" : "files held as Publisher holds them");
        if (held) {  // Publisher again, now holding its files so that nobody may read them
            ASSERT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));
            ASSERT_TRUE(StandinSettings::SetFault(L"running:hold", L"exclusive"));
            ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}, true));
            fs::remove(log_->path());
        }
        fs::remove(journal_);
        RunClock clock;
        ASSERT_NO_FATAL_FAILURE(Backup(held ? 1 : 2, clock));
        const std::set<std::wstring> stamps = clock.NewFileStamps();
        const std::optional<fs::path> flyerBackup = FindBackup(docs, L"Flyer.pub", stamps);
        ASSERT_TRUE(flyerBackup);
        const std::vector<JournalEntry> journal = ReadJournal(journal_);
        if (!held) {
            EXPECT_EQ(ReadBytes(*flyerBackup), std::optional<std::string>(flyerBytes));
            const std::optional<fs::path> newsBackup = FindBackup(docs, L"News.pub", stamps);
            ASSERT_TRUE(newsBackup);
            EXPECT_EQ(standin::ParsePublication(ReadBytes(*newsBackup).value_or("")), news)
                << ::testing::PrintToString(ReadBytes(*newsBackup));
            EXPECT_EQ(CopyInstancesOf(journal).size(), 1u) << "the saved flyer started a copy";
            ExpectLogLine(log_->Lines().at(1),
                          L"News.pub was backup saved as " + newsBackup->wstring(), clock);
        } else {
            const standin::Publication rebuilt =
                standin::ParsePublication(ReadBytes(*flyerBackup).value_or(""));
            ASSERT_EQ(rebuilt.pages.size(), 1u);
            EXPECT_EQ(rebuilt.pages[0].shapes,
                      (std::vector<standin::Shape>{{L"Summer fair", 72, 90}}));
            EXPECT_EQ(CopyInstancesOf(journal).size(), 1u) << "the flyer was not rebuilt";
        }
        ExpectLogLine(log_->Lines().at(0),
                      L"Flyer.pub was backup saved as " + flyerBackup->wstring(), clock);
        fs::remove(*flyerBackup);
    }
    EXPECT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));  // it lets nobody read them
    ExpectDocumentsUnchanged();
}

// With the free-space floor above what the volume has, a run writes nothing: one report,
// one line for each document; the next run tells nobody, and logs again.
TEST_F(BackupRun, AFullDiskIsSeenComingAndToldOnce) {
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", {{L"Flyer"}});
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", {{L"Menu"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"Free Space Floor", L"1048576"));  // a terabyte must stay free
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::set<std::wstring> before = FilesIn(docs);
    for (const int run : {1, 2}) {
        SCOPED_TRACE(run);
        RunClock clock;
        const std::vector<SeenBox> reports = FollowRun(2 * run, clock);
        if (HasFatalFailure()) return;
        const std::vector<std::wstring> lines = log_->Lines();
        ASSERT_EQ(lines.size(), 2u * run) << ::testing::PrintToString(lines);
        std::wstring volume;
        for (int k = 0; k < 2; ++k) {
            const std::wstring& line = lines[2 * (run - 1) + k];
            const std::wstring head = (k == 0 ? L"Flyer.pub" : L"Menu.pub") +
                                      std::wstring(L" was not backup saved: only ");
            EXPECT_TRUE(line.starts_with(head) &&
                        line.find(L" MB would be left free on ") != std::wstring::npos)
                << ::testing::PrintToString(line);
            if (k == 0) volume = line.substr(line.rfind(L" on ") + 4);
        }
        EXPECT_EQ(volume.size(), 3u) << "the volume is named by its root";
        if (run == 1) {
            ASSERT_EQ(reports.size(), 1u) << ::testing::PrintToString(TextsOf(reports));
            EXPECT_EQ(reports[0].text,
                      SaveAllReport(lines[0] + L". Pick another folder for the backups, or free "
                                               L"some space there: emptying the Recycle Bin is "
                                               L"one way.",
                                    160));
        } else {
            EXPECT_TRUE(reports.empty()) << ::testing::PrintToString(TextsOf(reports));
        }
        EXPECT_EQ(FilesIn(docs), before) << "a file was written";
        EXPECT_TRUE(CopyInstancesOf(ReadJournal(journal_)).empty()) << "a copy instance started";
    }
}

// A saved publication backed up exactly, then the program closed and started again (as at the
// next logon) with "Save every 30 seconds": its first scheduled run remembers, from the exact
// copy, that the publication is unchanged since, and skips it.
TEST_F(BackupRun, AfterARestartTheFirstScheduledRunSkipsAnUnchangedPublication) {
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", {{L"Flyer"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}, true));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(1, clock));
    const std::optional<fs::path> backup = FindBackup(docs, L"Flyer.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    ASSERT_NO_FATAL_FAILURE(Close());

    ASSERT_TRUE(Store::Set(L"OftenIndex", L"1"));
    ASSERT_TRUE(Store::Set(L"StartStopState", L"On"));
    fs::remove(journal_);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(WaitUntil([&] { return log_->Lines().size() >= 2; }, std::chrono::seconds(90)))
        << "no scheduled run";
    const std::vector<std::wstring> lines = log_->Lines();
    EXPECT_TRUE(lines[1].starts_with(L"Flyer.pub is unchanged since its backup " +
                                     backup->wstring() + L" at "))
        << ::testing::PrintToString(lines[1]);
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Flyer.pub", backup->filename().wstring()}));
    EXPECT_TRUE(CopyInstancesOf(ReadJournal(journal_)).empty());
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton4));  // off: no run during the close
    ExpectDocumentsUnchanged();
}

// "Thin out older backups": in the window under "Overwrite old backup file on backup",
// disabled with that option, its setting kept across a restart. Ticked, with 30 older backups
// of a publication (ten in one hour three hours ago, ten in one day five days ago, ten in one
// week six weeks ago) and two files that only look like backups, a run keeps the newest of
// each ten and sends the other 27 to the Recycle Bin.
TEST_F(BackupRun, OlderBackupsAreThinnedOutToTheRecycleBin) {
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", {{L"Flyer"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}, true));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const HWND box = Control(ControlId::ThinOutBackups);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Caption(ControlId::ThinOutBackups), L"Thin out older backups");
    EXPECT_FALSE(Checked(ControlId::ThinOutBackups)) << "nothing is thinned unless asked";
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::Option4));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(box); })) << "enabled with Option4";
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::Option3));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(box) != FALSE; }));
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::ThinOutBackups));
    EXPECT_TRUE(WaitUntil([] { return Store::Read(L"Thin Out Backups") == L"On"; }));
    ASSERT_NO_FATAL_FAILURE(Close());
    fs::remove(journal_);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    EXPECT_TRUE(Checked(ControlId::ThinOutBackups)) << "the box forgot its setting";

    // Older backups over 45 days, named as the program names them: every 7 hours, a few of
    // the last hour, incomplete copies every 4 days; and names the program would not write.
    constexpr unsigned long long kMinute = 60ULL * 10000000ULL, kHour = 60 * kMinute,
                                 kDay = 24 * kHour;
    const auto ticks = [](const SYSTEMTIME& time) {
        FILETIME file{};
        ::SystemTimeToFileTime(&time, &file);
        return (static_cast<unsigned long long>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    };
    const auto nameAt = [](unsigned long long t, bool incomplete) {
        const FILETIME file{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
        SYSTEMTIME time{};
        ::FileTimeToSystemTime(&file, &time);
        return L"Flyer.pub Date " + FormatDate(time, 0, L"MMM d yyyy") + L" Time " +
               FormatTime(time, L"hh mm ss tt") + (incomplete ? L" (incomplete)" : L"") + L".pub";
    };
    SYSTEMTIME start = LocalNow();
    start.wMilliseconds = 0;
    std::map<std::wstring, std::pair<unsigned long long, bool>> backups;  // time, incomplete
    const auto add = [&](unsigned long long age, bool incomplete) {
        const unsigned long long t = ticks(start) - age;
        backups[nameAt(t, incomplete)] = {t, incomplete};
    };
    for (int k = 1; k <= 154; ++k) add(k * 7 * kHour + 13 * kMinute, false);
    for (int k = 1; k <= 10; ++k) add(k * 4 * kDay + 3 * kHour + 7 * kMinute, true);
    add(10 * kMinute, false);
    add(25 * kMinute, false);
    for (const auto& [name, backup] : backups) ASSERT_TRUE(WriteBytes(docs / name, "older"));
    const std::set<std::wstring> strangers = {L"Flyer.pub Date 31 Time 02.pub",
                                              L"Flyer.pub old copy.pub"};
    for (const std::wstring& name : strangers) ASSERT_TRUE(WriteBytes(docs / name, "a stranger"));

    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(2, clock));
    const std::optional<fs::path> backup = FindBackup(docs, L"Flyer.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    for (const SYSTEMTIME& t : clock.Seconds()) {
        if (nameAt(ticks(t), false) == backup->filename().wstring()) {
            backups[backup->filename().wstring()] = {ticks(t), false};
        }
    }
    ASSERT_TRUE(backups.count(backup->filename().wstring()));

    // The rule, on its own: the last hour's and any ahead of the clock; the newest of each clock
    // hour while under 24 hours old, of each day while under 30 days, of each week (Monday to
    // Sunday: 1 January 1601, where FILETIME counts from, was a Monday) at any age; incomplete
    // copies apart.
    const unsigned long long now = ticks(clock.after);
    std::map<std::tuple<bool, int, unsigned long long>, unsigned long long> newest;
    const auto spans = [&](unsigned long long t, bool incomplete) {
        return std::array<std::tuple<bool, int, unsigned long long>, 3>{
            std::tuple{incomplete, 0, t / kHour}, std::tuple{incomplete, 1, t / kDay},
            std::tuple{incomplete, 2, t / kDay / 7}};
    };
    for (const auto& [name, b] : backups) {
        for (const auto& span : spans(b.first, b.second)) {
            newest[span] = std::max(newest[span], b.first);
        }
    }
    std::set<std::wstring> kept = strangers, thinned;
    kept.insert(L"Flyer.pub");
    for (const auto& [name, b] : backups) {
        const auto [t, incomplete] = b;
        const auto span = spans(t, incomplete);
        const bool keep = t + kHour > now || (t + kDay > now && newest[span[0]] == t) ||
                          (t + 30 * kDay > now && newest[span[1]] == t) || newest[span[2]] == t;
        (keep ? kept : thinned).insert(name);
    }
    EXPECT_GT(thinned.size(), 100u);
    EXPECT_EQ(FilesIn(docs), kept);
    EXPECT_EQ(log_->Lines().at(1), L"Flyer.pub: " + std::to_wstring(thinned.size()) +
                                       L" older backups moved to the Recycle Bin");
    // Wine's Recycle Bin is the desktop's trash of the Unix user, whose home Wine names in
    // WINEHOMEDIR ("\\??\\Z:\\root").
    const wchar_t* wineHome = _wgetenv(L"WINEHOMEDIR");
    std::wstring home = wineHome != nullptr ? wineHome : L"";
    if (home.starts_with(L"\\??\\")) home.erase(0, 4);
    EXPECT_FALSE(home.empty()) << "Wine's Recycle Bin cannot be found";
    if (!home.empty()) {
        const fs::path trash = fs::path(home) / L".local\\share\\Trash\\files";
        std::size_t inTrash = 0;
        for (const std::wstring& name : thinned) inTrash += fs::exists(trash / name) ? 1 : 0;
        EXPECT_EQ(inTrash, thinned.size())
            << "not in " << ::testing::PrintToString(trash.wstring());
        for (const std::wstring& name : thinned) {
            fs::remove(trash / name);
            fs::remove(trash.parent_path() / L"info" / (name + L".trashinfo"));
        }
    }
    ExpectDocumentsUnchanged();
}

// Closing the main window while the run asks where to put an unsaved document's backup: the
// run ends there, the copy goes, the clipboard comes back and the program exits cleanly.
TEST_F(BackupRun, ClosingTheWindowWhileTheRunAsksForAFolderEndsEverything) {
    const Publication flyer = {{L"Flyer"}};
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    ASSERT_NO_FATAL_FAILURE(
        StartStandin({flyerFile.wstring(), L"--unsaved", L"Notes", L"--unsaved", L"Later"}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::wstring kept = L"kept while closing";
    ASSERT_TRUE(PutClipboardText(kept));

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton2));
    ASSERT_NE(program_.WaitForFolderDialog(), nullptr) << "no folder dialog for Notes";
    ASSERT_TRUE(::PostMessageW(program_.MainWindow(), WM_CLOSE, 0, 0));
    EXPECT_EQ(program_.WaitForExit(kRunDeadline), std::optional<DWORD>(0))
        << "the program did not end cleanly";
    EXPECT_TRUE(WaitUntil([&] { return CopyProcesses().empty(); }))
        << "copy instances left: " << ::testing::PrintToString(CopyProcesses());
    EXPECT_EQ(ClipboardText(), kept) << "the user's clipboard was not given back";
    EXPECT_EQ(log_->Lines().size(), 1u) << "Flyer.pub's backup only";
    const std::vector<JournalEntry> journal = ReadJournal(journal_);
    // Flyer's copy only: none waits while Notes' folder is asked, and Later is never begun.
    EXPECT_EQ(CopyInstancesOf(journal).size(), 1u) << "a further document was begun";
    EXPECT_TRUE(std::none_of(journal.begin(), journal.end(), [](const JournalEntry& entry) {
        return entry.call == L"prompted";
    })) << "a copy's Quit met the question about unsaved changes";
}

// ---- on the timer ---------------------------------------------------------------------------

// "Save every 30 seconds" with two saved publications: the first scheduled run backs up both
// (no copy instance); the second skips the unchanged one (no file, a line) and rebuilds the one
// changed in Publisher, which the user saves while its copy is being built; the third backs it
// up again, holding the saved file; "Backup Save Now (Test)" backs up both whatever changed.
TEST_F(BackupRun, TheTimerSkipsWhatHasNotChangedAndTheButtonCopiesEverything) {
    const Publication flyer = {{L"Flyer"}};
    const Publication menu(150, std::vector<std::wstring>{L"Dish", L"Price"});
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", menu);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring(), menuFile.wstring()}, true));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"OftenIndex", L"1"));
    ASSERT_TRUE(Store::Set(L"StartStopState", L"On"));
    RunClock clock;
    clock.before = LocalNow();
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const auto lines = [&](std::size_t count) {
        const bool reached =
            WaitUntil([&] { return log_->Lines().size() >= count; }, std::chrono::seconds(120));
        EXPECT_TRUE(WaitUntil([&] { return CopyProcesses().empty(); }));
        return reached;
    };
    const auto copies = [&] { return CopyInstancesOf(ReadJournal(journal_)).size(); };

    ASSERT_TRUE(lines(2)) << "no first scheduled run";
    clock.after = LocalNow();
    const std::optional<fs::path> flyerBackup =
        FindBackup(docs, L"Flyer.pub", clock.NewFileStamps());
    const std::optional<fs::path> menuBackup = FindBackup(docs, L"Menu.pub", clock.NewFileStamps());
    ASSERT_TRUE(flyerBackup && menuBackup);
    const std::set<std::wstring> afterFirst = FilesIn(docs);
    // Both are saved publications: their backups are their files, with no copy instance.
    EXPECT_EQ(copies(), 0u) << "a saved document started a copy instance";

    {  // the user adds a page to Menu in Publisher
        OleScope ole;
        ComPublisherAutomation publisher;
        publisher.AttachRunning()->Documents()->Item(2)->Pages()->Add(1, 1);
    }
    // ... and saves it while its copy is being built.
    // Where the first call of that member is in the journal, if it is there yet.
    const auto inJournal = [&](bool running, const std::wstring& member) {
        const std::vector<JournalEntry> journal = ReadJournal(journal_);
        const auto at = std::find_if(journal.begin(), journal.end(), [&](const JournalEntry& e) {
            return e.running == running && e.member == member && e.call == L"Invoke";
        });
        return at == journal.end() ? std::optional<std::ptrdiff_t>()
                                   : std::optional<std::ptrdiff_t>(at - journal.begin());
    };
    ASSERT_TRUE(WaitUntil([&] { return inJournal(false, L"Shapes.Paste").has_value(); },
                          std::chrono::seconds(60)))
        << "no copy was built";
    {
        OleScope ole;
        ComPublisherAutomation publisher;
        publisher.AttachRunning()->Documents()->Item(2)->SaveAs(menuFile.wstring());
    }
    ASSERT_TRUE(lines(4)) << "no second scheduled run";
    std::vector<std::wstring> log = log_->Lines();
    EXPECT_TRUE(log[2].starts_with(L"Flyer.pub is unchanged since its backup " +
                                   flyerBackup->wstring() + L" at "))
        << ::testing::PrintToString(log[2]);
    EXPECT_TRUE(log[3].starts_with(L"Menu.pub was backup saved as ")) << log[3];
    std::set<std::wstring> written = FilesIn(docs);
    for (const std::wstring& name : afterFirst) written.erase(name);
    EXPECT_TRUE(written.size() == 1 && written.begin()->starts_with(L"Menu.pub "))
        << "the skipped document wrote a file: " << ::testing::PrintToString(written);
    EXPECT_EQ(copies(), 1u) << "the changed document was not rebuilt, or the skipped one was";
    const std::optional<std::ptrdiff_t> userSaved = inJournal(true, L"Document.SaveAs");
    const std::optional<std::ptrdiff_t> copySaved = inJournal(false, L"Document.SaveAs");
    EXPECT_TRUE(userSaved && copySaved && *userSaved < *copySaved)
        << "Menu was not saved while its copy was being built";
    const std::optional<std::string> saved = ReadBytes(menuFile);
    ASSERT_TRUE(saved);
    documents_[menuFile] = *saved;  // the user's save
    ASSERT_TRUE(lines(6)) << "no third scheduled run";
    log = log_->Lines();
    EXPECT_TRUE(log[4].starts_with(L"Flyer.pub is unchanged since its backup ")) << log[4];
    EXPECT_TRUE(log[5].starts_with(L"Menu.pub was backup saved as "))
        << "a change was hidden: " << log[5];
    const std::wstring savedBackup = log[5].substr(29, log[5].rfind(L" at ") - 29);
    EXPECT_EQ(ReadBytes(savedBackup), saved) << "no backup holds the saved file";

    {  // the user changes Menu again
        OleScope ole;
        ComPublisherAutomation publisher;
        publisher.AttachRunning()->Documents()->Item(2)->Pages()->Add(1, 1);
    }
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton4));  // the timer off: the button alone
    ASSERT_TRUE(
        WaitUntil([&] { return Caption(ControlId::PushButton4) == L"Turn On Backup Save"; }));
    RunClock now;
    const std::size_t before = log_->Lines().size();
    ASSERT_NO_FATAL_FAILURE(Backup(before + 2, now));
    log = log_->Lines();
    EXPECT_TRUE(log[before].starts_with(L"Flyer.pub was backup saved as ")) << log[before];
    EXPECT_TRUE(log[before + 1].starts_with(L"Menu.pub was backup saved as ")) << log[before + 1];
    EXPECT_EQ(copies(), 2u) << "only the changed document is rebuilt";
    ExpectDocumentsUnchanged();
}

// "Save every 30 seconds", on: the caption counts down, the run comes by itself after 30
// ticks, and the countdown starts over.
TEST_F(BackupRun, EveryThirtySecondsTheCountdownEndsInABackupAndStartsOver) {
    const Publication flyer = {{L"Flyer"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_TRUE(Store::Set(L"OftenIndex", L"1"));
    ASSERT_TRUE(Store::Set(L"StartStopState", L"On"));
    RunClock clock;
    clock.before = LocalNow();
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::wstring counting = L"On. Next backup save will occur in 00:00:";
    EXPECT_TRUE(WaitUntil([&] {
        return Caption(ControlId::Frame2).rfind(counting + L"2", 0) == 0;
    })) << ::testing::PrintToString(Caption(ControlId::Frame2));
    EXPECT_TRUE(log_->Lines().empty()) << "a run came before its time";

    ASSERT_TRUE(WaitUntil([&] { return log_->Lines().size() == 1; }, std::chrono::seconds(60)))
        << "no scheduled run within a minute; the caption reads "
        << ::testing::PrintToString(Caption(ControlId::Frame2));
    clock.after = LocalNow();
    const std::optional<fs::path> backup = FindBackup(docs, L"Flyer.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    EXPECT_EQ(ReadBytes(*backup), PublicationFile(flyer));
    ExpectLogLine(log_->Lines()[0], L"Flyer.pub was backup saved as " + backup->wstring(), clock);
    EXPECT_TRUE(WaitUntil([&] {
        return Caption(ControlId::Frame2).rfind(counting + L"2", 0) == 0;
    })) << "the countdown did not start over: "
        << ::testing::PrintToString(Caption(ControlId::Frame2));
    EXPECT_TRUE(WaitUntil([&] { return CopyProcesses().empty(); }));

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton4));
    ExpectQuietAfterwards();
    EXPECT_EQ(Caption(ControlId::Frame2), L"Auto Save is Off.");
    EXPECT_EQ(log_->Lines().size(), 1u);
}

}  // namespace
}  // namespace kelbrook::e2e

namespace kelbrook::e2e {
namespace {

// ---- master pages and fresh copies as Publisher's reference has them -----------------------

// A publication changed in Publisher, with a one-page master and a two-page master whose
// halves both carry pages, is rebuilt with both as they were: the two-page master as one, each
// half's shapes in place, and each page on its own master page.
TEST_F(BackupRun, ATwoPageMasterAndAOnePageMasterAreKeptAsTheyWere) {
    standin::Publication book;
    book.masters = {standin::Page{{{L"Chapter band", 0, 20}}},
                    standin::Page{{{L"Left folio", 36, 760}},
                                  1,
                                  std::vector<standin::Shape>{{L"Right folio", 560, 760}}}};
    book.pages = {standin::Page{{{L"Title", 72, 144}}, 1}, standin::Page{{{L"Verso", 72, 90}}, 2},
                  standin::Page{{{L"Recto", 80, 90}}, 2}, standin::Page{{}, 1},
                  standin::Page{{{L"End", 72, 300}}, 2}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path bookFile = docs / L"Book.pub";
    workspace_->WriteFile(L"Docs\\Book.pub", standin::SerializePublication(book));
    documents_[bookFile] = standin::SerializePublication(book);
    ASSERT_NO_FATAL_FAILURE(StartStandin({bookFile.wstring()}));  // changed in Publisher
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(1, clock));
    const std::optional<fs::path> backup = FindBackup(docs, L"Book.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    EXPECT_EQ(standin::ParsePublication(ReadBytes(*backup).value_or("")), book)
        << ::testing::PrintToString(ReadBytes(*backup));
    ExpectLogLine(log_->Lines().at(0), L"Book.pub was backup saved as " + backup->wstring(), clock);
    ExpectRunJournal(ReadJournal(journal_), RunningId(), 1);
    ExpectDocumentsUnchanged();
    EXPECT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));
    ASSERT_NO_FATAL_FAILURE(Close());
}

// A fresh copy instance without a publication and without an active window makes its
// publication while it is created, and the document is backed up as any other.
TEST_F(BackupRun, AFreshCopyWithoutAPublicationOrAWindowStillBacksUp) {
    const Publication flyer = {{L"Summer fair"}, {L"Programme", L"Map"}};
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path flyerFile = WriteDocument(L"Docs\\Flyer.pub", flyer);
    ASSERT_NO_FATAL_FAILURE(StartStandin({flyerFile.wstring()}));
    ASSERT_TRUE(StandinSettings::SetFault(L"start", L"bare"));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    RunClock clock;
    ASSERT_NO_FATAL_FAILURE(Backup(1, clock));
    const std::optional<fs::path> backup = FindBackup(docs, L"Flyer.pub", clock.NewFileStamps());
    ASSERT_TRUE(backup);
    EXPECT_EQ(ReadBytes(*backup), PublicationFile(flyer));
    ExpectLogLine(log_->Lines().at(0), L"Flyer.pub was backup saved as " + backup->wstring(),
                  clock);
    const std::vector<JournalEntry> journal = ReadJournal(journal_);
    ExpectRunJournal(journal, RunningId(), 1);
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const JournalEntry& entry) {
                                return !entry.running && entry.call == L"Invoke" &&
                                       entry.member == L"Application.NewDocument";
                            }),
              1)
        << "the copy made no publication, or more than one";
    ExpectDocumentsUnchanged();
    EXPECT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));
    ASSERT_NO_FATAL_FAILURE(Close());
}

}  // namespace
}  // namespace kelbrook::e2e
