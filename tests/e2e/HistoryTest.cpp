// The history log commands, driven from outside: "View History Log" opens the log in
// Notepad, "Copy History To Clipboard" copies its whole text, "Clear History Log" deletes it
// after asking. The log is %TEMP%\Kelbrook.txt of the program, which shares the test's TEMP.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Driver.h"
#include "RunningProgram.h"
#include "app/win32/ControlIds.h"

namespace kelbrook::e2e {
namespace {

using namespace kelbrook::win32;

constexpr wchar_t kNoHistory[] =
    L"There isn't a history to view because actions have not been performed yet.";
constexpr wchar_t kClearQuestion[] =
    L"Are you sure you want to delete the history log and start over?";
// Three lines as the program writes them, one with a character outside ASCII.
constexpr wchar_t kLogText[] =
    L"31.08.2021 10:15:02 Backup saved: C:\\Kopien\\Flyer.pub\r\n"
    L"31.08.2021 10:45:03 Backup saved: C:\\Kopien\\Müller Preisliste.pub\r\n"
    L"31.08.2021 11:15:04 Auto save turned off\r\n";

class HistoryE2e : public RunningProgram {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RunningProgram::SetUp());
        log_.emplace();
        ASSERT_TRUE(log_->Ready()) << "the history log " << ::testing::PrintToString(log_->path())
                                   << " could not be cleared";
    }

    void TearDown() override {
        RunningProgram::TearDown();
        log_.reset();
    }

    // Writes the three lines of kLogText in the ANSI code page; the bytes written.
    std::string WriteLog() {
        const std::optional<std::string> bytes = ToAnsiCodePage(kLogText);
        EXPECT_TRUE(bytes) << "the log text has no ANSI form in code page " << ::GetACP();
        if (!bytes) return {};
        EXPECT_TRUE(log_->Write(*bytes));
        EXPECT_EQ(log_->Bytes(), *bytes);
        return *bytes;
    }

    // Clicks the button and reads the message box it opens, which must be the program's
    // own: titled Kelbrook, without an icon.
    std::optional<SeenBox> ClickForBox(ControlId id) {
        Click(id);
        if (HasFatalFailure()) return std::nullopt;
        std::optional<SeenBox> box = program_.WaitForMessageBox();
        EXPECT_TRUE(box) << "no message box came";
        if (box) {
            EXPECT_EQ(box->title, kProgramTitle);
            EXPECT_FALSE(box->icon);
        }
        return box;
    }

    std::optional<HistoryLogFile> log_;
};

// ---- View History Log -------------------------------------------------------------------

class HistoryView : public HistoryE2e {
  protected:
    void TearDown() override {
        for (DWORD id : ProcessesNamed(L"notepad.exe")) {
            if (before_.count(id) == 0) {
                EXPECT_TRUE(EndProcess(id)) << "notepad " << id;
            }
        }
        HistoryE2e::TearDown();
    }

    // The Notepad processes that were not there when the test began.
    std::vector<DWORD> NewNotepads() const {
        std::vector<DWORD> found;
        for (DWORD id : ProcessesNamed(L"notepad.exe")) {
            if (before_.count(id) == 0) found.push_back(id);
        }
        return found;
    }

    void NoteRunningNotepads() {
        const std::vector<DWORD> ids = ProcessesNamed(L"notepad.exe");
        before_.insert(ids.begin(), ids.end());
    }

    std::set<DWORD> before_;
};

TEST_F(HistoryView, WithoutALogTellsThereIsNoHistory) {
    ASSERT_NO_FATAL_FAILURE(Start());
    NoteRunningNotepads();

    const std::optional<SeenBox> box = ClickForBox(ControlId::PushButton3);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, kNoHistory);
    EXPECT_TRUE(box->ok);
    EXPECT_FALSE(box->yes || box->no || box->cancel);
    EXPECT_FALSE(::IsWindowEnabled(program_.MainWindow())) << "the box is not modal";
    ASSERT_TRUE(Answer(*box, IDOK));

    ExpectQuietAfterwards();
    EXPECT_TRUE(NewNotepads().empty()) << "Notepad started without a log";
    EXPECT_FALSE(log_->Exists());
}

TEST_F(HistoryView, WithALogOpensItInNotepad) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string bytes = WriteLog();
    if (HasFailure()) return;
    NoteRunningNotepads();

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton3));
    std::vector<DWORD> started;
    ASSERT_TRUE(WaitUntil([&] { return !(started = NewNotepads()).empty(); }))
        << "no Notepad started";
    ASSERT_EQ(started.size(), 1u);
    const DWORD notepad = started.front();

    EXPECT_EQ(CommandLineOf(notepad), L"notepad \"" + log_->path() + L"\"");
    HWND window = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        for (HWND candidate : TopLevelWindows(notepad, L"")) {
            if (::IsWindowVisible(candidate) &&
                TextOf(candidate).find(L"Kelbrook") != std::wstring::npos) {
                window = candidate;
                return true;
            }
        }
        return false;
    })) << "Notepad shows no window titled with the log's name";
    if (window != nullptr) {
        HWND edit = ::FindWindowExW(window, nullptr, L"Edit", nullptr);
        ASSERT_NE(edit, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return TextOf(edit) == FromAnsi(bytes); }))
            << "Notepad shows " << ::testing::PrintToString(TextOf(edit));
    }

    ExpectQuietAfterwards();
    EXPECT_EQ(log_->Bytes(), bytes) << "viewing changed the log";
    EXPECT_TRUE(EndProcess(notepad));
}

// ---- Copy History To Clipboard ----------------------------------------------------------

class HistoryCopy : public HistoryE2e {};

