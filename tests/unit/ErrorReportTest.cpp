#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "Fakes.h"
#include "core/ErrorReport.h"

namespace kelbrook {
namespace {

using testing::FakeDialogs;

TEST(ErrorReportText, HasTheFourPartsInOrder) {
    EXPECT_EQ(ErrorReportText(L"Kelbrookapp2021/08/31.Form1.Form_Load", 136, L"Path not found"),
              L"Path not found\r\nin Kelbrookapp2021/08/31.Form1.Form_Load at line 136\r\r"
              L"Please email screenshot of this message to support@tarnwick.example");
}

TEST(ErrorReportText, AnEmptyDescriptionLeavesTheFirstLineEmpty) {
    const std::wstring text = ErrorReportText(L"X.Y.Z", 100, L"");
    EXPECT_EQ(text.substr(0, 8), L"\r\nin X.Y");
}

TEST(ErrorReport, ShowsOkWithTheWarningIconAndItsTitle) {
    FakeDialogs dialogs;
    ShowErrorReport(dialogs, Location(L"Form1", L"PushButton3_Click"), 102, L"Boom");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, L"Application Error");
    EXPECT_EQ(dialogs.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::Warning);
    EXPECT_NE(dialogs.shown[0].text.find(L"in Kelbrookapp2021/08/31.Form1.PushButton3_Click at "
                                         L"line 102"),
              std::wstring::npos);
}

TEST(GuardedProcedure, EachFailingStepReportsAndTheProcedureGoesOn) {
    FakeDialogs dialogs;
    GuardedProcedure procedure(dialogs, L"L");
    std::vector<int> ran;
    procedure.Step(100, [&] { throw Failure(L"first"); });
    procedure.Step(102, [&] { ran.push_back(102); });
    procedure.Step(104, [&] { throw std::runtime_error("second"); });
    procedure.Step(106, [&] { ran.push_back(106); });
    EXPECT_EQ(ran, (std::vector<int>{102, 106}));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text.substr(0, 22), L"first\r\nin L at line 10");
    EXPECT_NE(dialogs.shown[0].text.find(L"at line 100"), std::wstring::npos);
    EXPECT_EQ(dialogs.shown[1].text.substr(0, 8), L"second\r\n");
    EXPECT_NE(dialogs.shown[1].text.find(L"at line 104"), std::wstring::npos);
}

TEST(GuardedProcedure, AFailedTestEntersItsBranch) {
    FakeDialogs dialogs;
    GuardedProcedure procedure(dialogs, L"L");
    EXPECT_TRUE(procedure.Test(140, []() -> bool { throw Failure(L"x"); }));
    EXPECT_FALSE(procedure.Test(142, [] { return false; }));
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST(GuardedProcedure, AFailedTestInAnElseIfChainEntersThatBranchOnly) {
    FakeDialogs dialogs;
    GuardedProcedure procedure(dialogs, L"L");
    std::wstring selected;
    std::optional<std::wstring> unreadable;  // reading it fails, as a broken store would
    if (procedure.Test(140, [&] { return unreadable.value() == L"1"; })) {
        procedure.Step(142, [&] { selected = L"Option1"; });
    } else {
        procedure.Step(144, [&] { selected = L"Option2"; });
    }
    EXPECT_EQ(selected, L"Option1");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown[0].text.find(L"at line 140"), std::wstring::npos);
}

}  // namespace
}  // namespace kelbrook
