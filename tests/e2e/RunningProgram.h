// A test that works with the program once its start-up is over: its own copy of
// Kelbrook.exe, an empty settings store, and the Publisher message already answered.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Driver.h"

namespace kelbrook::e2e {

inline constexpr wchar_t kProgramTitle[] = L"Kelbrook";
inline constexpr wchar_t kPublisherMissingText[] =
    L"Publisher is not installed on this computer. You need to have it installed to use this "
    L"software without error.";

// Starts `path` and answers the Publisher message that ends its start-up; any other message
// on the way (an error report) fails the test.
inline void StartPastPublisherMessage(KelbrookProcess& program, const std::filesystem::path& path) {
    ASSERT_TRUE(program.Start(path)) << "error " << program.startError() << " starting "
                                     << ::testing::PrintToString(path.wstring());
    const std::optional<SeenBox> box = program.WaitForMessageBox();
    ASSERT_TRUE(box) << "start-up showed no message within the deadline";
    ASSERT_EQ(box->text, kPublisherMissingText)
        << "title: " << ::testing::PrintToString(box->title);
    ASSERT_TRUE(Answer(*box, IDOK));
    ASSERT_TRUE(program.WaitUntilUsable()) << "the main window never became usable";
}

// Closes the main window as its close box would and waits for a clean exit.
inline void CloseCleanly(KelbrookProcess& program) {
    HWND main = program.MainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(::PostMessageW(main, WM_CLOSE, 0, 0));
    ASSERT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    ASSERT_TRUE(WaitUntil([] { return !AnyInstanceAlive(); }));
}

class RunningProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(WaitUntil([] { return !AnyInstanceAlive(); }))
            << "an instance of the program from before is still running";
        ASSERT_TRUE(Store::Clear());
        workspace_.emplace();
    }

    // Every test ends by closing what it started, the way the close box does, and sees a
    // clean exit; only after a failed assertion is the program ended by force.
    void TearDown() override {
        if (!HasFailure() && program_.Running()) {
            EXPECT_NO_FATAL_FAILURE(Close()) << "the program did not exit cleanly at the end";
        } else if (!HasFailure()) {
            const std::optional<DWORD> code = program_.WaitForExit(std::chrono::milliseconds(0));
            if (code) {
                EXPECT_EQ(*code, 0u) << "the program ended with this exit code";
            }
        }
        program_.Kill();
        workspace_.reset();
    }

    void Start() { StartPastPublisherMessage(program_, workspace_->program()); }
    void Close() { CloseCleanly(program_); }

    HWND Control(ControlId id) const { return program_.Control(id); }
    std::wstring Caption(ControlId id) const { return TextOf(Control(id)); }
    bool Checked(ControlId id) const { return IsChecked(Control(id)); }

    void Click(ControlId id) {
        HWND button = Control(id);
        ASSERT_NE(button, nullptr) << ControlName(id);
        ASSERT_TRUE(PostClick(button)) << ControlName(id);
    }

    // Waits until the program has handled what was posted to it, then expects that no
    // message box is up and the main window takes input again.
    void ExpectQuietAfterwards() {
        ASSERT_TRUE(program_.WaitForPostedMessages());
        const HWND box = program_.FindMessageBox();
        EXPECT_EQ(box, nullptr) << "a box is up: " << ::testing::PrintToString(TextOf(box)) << ", "
                                << ::testing::PrintToString(TextOf(::GetDlgItem(box, 0xFFFF)));
        EXPECT_TRUE(::IsWindowEnabled(program_.MainWindow()));
    }

    std::optional<Workspace> workspace_;
    KelbrookProcess program_;
};

}  // namespace kelbrook::e2e