TEST_F(HistoryCopy, WithoutALogLeavesTheClipboardAlone) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::wstring before = L"on the clipboard before the click: Grüße";
    ASSERT_TRUE(PutClipboardText(before));
    ASSERT_EQ(ClipboardText(), before);
    const DWORD sequence = ::GetClipboardSequenceNumber();

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton5));
    ExpectQuietAfterwards();
    EXPECT_EQ(::GetClipboardSequenceNumber(), sequence) << "the clipboard was written";
    EXPECT_EQ(ClipboardText(), before);
    EXPECT_FALSE(log_->Exists());
}

TEST_F(HistoryCopy, WithALogCopiesItsWholeText) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string bytes = WriteLog();
    if (HasFailure()) return;
    const std::wstring expected = FromAnsi(bytes);
    ASSERT_NE(expected.find(L"Müller"), std::wstring::npos);
    ASSERT_TRUE(PutClipboardText(L"on the clipboard before the click"));

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton5));
    ExpectQuietAfterwards();
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == expected; }))
        << "the clipboard holds " << ::testing::PrintToString(ClipboardText());
    EXPECT_EQ(log_->Bytes(), bytes) << "copying changed the log";
}

TEST_F(HistoryCopy, ALaterCopyTakesTheLogAsItIsThen) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string first = WriteLog();
    if (HasFailure()) return;
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton5));
    ExpectQuietAfterwards();
    ASSERT_TRUE(WaitUntil([&] { return ClipboardText() == FromAnsi(first); }));

    const std::optional<std::string> line = ToAnsiCodePage(L"31.08.2021 11:45:05 Übrig\r\n");
    ASSERT_TRUE(line);
    const std::string second = first + *line;
    ASSERT_TRUE(log_->Write(second));
    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton5));
    ExpectQuietAfterwards();
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == FromAnsi(second); }))
        << "the clipboard holds " << ::testing::PrintToString(ClipboardText());
}

// What Kelbrook put on the clipboard outlives it: another program pastes the lines after
// Kelbrook has closed, and closing after one or two copies is a clean exit.
TEST_F(HistoryCopy, TheCopiedLinesStayOnTheClipboardAfterTheProgramCloses) {
    for (const int copies : {1, 2}) {
        SCOPED_TRACE(::testing::Message() << copies << " copies");
        ASSERT_NO_FATAL_FAILURE(Start());
        const std::string bytes = WriteLog();
        if (HasFailure()) return;
        for (int copy = 0; copy < copies; ++copy) {
            ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton5));
            ExpectQuietAfterwards();
        }
        ASSERT_TRUE(WaitUntil([&] { return ClipboardText() == FromAnsi(bytes); }));
        ASSERT_NO_FATAL_FAILURE(Close());
        EXPECT_EQ(ClipboardText(), FromAnsi(bytes))
            << "after the program closed the clipboard holds "
            << ::testing::PrintToString(ClipboardText());
    }
}

// ---- Clear History Log ------------------------------------------------------------------

class HistoryClear : public HistoryE2e {
  protected:
    // Clicks "Clear History Log", checks the question and answers it.
    void ClearAnswering(int answer) {
        const std::optional<SeenBox> box = ClickForBox(ControlId::PushButton12);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, kClearQuestion);
        EXPECT_TRUE(box->yes && box->no);
        EXPECT_FALSE(box->ok || box->cancel);
        ASSERT_TRUE(Answer(*box, answer));
    }
};

TEST_F(HistoryClear, NoLeavesTheLogByteForByte) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string bytes = WriteLog();
    if (HasFailure()) return;

    ASSERT_NO_FATAL_FAILURE(ClearAnswering(IDNO));
    ExpectQuietAfterwards();
    EXPECT_EQ(log_->Bytes(), bytes);
}

TEST_F(HistoryClear, YesDeletesTheLog) {
    ASSERT_NO_FATAL_FAILURE(Start());
    WriteLog();
    if (HasFailure()) return;

    ASSERT_NO_FATAL_FAILURE(ClearAnswering(IDYES));
    EXPECT_TRUE(WaitUntil([&] { return !log_->Exists(); })) << "the log is still there";
    ExpectQuietAfterwards();
}

TEST_F(HistoryClear, YesDeletesAReadOnlyLogToo) {
    ASSERT_NO_FATAL_FAILURE(Start());
    WriteLog();
    if (HasFailure()) return;
    ASSERT_TRUE(log_->MakeReadOnly());

    ASSERT_NO_FATAL_FAILURE(ClearAnswering(IDYES));
    EXPECT_TRUE(WaitUntil([&] { return !log_->Exists(); })) << "the read-only log is still there";
    ExpectQuietAfterwards();
}

TEST_F(HistoryClear, YesWithoutALogShowsNothingMore) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_FALSE(log_->Exists());

    ASSERT_NO_FATAL_FAILURE(ClearAnswering(IDYES));
    ExpectQuietAfterwards();
    EXPECT_FALSE(log_->Exists());
    EXPECT_TRUE(program_.Running());
}

TEST_F(HistoryClear, AfterClearingViewTellsThereIsNoHistory) {
    ASSERT_NO_FATAL_FAILURE(Start());
    WriteLog();
    if (HasFailure()) return;
    ASSERT_NO_FATAL_FAILURE(ClearAnswering(IDYES));
    ASSERT_TRUE(WaitUntil([&] { return !log_->Exists(); }));
    ExpectQuietAfterwards();

    const std::optional<SeenBox> box = ClickForBox(ControlId::PushButton3);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, kNoHistory);
    ASSERT_TRUE(Answer(*box, IDOK));
    ExpectQuietAfterwards();
}

}  // namespace
}  // namespace kelbrook::e2e
