#include <gtest/gtest.h>

#include "Form1Harness.h"
#include "backup/Scheduler.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

TEST(SecondsToClock, IsATimeOfDay) {
    const std::pair<std::int32_t, const wchar_t*> cases[] = {
        {0, L"00:00:00"},     {29, L"00:00:29"},    {120, L"00:02:00"},  {3661, L"01:01:01"},
        {86399, L"23:59:59"}, {86400, L"00:00:00"}, {90061, L"01:01:01"}};
    for (const auto& [seconds, clock] : cases) EXPECT_EQ(Scheduler::SecondsToClock(seconds), clock);
}

class SchedulerTest : public ::testing::Test, public Form1Harness {
  protected:
    SchedulerTest() {
        publisher.world->installed = true;
        form.Form_Load();  // "Save every 5 minutes", on, Option1, Option3
        dialogs.shown.clear();
        controls.SetCaption(ControlId::Text1, L"C:\\B");
        standin::Publication flyer;
        flyer.name = L"Flyer";
        flyer.path = L"C:\\Docs";
        flyer.pages.resize(1);
        publisher.Run({flyer});
        publisher.created = 0;
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) form.Tick();
    }
    void ClickRow(int row) {
        controls.selectedRow = row;
        form.Click(ControlId::ListView1);
    }
    std::wstring Status() const { return controls.Caption(ControlId::Frame2); }
    int Runs() const { return publisher.created; }
};

TEST_F(SchedulerTest, ThirtySecondsCountDownRunAtTheThirtiethTickAndStartOver) {
    ClickRow(1);
    EXPECT_EQ(settings.values[L"OftenIndex"], L"1");
    Ticks(1);
    EXPECT_EQ(Status(), L"On. Next backup save will occur in 00:00:29");
    EXPECT_EQ(controls.ProgressMax(), 30);
    EXPECT_EQ(controls.ProgressValue(), 1);
    Ticks(28);
    EXPECT_EQ(Runs(), 0);
    Ticks(1);
    EXPECT_EQ(Status(), L"On. Next backup save will occur in 00:00:00");
    EXPECT_EQ(controls.ProgressValue(), 30);
    EXPECT_EQ(Runs(), 1);
    EXPECT_EQ(form.countdown().CountdownTicks, 0);
    Ticks(1);
    EXPECT_EQ(Status(), L"On. Next backup save will occur in 00:00:29");
    EXPECT_TRUE(dialogs.shown.empty());

    ClickRow(10);
    Ticks(1);
    EXPECT_EQ(Status(), L"On. Next backup save will occur in 23:59:59");
}

TEST_F(SchedulerTest, ARowClickRestartsTheCountAndTheTestButtonLeavesItAlone) {
    ClickRow(2);
    Ticks(20);
    form.Click(ControlId::PushButton2);
    EXPECT_EQ(Runs(), 1);
    Ticks(1);
    EXPECT_EQ(Status(), L"On. Next backup save will occur in 00:00:39");
    ClickRow(1);
    EXPECT_EQ(form.countdown().CountdownTicks, 0);
    EXPECT_EQ(form.countdown().CountdownLength, 30);
    Ticks(1);
    EXPECT_EQ(Status(), L"On. Next backup save will occur in 00:00:29");

    // A click beside the rows keeps the interval and the count, and stores nothing.
    const auto writes = settings.writes.size();
    ClickRow(0);
    EXPECT_EQ(form.countdown().CountdownTicks, 1);
    EXPECT_EQ(form.countdown().CountdownLength, 30);
    EXPECT_EQ(settings.writes.size(), writes);
}

