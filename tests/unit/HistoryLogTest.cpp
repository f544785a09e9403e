#include <gtest/gtest.h>

#include "Form1Harness.h"
#include "history/HistoryLog.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

TEST(HistoryLogPath, IsTempBackslashProductDotTxt) {
    EXPECT_EQ(ComposeHistoryLogPath(L"C:\\Users\\pat\\AppData\\Local\\Temp"),
              L"C:\\Users\\pat\\AppData\\Local\\Temp\\Kelbrook.txt");
    EXPECT_EQ(ComposeHistoryLogPath(L"C:\\Documents and Settings\\pat\\Local Settings\\Temp"),
              L"C:\\Documents and Settings\\pat\\Local Settings\\Temp\\Kelbrook.txt");
    EXPECT_EQ(ComposeHistoryLogPath(std::nullopt), L"\\Kelbrook.txt");
    EXPECT_EQ(ComposeHistoryLogPath(L""), L"\\Kelbrook.txt");
}

TEST(AppendHistoryLine, AddsCrLfLinesInOrderAndRaisesFailures) {
    FakeFiles files;
    AppendHistoryLine(files, L"C:\\Temp\\Kelbrook.txt", L"one");
    AppendHistoryLine(files, L"C:\\Temp\\Kelbrook.txt", L"two");
    EXPECT_EQ(files.contents[L"C:\\Temp\\Kelbrook.txt"], "one\r\ntwo\r\n");
    files.failingAppends = true;
    EXPECT_THROW(AppendHistoryLine(files, L"C:\\Temp\\Kelbrook.txt", L"three"), Failure);
    EXPECT_EQ(files.contents[L"C:\\Temp\\Kelbrook.txt"], "one\r\ntwo\r\n");
}

class HistoryCommandsTest : public ::testing::Test, public Form1Harness {
  protected:
    HistoryCommandsTest() {
        values.HistoryLogPath = log;
        values.ApplicationTitle = L"Kelbrook";
    }
    const std::wstring log = L"C:\\Temp dir\\Kelbrook.txt";
};

TEST_F(HistoryCommandsTest, ViewWithoutALogShowsTheMessage) {
    form.Click(ControlId::PushButton3);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text,
              L"There isn't a history to view because actions have not been performed yet.");
    EXPECT_EQ(dialogs.shown[0].caption, L"Kelbrook");
    EXPECT_EQ(dialogs.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::None);
    EXPECT_TRUE(processes.started.empty());
}

TEST_F(HistoryCommandsTest, ViewWithALogStartsTheEditorOnTheQuotedPath) {
    files.contents[log] = "line\r\n";
    form.Click(ControlId::PushButton3);
    ASSERT_EQ(processes.started.size(), 1u);
    EXPECT_EQ(processes.started[0].first, L"notepad \"C:\\Temp dir\\Kelbrook.txt\"");
    EXPECT_EQ(processes.started[0].second, ShowState::Normal);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(HistoryCommandsTest, AnEditorThatCannotStartIsReportedAtStep102) {
    files.contents[log] = "line\r\n";
    processes.failStart = true;
    form.Click(ControlId::PushButton3);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown[0].text.find(L"Form1.PushButton3_Click at line 102"),
              std::wstring::npos);
}

TEST_F(HistoryCommandsTest, CopyWithoutALogLeavesTheClipboardAlone) {
    form.Click(ControlId::PushButton5);
    EXPECT_FALSE(controls.clipboard.has_value());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(HistoryCommandsTest, CopyPutsTheWholeLogOnTheClipboard) {
    controls.captions[ControlId::RichTextBox1] = L"older text that is replaced";
    files.contents[log] = "a was backup saved as b\r\nc was backup saved as d\r\n";
    form.Click(ControlId::PushButton5);
    ASSERT_TRUE(controls.clipboard.has_value());
    EXPECT_EQ(*controls.clipboard, L"a was backup saved as b\r\nc was backup saved as d\r\n");
}

TEST_F(HistoryCommandsTest, AFailedLoadStillSelectsAndCopies) {
    controls.captions[ControlId::RichTextBox1] = L"what the box held";
    struct FailingRead : FakeFiles {
        std::wstring ReadAnsiText(const std::wstring&) override {
            throw Failure(L"Permission denied");
        }
    } failing;
    failing.contents[log] = "x";
    Form1 other{
        {controls, settings, dialogs, failing, processes, shell, publisher, pump, picker, debug,
         clipboard, clock, shellTray, trayWindow, runKey, random, trayMenu, backups, backupShell},
        values};
    controls.Connect(&other);
    other.Click(ControlId::PushButton5);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown[0].text.find(L"Form1.PushButton5_Click at line 102"),
              std::wstring::npos);
    ASSERT_TRUE(controls.clipboard.has_value());
    EXPECT_EQ(*controls.clipboard, L"what the box held");
}

TEST_F(HistoryCommandsTest, ClearAsksAndNoLeavesTheLogAsItWas) {
    files.contents[log] = "keep\r\n";
    dialogs.answerYes = false;
    form.Click(ControlId::PushButton12);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text,
              L"Are you sure you want to delete the history log and start over?");
    EXPECT_EQ(dialogs.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(dialogs.shown[0].caption, L"Kelbrook");
    EXPECT_EQ(files.contents[log], "keep\r\n");
    EXPECT_EQ(pump.passes, 0);
}

TEST_F(HistoryCommandsTest, ClearWithYesDeletesEvenAReadOnlyLogAndSaysNothingMore) {
    files.contents[log] = "gone\r\n";
    files.readOnly.insert(log);
    form.Click(ControlId::PushButton12);
    EXPECT_FALSE(files.contents.count(log));
    EXPECT_EQ(pump.passes, 1);
    EXPECT_EQ(dialogs.shown.size(), 1u);  // the question only
}

TEST_F(HistoryCommandsTest, ClearWithYesAndNoLogIsQuiet) {
    form.Click(ControlId::PushButton12);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

}  // namespace
}  // namespace kelbrook
