// What the end-to-end tests of the Backups window share: the list's columns, a recorder for
// ".pub", and the fixture that opens the window, reads its rows and makes backups as the
// program names them.
#pragma once

#include <gtest/gtest.h>

#include "BackupRun.h"
#include "BackupsWindowDriver.h"
#include "backup/Calendar.h"
#include "core/win32/Win32Clock.h"
#include "history/HistoryLines.h"

namespace kelbrook::e2e {

enum Cell { kPublication, kBackedUp, kSize, kHolds, kFolder };

// Seconds of the system clock, to wait for the next one.
inline std::int64_t ClockSecond() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                     now.dwLowDateTime) /
           10'000'000;
}

// ".pub" opens with a recorder while the object lives: cmd.exe writes the path it is given
// into a file.
class PubRecorder {
  public:
    explicit PubRecorder(const fs::path& record) : record_(record) {
        registered_ =
            SetRegistryText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.pub", L"", kProgId) &&
            SetRegistryText(
                HKEY_LOCAL_MACHINE,
                std::wstring(L"Software\\Classes\\") + kProgId + L"\\shell\\open\\command", L"",
                L"\"C:\\windows\\system32\\cmd.exe\" /c echo \"%1\">\"" + record.wstring() + L"\"");
    }
    PubRecorder(const PubRecorder&) = delete;
    PubRecorder& operator=(const PubRecorder&) = delete;
    ~PubRecorder() {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.pub");
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                         (std::wstring(L"Software\\Classes\\") + kProgId).c_str());
    }
    bool registered() const { return registered_; }
    // The path the recorder was last given, once it has written it down.
    std::optional<std::wstring> Recorded() const {
        const std::optional<std::string> bytes = ReadBytes(record_);
        if (!bytes || bytes->find('\n') == std::string::npos) return std::nullopt;
        std::wstring text = FromAnsi(*bytes);
        while (!text.empty() &&
               (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
            text.pop_back();
        }
        if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
            text = text.substr(1, text.size() - 2);
        }
        return text;
    }

  private:
    static constexpr wchar_t kProgId[] = L"Kelbrook.E2eRecorder";
    fs::path record_;
    bool registered_ = false;
};

class BackupsWindowE2e : public BackupRun {
  protected:
    void TearDown() override {
        if (HWND window = BackupsWindowOf(program_.id()); window != nullptr && !HasFailure()) {
            EXPECT_TRUE(::PostMessageW(window, WM_CLOSE, 0, 0));
            EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(window); }))
                << "the Backups window did not close";
        }
        CloseExplorers();
        BackupRun::TearDown();
    }

    // Opens the window with the main window's button and waits for its list.
    HWND OpenBackups() {
        Click(ControlId::BackupsButton);
        HWND window = nullptr;
        EXPECT_TRUE(WaitUntil([&] {
            window = BackupsWindowOf(program_.id());
            return window != nullptr && BackupsListed(window);
        })) << "no Backups window with a list";
        return window;
    }
    HWND List(HWND window) const { return ::GetDlgItem(window, win32::kBackupsList); }
    std::vector<std::vector<std::wstring>> Rows(HWND window) const {
        const auto rows = ListViewRows(program_.id(), List(window));
        EXPECT_TRUE(rows) << "the list could not be read";
        return rows.value_or(std::vector<std::vector<std::wstring>>{});
    }
    // A backup file made as the program names it, `secondsAgo` before now; its path.
    fs::path MakeBackup(const fs::path& folder, const std::wstring& name, const std::string& bytes,
                        int secondsAgo, const std::wstring& origin = L"") {
        win32::Win32Clock clock;
        const LocalTime when = Calendar::LocalTimeOf(Calendar::Seconds(clock.Now()) - secondsAgo);
        const fs::path path = BackupName::WithTime(BackupName::Stem(folder.wstring(), name, origin),
                                                   clock, when, L".pub");
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    // Explorer windows the window's "show" opened are closed again, and their processes end.
    void CloseExplorers() {
        const auto running = [](DWORD id) {
            const std::vector<DWORD> ids = ProcessesNamed(L"explorer.exe");
            return std::find(ids.begin(), ids.end(), id) != ids.end();
        };
        for (DWORD id : ProcessesNamed(L"explorer.exe")) {
            if (std::find(explorers_.begin(), explorers_.end(), id) != explorers_.end() ||
                CommandLineOf(id).value_or(L"").find(L"/select,") == std::wstring::npos) {
                continue;  // the desktop's, the tray's: not the window's
            }
            // It shows its window a while after it has started.
            std::wstring windows;
            WaitUntil([&] {
                for (HWND window : TopLevelWindows(id, L"")) {
                    if (!::IsWindowVisible(window)) continue;
                    windows += ClassNameOf(window) + L" \"" + TextOf(window) + L"\"; ";
                    ::PostMessageW(window, WM_CLOSE, 0, 0);
                }
                return !windows.empty() || !running(id);
            });
            if (!WaitUntil([&] { return !running(id); })) {
                ADD_FAILURE() << "an Explorer the window opened did not close: "
                              << ::testing::PrintToString(windows);
                EndProcess(id);
            }
        }
    }
    void NoteExplorers() { explorers_ = ProcessesNamed(L"explorer.exe"); }

    std::vector<DWORD> explorers_;
    win32::Win32Clock clock_;
};

}  // namespace kelbrook::e2e
