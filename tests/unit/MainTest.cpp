#include <gtest/gtest.h>

#include "Fakes.h"
#include "core/Main.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

TEST(DesktopFolderPath, AddsOneBackslashOrRaises) {
    FakeShell shell;
    EXPECT_EQ(Main::DesktopFolderPath(shell), L"C:\\Users\\pat\\Desktop\\");
    shell.desktop = L"";
    EXPECT_THROW(Main::DesktopFolderPath(shell), Failure);
}

TEST(FileExists, IsFalseForAnEmptyOrMissingPath) {
    FakeFiles files;
    files.contents[L"C:\\a.txt"] = "x";
    EXPECT_TRUE(Main::FileExists(files, L"C:\\a.txt"));
    EXPECT_FALSE(Main::FileExists(files, L"C:\\b.txt"));
    EXPECT_FALSE(Main::FileExists(files, L""));
}

TEST(ForceDeleteFile, PumpsFirstThenDeletesTheOrdinaryWay) {
    FakeFiles files;
    FakePump pump;
    files.contents[L"C:\\log.txt"] = "x";
    pump.onPump = [&] { EXPECT_TRUE(files.calls.empty()); };
    Main::ForceDeleteFile(files, pump, L"C:\\log.txt");
    EXPECT_EQ(pump.passes, 1);
    EXPECT_EQ(files.calls, std::vector<std::wstring>{L"delete C:\\log.txt"});
    EXPECT_FALSE(files.contents.count(L"C:\\log.txt"));
}

TEST(ForceDeleteFile, ForcesAReadOnlyFileAndSwallowsEveryFailure) {
    FakeFiles files;
    FakePump pump;
    files.contents[L"C:\\ro.txt"] = "x";
    files.readOnly.insert(L"C:\\ro.txt");
    Main::ForceDeleteFile(files, pump, L"C:\\ro.txt");
    EXPECT_FALSE(files.contents.count(L"C:\\ro.txt"));
    EXPECT_NO_THROW(Main::ForceDeleteFile(files, pump, L"C:\\missing.txt"));
    pump.onPump = [] { throw Failure(L"handler failed"); };
    files.contents[L"C:\\x.txt"] = "x";
    EXPECT_NO_THROW(Main::ForceDeleteFile(files, pump, L"C:\\x.txt"));
    EXPECT_FALSE(files.contents.count(L"C:\\x.txt"));
}

TEST(SetApplicationTitle, TheOneWordProductNameStays) {
    ProgramValues values;
    values.ApplicationTitle = L"";
    Main::SetApplicationTitle(values);
    EXPECT_EQ(values.ApplicationTitle, L"Kelbrook");
}

class ApplySkinTest : public ::testing::Test {
  protected:
    FakeProcesses processes;
    FakeFiles files;
    FakeControls controls;
    const std::wstring skinPath = L"C:\\Program Files\\Kelbrook\\x\\o.cjs";
};

TEST_F(ApplySkinTest, WithoutTheFileNothingChanges) {
    Main::ApplySkin(processes, files, controls);
    EXPECT_TRUE(controls.backColors.empty());
    EXPECT_FALSE(controls.skin.has_value());
}

TEST_F(ApplySkinTest, AValidFileResetsColoursThenRestylesTheWindow) {
    files.contents[skinPath] = "KelbrookSkin 1\nBackground = #102030\n";
    Main::ApplySkin(processes, files, controls);
    for (ControlId id : {ControlId::Form1, ControlId::Frame1, ControlId::Frame2, ControlId::Frame3,
                         ControlId::Option1, ControlId::Option2, ControlId::Option3,
                         ControlId::Option4, ControlId::Check5, ControlId::Check8}) {
        EXPECT_EQ(controls.backColors[id], kButtonFace);
    }
    EXPECT_FALSE(controls.backColors.count(ControlId::PushButton4));
    EXPECT_FALSE(controls.backColors.count(ControlId::ListView1));
    ASSERT_TRUE(controls.skin.has_value());
    EXPECT_EQ(*controls.skin->background, 0x302010u);
}

TEST_F(ApplySkinTest, AnInvalidFileRaisesAfterTheColoursAreSet) {
    files.contents[skinPath] = "not a skin";
    EXPECT_THROW(Main::ApplySkin(processes, files, controls), Failure);
    EXPECT_EQ(controls.backColors[ControlId::Form1], kButtonFace);
    EXPECT_FALSE(controls.skin.has_value());
}

}  // namespace
}  // namespace kelbrook
