#include <gtest/gtest.h>

#include "Form1Harness.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

class Form1Test : public ::testing::Test, public Form1Harness {};

TEST_F(Form1Test, FirstStartWithAnEmptyStore) {
    publisher.world->installed = true;
    form.Form_Load();

    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(controls.Caption(ControlId::Form1), L"Kelbrook");
    EXPECT_EQ(controls.Caption(ControlId::Text1), L"C:\\Users\\pat\\Desktop\\");
    EXPECT_TRUE(controls.Value(ControlId::Option1));
    EXPECT_FALSE(controls.Value(ControlId::Option2));
    EXPECT_TRUE(controls.Value(ControlId::Option3));
    EXPECT_FALSE(controls.Value(ControlId::Option4));
    EXPECT_FALSE(controls.Value(ControlId::Check5));
    EXPECT_FALSE(controls.Value(ControlId::Check8));
    EXPECT_EQ(controls.columns, std::vector<std::wstring>{kIntervalHeader});
    EXPECT_EQ(controls.columnWidth, 6400);
    ASSERT_EQ(controls.rows.size(), 10u);
    EXPECT_EQ(controls.rows.front(), L"Save every 30 seconds");
    EXPECT_EQ(controls.rows[5], L"Save every hour");
    EXPECT_EQ(controls.rows.back(), L"Save every 24 hours");
    EXPECT_EQ(controls.selectedRow, 3);
    EXPECT_EQ(controls.Caption(ControlId::PushButton4), L"Turn Off Backup Save");
    EXPECT_EQ(controls.timerInterval, 1000);
    EXPECT_TRUE(controls.windowShown);
    EXPECT_EQ(controls.windowState, WindowState::Normal);
    EXPECT_EQ(values.BackupExtension, L".pub");
    EXPECT_EQ(values.HistoryLogPath, L"C:\\Temp\\Kelbrook.txt");
    EXPECT_EQ(values.ApplicationTitle, L"Kelbrook");
    EXPECT_FALSE(form.IsLoading());
    EXPECT_EQ(publisher.created, 0) << "start-up asks the registry, it starts no Publisher";

    EXPECT_EQ(settings.values,
              (std::map<std::wstring, std::wstring>{{L"Path", L"C:\\Users\\pat\\Desktop\\"},
                                                    {L"WhereOption", L"1"},
                                                    {L"Backup Option", L"1"},
                                                    {L"Session Open", L"1"}}))
        << "the session is marked open, so that an end without its clean close is known";
}

TEST_F(Form1Test, StartStopStateDecidesTheButtonTheFrameAndTheTimer) {
    settings.values[L"StartStopState"] = L"Off";
    form.Form_Load();
    EXPECT_EQ(controls.Caption(ControlId::PushButton4), L"Turn On Backup Save");
    EXPECT_EQ(controls.Caption(ControlId::Frame2), L"Auto Save is Turned Off.");
    EXPECT_EQ(controls.timerInterval, 0);
    for (const std::wstring& write : settings.writes) {
        EXPECT_EQ(write.find(L"StartStopState"), std::wstring::npos) << write;
    }
}

TEST_F(Form1Test, AStartStopStateOtherThanOnOrOffLeavesBackupsOffAndCaptionsAlone) {
    controls.captions[ControlId::PushButton4] = L"Turn On Backup Save";
    controls.captions[ControlId::Frame2] = L"On. Next backup save will occur in";
    settings.values[L"StartStopState"] = L"on";
    form.Form_Load();
    EXPECT_EQ(controls.Caption(ControlId::PushButton4), L"Turn On Backup Save");
    EXPECT_EQ(controls.Caption(ControlId::Frame2), L"On. Next backup save will occur in");
    EXPECT_EQ(controls.timerInterval, 0);
    EXPECT_EQ(settings.values[L"StartStopState"], L"on");
}

TEST_F(Form1Test, AnyWhereOptionButOneSelectsOption2AndIsRewritten) {
    for (const wchar_t* stored : {L"2", L"7", L"", L"1 "}) {
        Form1Harness fresh;
        fresh.settings.values[L"WhereOption"] = stored;
        fresh.form.Form_Load();
        EXPECT_TRUE(fresh.controls.Value(ControlId::Option2)) << stored;
        EXPECT_FALSE(fresh.controls.Value(ControlId::Option1)) << stored;
        EXPECT_EQ(fresh.settings.values[L"WhereOption"], L"2") << stored;
    }
}

TEST_F(Form1Test, BackupOptionReadsItsLeadingNumber) {
    const std::vector<std::pair<std::wstring, bool>> cases = {
        {L"2", true},  {L" 2", true}, {L"2x", true}, {L"1", false},
        {L"7", false}, {L"x", false}, {L"", false},  {L"2.5", false}};
    for (const auto& [stored, option4] : cases) {
        Form1Harness fresh;
        fresh.settings.values[L"Backup Option"] = stored;
        fresh.form.Form_Load();
        EXPECT_EQ(fresh.controls.Value(ControlId::Option4), option4) << stored;
        EXPECT_EQ(fresh.controls.Value(ControlId::Option3), !option4) << stored;
        EXPECT_EQ(fresh.settings.values[L"Backup Option"], option4 ? L"2" : L"1") << stored;
    }
}

