// The backup run of "Backup Save Now (Test)", driven from outside against the stand-in
// Publisher: what the end-to-end tests of the run share. The program's clock and names read as
// the program reads them, the files a run leaves, the stand-in's journal, and the fixture.
#pragma once

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
#include "RunJournal.h"
#include "RunningProgram.h"
#include "Standin.h"
#include "StandinPublication.h"
#include "app/win32/ControlIds.h"
#include "backup/BackupName.h"
#include "backup/win32/ComPublisherAutomation.h"

namespace kelbrook::e2e {

using namespace kelbrook::win32;
namespace fs = std::filesystem;

// A run makes one copy instance per document, each a process start under Wine.
inline constexpr std::chrono::milliseconds kRunDeadline{120000};

inline constexpr wchar_t kErrorReportTitle[] = L"Application Error";
inline constexpr wchar_t kSaveAllAt[] =
    L"\r\nin Kelbrookapp2021/08/31.SavePublisher.SaveAll at line ";
inline constexpr wchar_t kReportEnd[] =
    L"\r\rPlease email screenshot of this message to support@tarnwick.example";
inline constexpr wchar_t kSaveAsFailure[] = L"Document.SaveAs: Stand-in failure in Document.SaveAs";

// The text of an error report of SaveAll at this step.
inline std::wstring SaveAllReport(const std::wstring& description, int step) {
    return description + kSaveAllAt + std::to_wstring(step) + kReportEnd;
}

// An error report of SaveAll taken apart; nothing when the text is not one.
struct SaveAllFailure {
    std::wstring description;
    int step = 0;
};

inline std::optional<SaveAllFailure> ParseSaveAllReport(const std::wstring& text) {
    const std::size_t at = text.find(kSaveAllAt);
    if (at == std::wstring::npos) return std::nullopt;
    const std::size_t digits = at + std::wstring(kSaveAllAt).size();
    std::size_t end = digits;
    while (end < text.size() && std::iswdigit(text[end])) ++end;
    if (end == digits || text.substr(end) != kReportEnd) return std::nullopt;
    return SaveAllFailure{text.substr(0, at), std::stoi(text.substr(digits, end - digits))};
}

// ---- the clock, read as the program reads it --------------------------------------------

inline SYSTEMTIME LocalNow() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return now;
}

inline std::wstring FormatDate(const SYSTEMTIME& time, DWORD flags, const wchar_t* picture) {
    wchar_t buffer[128] = {};
    ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &time, picture, buffer, 128, nullptr);
    return buffer;
}

inline std::wstring FormatTime(const SYSTEMTIME& time, const wchar_t* picture) {
    wchar_t buffer[128] = {};
    ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, picture, buffer, 128);
    return buffer;
}

// The day's part of an Option4 backup name: " <MMM d yyyy>.pub".
inline std::wstring DayStamp(const SYSTEMTIME& time) {
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
inline std::set<std::wstring> FilesIn(const fs::path& folder) {
    std::set<std::wstring> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        names.insert(it->path().filename().wstring());
    }
    return names;
}

// The one file of the folder named stem + one of the stamps; nothing (and a failure) when
// there is none or more than one.
inline std::optional<fs::path> FindBackup(const fs::path& folder, const std::wstring& stem,
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
inline void ExpectLogLine(const std::wstring& line, const std::wstring& head, const RunClock& clock,
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
        const StandinExit registered = RunStandin({L"/RegServer"});
        ASSERT_EQ(registered.code, std::optional<DWORD>(0)) << registered.failure;
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
        const StandinExit unregistered = RunStandin({L"/UnregServer"});
        EXPECT_EQ(unregistered.code, std::optional<DWORD>(0)) << unregistered.failure;
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
        if (!saved) MarkChanged();
    }
    // Every document of the running instance counts as changed in Publisher from now on.
    void MarkChanged() {
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
// A folder where no file can be made, on a volume with room: a folder inside a file. (Wine
// ignores the read-only attribute of a folder, the tests run as root, whom file modes do not
// stop, and the read-only file systems of the host, /sys and /proc, have no room: a backup
// there is refused for want of space before it is tried.)
inline bool FolderRefusesNewFiles(const fs::path& folder) {
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

inline std::vector<std::wstring> TextsOf(const std::vector<SeenBox>& boxes) {
    std::vector<std::wstring> texts;
    for (const SeenBox& box : boxes) texts.push_back(box.text);
    return texts;
}

}  // namespace kelbrook::e2e