TEST_F(SchedulerTest, OffAndOnAgainResumesTheCount) {
    ClickRow(3);
    Ticks(180);  // 00:02:00 left
    EXPECT_EQ(Status(), L"On. Next backup save will occur in 00:02:00");
    form.Click(ControlId::PushButton4);
    EXPECT_EQ(controls.Caption(ControlId::PushButton4), L"Turn On Backup Save");
    EXPECT_EQ(controls.timerInterval, 0);
    EXPECT_EQ(Status(), L"Auto Save is Off.");
    EXPECT_EQ(settings.values[L"StartStopState"], L"Off");
    form.Click(ControlId::PushButton4);
    EXPECT_EQ(controls.Caption(ControlId::PushButton4), L"Turn Off Backup Save");
    EXPECT_EQ(controls.timerInterval, 1000);
    EXPECT_EQ(settings.values[L"StartStopState"], L"On");
    Ticks(1);
    EXPECT_EQ(Status(), L"On. Next backup save will occur in 00:01:59");

    controls.captions[ControlId::PushButton4] = L"Something else";
    form.Click(ControlId::PushButton4);
    EXPECT_EQ(controls.Caption(ControlId::PushButton4), L"Something else");
    EXPECT_EQ(settings.values[L"StartStopState"], L"On");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(SchedulerTest, WithoutASelectedRowATickCountsNothingAndRunsNothing) {
    controls.selectedRow = 0;  // a stored "OftenIndex" outside 1 to 10
    Ticks(100);
    EXPECT_EQ(Runs(), 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(form.countdown().CountdownTicks, 0);
    EXPECT_EQ(Status(), L"On. Choose how often to backup below.");
}

// A count past a length shortened with the keyboard has waited longer than the new
// interval: the run starts at once, then the count starts over.
TEST_F(SchedulerTest, ACountPastAShortenedLengthRunsAtOnce) {
    Ticks(100);  // of 300
    controls.selectedRow = 1;
    Ticks(1);
    EXPECT_EQ(Runs(), 1);
    EXPECT_EQ(Status(), L"On. Next backup save will occur in 00:00:00");
    EXPECT_EQ(controls.ProgressValue(), 100) << "the bar keeps its value past the length";
    Ticks(1);
    EXPECT_EQ(Status(), L"On. Next backup save will occur in 00:00:29");
}

// Ticks that fall due while the run waits in the folder dialog neither count nor start a
// run; the count is reset once, after the run.
TEST_F(SchedulerTest, TicksDuringARunAreNotCounted) {
    publisher.world->running->documents[0].path = L"";
    controls.SetValue(ControlId::Option2, true);
    ClickRow(1);
    Ticks(29);
    picker.answers = {L"C:\\Chosen"};
    picker.onPick = [&] { Ticks(45); };
    Ticks(1);
    EXPECT_EQ(Runs(), 1);
    EXPECT_EQ(form.countdown().CountdownTicks, 0);
    Ticks(1);
    EXPECT_EQ(form.countdown().CountdownTicks, 1);
}

TEST_F(SchedulerTest, ACountAtItsLargestValueIsReportedAsAnOverflow) {
    Ticks(1);
    const_cast<Countdown&>(form.countdown()).CountdownTicks = 2147483647;
    Ticks(1);
    ASSERT_EQ(ReportedSteps(), std::vector<int>{106});
    EXPECT_NE(dialogs.shown[0].text.find(
                  L"Overflow\r\nin Kelbrookapp2021/08/31.Form1.Timer1 at line 106"),
              std::wstring::npos)
        << dialogs.shown[0].text;
}

// A Publisher that runs but answers nothing (a dialog is open in it) is not "not running":
// the run logs it once for the spell and tells a user who pressed the button each time; each
// tick then asks it again, at once, and the backup comes at the first tick it answers.
TEST_F(SchedulerTest, ABusyPublisherIsLoggedOnceAndBackedUpAtTheFirstTickItAnswers) {
    ClickRow(1);  // every 30 seconds
    publisher.world->busyRunning = true;
    form.Click(ControlId::PushButton2);
    form.Click(ControlId::PushButton2);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text, SavePublisher::kPublisherBusyMessage);
    Ticks(30);  // the scheduled run: logged no second time, told to nobody
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(Runs(), 0);
    const std::vector<std::wstring> log = LogLines();
    ASSERT_EQ(log.size(), 1u) << ::testing::PrintToString(log);
    EXPECT_EQ(
        log[0].rfind(L"Publisher did not answer (a dialog may be open in it): no backup at ", 0),
        0u)
        << log[0];
    const int asked = publisher.impatientAsks;
    Ticks(3);
    EXPECT_EQ(publisher.impatientAsks, asked + 3) << "each tick asks, without waiting";
    EXPECT_EQ(Runs(), 0);
    publisher.world->busyRunning = false;  // the dialog is closed
    Ticks(1);
    EXPECT_EQ(Runs(), 1) << "the backup waited longer than it had to";
    EXPECT_EQ(form.countdown().CountdownTicks, 0);
    const int afterRun = publisher.impatientAsks;
    Ticks(1);
    EXPECT_EQ(publisher.impatientAsks, afterRun) << "asked again after it answered";
    EXPECT_EQ(Runs(), 1);
}

}  // namespace
}  // namespace kelbrook