TEST_F(Form1Test, OftenIndexSelectsItsRow) {
    settings.values[L"OftenIndex"] = L"10";
    form.Form_Load();
    EXPECT_EQ(controls.selectedRow, 10);
    EXPECT_EQ(controls.ListRowText(controls.selectedRow), L"Save every 24 hours");
    EXPECT_TRUE(ReportedSteps().empty());
}

TEST_F(Form1Test, AnOftenIndexOutsideTheRowsIsReportedAtStep172) {
    for (const wchar_t* stored : {L"0", L"11", L"-3"}) {
        Form1Harness fresh;
        fresh.settings.values[L"OftenIndex"] = stored;
        fresh.form.Form_Load();
        EXPECT_EQ(fresh.ReportedSteps(), std::vector<int>{172}) << stored;
        EXPECT_EQ(fresh.controls.selectedRow, 0) << stored;
        EXPECT_TRUE(fresh.controls.windowShown);
    }
}

TEST_F(Form1Test, AnOftenIndexThatIsNoNumberIsReportedAt170Then172) {
    settings.values[L"OftenIndex"] = L"abc";
    form.Form_Load();
    EXPECT_EQ(ReportedSteps(), (std::vector<int>{170, 172}));
    EXPECT_EQ(dialogs.shown[0].text.substr(0, 15), L"Type mismatch\r\n");
    EXPECT_EQ(controls.selectedRow, 0);

    Form1Harness tooLarge;
    tooLarge.settings.values[L"OftenIndex"] = L"40000";
    tooLarge.form.Form_Load();
    EXPECT_EQ(tooLarge.ReportedSteps(), (std::vector<int>{170, 172}));
    EXPECT_EQ(tooLarge.dialogs.shown[0].text.substr(0, 10), L"Overflow\r\n");
}

TEST_F(Form1Test, TwoFailingStepsGiveTwoReportsInStepOrder) {
    shell.desktop = L"";
    settings.failingReads.insert(L"Minimized");
    form.Form_Load();
    EXPECT_EQ(ReportedSteps(), (std::vector<int>{136, 208}));
    EXPECT_EQ(dialogs.shown[0].text.find(L"in Kelbrookapp2021/08/31.Form1.Form_Load at line 136"),
              dialogs.shown[0].text.find(L"\r\n") + 2);
    EXPECT_TRUE(controls.windowShown);
    EXPECT_FALSE(form.IsLoading());
}

TEST_F(Form1Test, ASkinFailureIsStep104AndStartUpGoesOnAt108) {
    files.contents[L"C:\\Program Files\\Kelbrook\\x\\o.cjs"] = "garbage";
    form.Form_Load();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{104});
    EXPECT_EQ(values.BackupExtension, L".pub");
    EXPECT_EQ(controls.backColors[ControlId::Form1], kButtonFace);
    EXPECT_TRUE(controls.windowShown);
}

TEST_F(Form1Test, AFailedReadAtStep138LeavesTheValueEmptySoOption2IsSelected) {
    settings.values[L"WhereOption"] = L"1";
    settings.failingReads.insert(L"WhereOption");
    form.Form_Load();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{138});
    EXPECT_TRUE(controls.Value(ControlId::Option2));
    EXPECT_EQ(settings.values[L"WhereOption"], L"2");
}

TEST_F(Form1Test, AFailingSelectionIsReportedAndStartUpGoesOn) {
    controls.failingValues.insert(ControlId::Option1);
    form.Form_Load();
    EXPECT_EQ(ReportedSteps(), std::vector<int>{142});
    EXPECT_TRUE(controls.Value(ControlId::Option3));
    EXPECT_TRUE(controls.windowShown);
}

TEST_F(Form1Test, TheCursorFileIsLoadedOrReportedAt114) {
    const std::wstring cursor = L"C:\\Program Files\\Kelbrook\\HAND-M.CUR";
    files.contents[cursor] = "cursor";
    form.Form_Load();
    EXPECT_EQ(controls.customPointer, cursor);
    EXPECT_TRUE(ReportedSteps().empty());

    Form1Harness unreadable;
    unreadable.files.contents[cursor] = "not a cursor";
    unreadable.controls.badCursors.insert(cursor);
    unreadable.form.Form_Load();
    EXPECT_EQ(unreadable.ReportedSteps(), std::vector<int>{114});
    EXPECT_EQ(unreadable.controls.customPointer, L"");
}

TEST_F(Form1Test, StartInTrayMinimizesAndTheRestOfStartUpFollows) {
    settings.values[L"Minimized"] = L"On";
    settings.values[L"Windows Startup"] = L"On";
    form.Form_Load();
    EXPECT_TRUE(controls.Value(ControlId::Check8));
    EXPECT_TRUE(controls.Value(ControlId::Check5));
    // Minimized at step 212, which hides the window into the tray.
    EXPECT_FALSE(controls.Visible(ControlId::Form1));
    EXPECT_EQ(controls.windowState, WindowState::Normal);
    EXPECT_TRUE(values.MinimizedToTray);
    EXPECT_EQ(shellTray.iconsShown, 1);
    EXPECT_EQ(values.HistoryLogPath, L"C:\\Temp\\Kelbrook.txt");
    EXPECT_FALSE(form.IsLoading());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, kPublisherMissingMessage);
}

