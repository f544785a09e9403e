#include <gtest/gtest.h>

#include "Form1Harness.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

class BrowseButtonTest : public ::testing::Test, public Form1Harness {
  protected:
    BrowseButtonTest() { controls.captions[ControlId::Text1] = L"D:\\Old"; }
};

TEST_F(BrowseButtonTest, AChosenFolderGoesIntoText1AndIsStoredAtOnce) {
    picker.answers = {L"E:\\Backups\\Flyers"};
    form.Click(ControlId::PushButton1);
    EXPECT_EQ(picker.prompts, std::vector<std::wstring>{L"Please select folder:"});
    EXPECT_EQ(picker.starts, std::vector<std::wstring>{L""});
    EXPECT_EQ(controls.Caption(ControlId::Text1), L"E:\\Backups\\Flyers");
    EXPECT_EQ(settings.values[L"Path"], L"E:\\Backups\\Flyers");
    EXPECT_FALSE(controls.Value(ControlId::Option1));  // not selected by the choice
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(BrowseButtonTest, ACancelledDialogChangesNothing) {
    form.Click(ControlId::PushButton1);
    EXPECT_EQ(controls.Caption(ControlId::Text1), L"D:\\Old");
    EXPECT_TRUE(settings.writes.empty());
}

TEST_F(BrowseButtonTest, ADriveRootIsKeptAsReturned) {
    picker.answers = {L"C:\\"};
    form.Click(ControlId::PushButton1);
    EXPECT_EQ(settings.values[L"Path"], L"C:\\");
}

TEST_F(BrowseButtonTest, AFailingDialogIsReportedAtStep100AndNothingChanges) {
    picker.fail = true;
    form.Click(ControlId::PushButton1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown[0].text.find(L"Form1.PushButton1_Click at line 100"),
              std::wstring::npos);
    EXPECT_EQ(controls.Caption(ControlId::Text1), L"D:\\Old");
}

}  // namespace
}  // namespace kelbrook