TEST_F(Form1Test, OnOffKeysNeedAnExactOn) {
    settings.values[L"Windows Startup"] = L"ON";
    settings.values[L"Minimized"] = L"on";
    form.Form_Load();
    EXPECT_FALSE(controls.Value(ControlId::Check5));
    EXPECT_FALSE(controls.Value(ControlId::Check8));
    EXPECT_EQ(controls.windowState, WindowState::Normal);
}

TEST_F(Form1Test, APathIsShownUnchanged) {
    settings.values[L"Path"] = L"D:\\Backups";
    shell.desktop = L"";  // the Desktop is not needed when a path is stored
    form.Form_Load();
    EXPECT_EQ(controls.Caption(ControlId::Text1), L"D:\\Backups");
    EXPECT_EQ(settings.values[L"Path"], L"D:\\Backups");
    EXPECT_TRUE(ReportedSteps().empty());
}

TEST_F(Form1Test, HistoryLogPathWithoutTempStartsAtTheRoot) {
    processes.environment.clear();
    form.Form_Load();
    EXPECT_EQ(values.HistoryLogPath, L"\\Kelbrook.txt");
}

TEST_F(Form1Test, WithoutPublisherTheMessageComesAfterTheWindowWithTheTitle) {
    form.Form_Load();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text,
              L"Publisher is not installed on this computer. You need to have it installed to "
              L"use this software without error.");
    EXPECT_EQ(dialogs.shown[0].caption, L"Kelbrook");
    EXPECT_EQ(dialogs.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(controls.log.back(), L"show");
}

TEST_F(Form1Test, TypingInText1StoresEveryChange) {
    form.Form_Load();
    controls.SetCaption(ControlId::Text1, L"D");
    controls.SetCaption(ControlId::Text1, L"D:");
    EXPECT_EQ(settings.values[L"Path"], L"D:");
    EXPECT_EQ(std::count(settings.writes.begin(), settings.writes.end(), L"Path=D"), 1);
}

TEST_F(Form1Test, ClosingStopsTheTimerAndReportsAFailureWithoutCancelling) {
    form.Form_Load();
    form.Form_QueryUnload();
    EXPECT_EQ(controls.timerInterval, 0);
    controls.failTimer = true;
    dialogs.shown.clear();
    form.Form_QueryUnload();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown[0].text.find(L"Form1.Form_QueryUnload at line 100"),
              std::wstring::npos);
}

TEST_F(Form1Test, ThePointerFollowsTheMouse) {
    form.MouseMove(ControlId::PushButton12);
    EXPECT_EQ(controls.pointer, Pointer::Custom);
    form.MouseMove(ControlId::Option3);  // keeps the pointer it had
    EXPECT_EQ(controls.pointer, Pointer::Custom);
    form.MouseMove(ControlId::ListView1);
    EXPECT_EQ(controls.pointer, Pointer::Default);
    form.MouseMove(ControlId::ProgressBar1);
    EXPECT_EQ(controls.pointer, Pointer::Default);
    form.MouseMove(ControlId::PushButton4);
    form.MouseMove(ControlId::Form1);
    EXPECT_EQ(controls.pointer, Pointer::Default);
}

// A Desktop whose name lies outside the ANSI code page is stored under "Path" as it is.
TEST_F(Form1Test, ADesktopNameOutsideTheAnsiCodePageSurvivesIntoPath) {
    shell.desktop =
        L"C:\\Users\\\u0141ukasz \u30b8\u30e7\u30f3\\\u0420\u0430\u0431\u043e\u0447\u0438\u0439 "
        L"\u0441\u0442\u043e\u043b";
    form.Form_Load();
    EXPECT_EQ(settings.values[L"Path"], shell.desktop + L"\\");
    EXPECT_EQ(controls.Caption(ControlId::Text1), shell.desktop + L"\\");
}

// A handler without a trap of its own leaves a trace of its failure and shows nothing.
TEST_F(Form1Test, AFailureOfAnUntrappedHandlerIsTracedAndTheProgramGoesOn) {
    form.Form_Load();
    const std::size_t shown = dialogs.shown.size();
    settings.failingWrites = true;
    controls.SetCaption(ControlId::Text1, L"D:\\Kopien");
    controls.SetValue(ControlId::Option2, true);
    EXPECT_EQ(dialogs.shown.size(), shown);
    EXPECT_EQ(debug.lines, (std::vector<std::wstring>{
                               L"Kelbrook: Form1.Text1_Change failed: Access is denied\n",
                               L"Kelbrook: Form1.Option2_Click failed: Access is denied\n"}));
    settings.failingWrites = false;
    controls.SetValue(ControlId::Option1, true);
    EXPECT_EQ(settings.values[L"WhereOption"], L"1");
    EXPECT_EQ(debug.lines.size(), 2u);
}

}  // namespace
}  // namespace kelbrook
