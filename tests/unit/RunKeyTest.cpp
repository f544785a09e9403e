// Start with Windows: Check5's click and the Run value of the program's own executable.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "Fakes.h"
#include "core/Failure.h"
#include "startup/RegStuff.h"
#include "startup/mStartUp.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;
using Values = std::map<std::wstring, std::wstring>;

// The two Run keys in memory; a refused key takes no writes (no administrator rights), a
// locked one keeps its values against deletes.
class TwoRunKeys : public RunKey {
  public:
    bool SetValue(RunKeyScope scope, const std::wstring& name, const std::wstring& data) override {
        ++calls;
        if (refused.count(scope)) return false;
        keys[scope][name] = data;
        return true;
    }
    bool DeleteValue(RunKeyScope scope, const std::wstring& name) override {
        ++calls;
        if (!keys[scope].count(name)) return true;
        if (locked.count(scope)) return false;
        keys[scope].erase(name);
        return true;
    }
    std::map<RunKeyScope, Values> keys{{RunKeyScope::Machine, {}}, {RunKeyScope::User, {}}};
    std::set<RunKeyScope> refused, locked;
    int calls = 0;
};

// Notes the clicks the controls raise (Check8's own handler is the tray's).
class ClickLog : public ControlEvents {
  public:
    void Click(ControlId id) override { clicks.push_back(id); }
    void Change(ControlId) override {}
    void MouseMove(ControlId) override {}
    void QueryUnload() override {}
    void Tick() override {}
    std::vector<ControlId> clicks;
};

constexpr wchar_t kOwnExe[] = L"C:\\Program Files\\Kelbrook\\Kelbrook.exe";
constexpr wchar_t kOwnData[] = L"\"C:\\Program Files\\Kelbrook\\Kelbrook.exe\"";

class Check5Test : public ::testing::Test {
  protected:
    Check5Test() { processes.executablePath = kOwnExe; }

    // Sets the box as the user leaves it, then runs its click handler.
    void Click(bool ticked, bool isLoading = false) {
        controls.values[ControlId::Check5] = ticked;
        mStartUp::Check5_Click({controls, settings, processes, runKey}, isLoading);
    }
    const Values& Machine() { return runKey.keys[RunKeyScope::Machine]; }
    const Values& User() { return runKey.keys[RunKeyScope::User]; }

    ClickLog events;
    FakeControls controls{&events};
    FakeSettings settings;
    FakeProcesses processes;
    TwoRunKeys runKey;
};

TEST_F(Check5Test, WhileLoadingNeitherBoxStateTouchesAnything) {
    for (const bool ticked : {true, false}) {
        controls.values[ControlId::Check8] = true;
        controls.hidden = {ControlId::Check8};
        Click(ticked, /*isLoading=*/true);
        EXPECT_EQ(runKey.calls, 0) << ticked;
        EXPECT_TRUE(settings.writes.empty()) << ticked;
        EXPECT_TRUE(controls.values[ControlId::Check8]) << ticked;
        EXPECT_FALSE(controls.Visible(ControlId::Check8)) << ticked;
        EXPECT_TRUE(events.clicks.empty()) << ticked;
    }
}

TEST_F(Check5Test, TickingShowsCheck8StoresOnAndWritesTheQuotedOwnExecutable) {
    controls.hidden = {ControlId::Check8};
    Click(true);
    EXPECT_TRUE(controls.Visible(ControlId::Check8));
    EXPECT_FALSE(controls.values[ControlId::Check8]);
    EXPECT_EQ(settings.writes, std::vector<std::wstring>{L"Windows Startup=On"});
    EXPECT_EQ(Machine(), (Values{{L"Kelbrook.exe", kOwnData}}));
    EXPECT_TRUE(User().empty());
}

TEST_F(Check5Test, ClearingClearsAndHidesCheck8StoresOffAndDeletesFromBothKeysOnly) {
    controls.values[ControlId::Check8] = true;
    runKey.keys[RunKeyScope::Machine] = {{L"Kelbrook.exe", kOwnData}, {L"Other", L"o.exe"}};
    runKey.keys[RunKeyScope::User] = {{L"Kelbrook.exe", kOwnData}, {L"Mine", L"m.exe"}};
    Click(false);
    EXPECT_FALSE(controls.values[ControlId::Check8]);
    EXPECT_EQ(events.clicks, std::vector<ControlId>{ControlId::Check8}) << "cleared by its value";
    EXPECT_FALSE(controls.Visible(ControlId::Check8));
    EXPECT_EQ(settings.writes, std::vector<std::wstring>{L"Windows Startup=Off"});
    EXPECT_EQ(Machine(), (Values{{L"Other", L"o.exe"}}));
    EXPECT_EQ(User(), (Values{{L"Mine", L"m.exe"}}));
}

TEST_F(Check5Test, ClearingWithoutAnyValueIsSilent) {
    EXPECT_NO_THROW(Click(false));
    EXPECT_EQ(settings.values[L"Windows Startup"], L"Off");
    EXPECT_TRUE(Machine().empty());
    EXPECT_TRUE(User().empty());
}

// The value always names the running executable itself, whatever else its folder holds and
// whatever folder the program reports; its data is that path in quotes.
TEST_F(Check5Test, TheValueIsTheRunningExecutableInQuotes) {
    struct Case {
        const wchar_t* executable;
        const wchar_t* folder;
        const wchar_t* name;
        const wchar_t* data;
    };
    const Case cases[] = {
        {kOwnExe, L"C:\\Program Files\\Kelbrook", L"Kelbrook.exe", kOwnData},
        {L"E:\\Kelbrook.exe", L"E:\\", L"Kelbrook.exe", L"\"E:\\Kelbrook.exe\""},
        {L"D:\\Werkzeuge\\Zoë Łódź\\Kelbrook Beta.exe", L"D:\\Werkzeuge\\Zoë Łódź",
         L"Kelbrook Beta.exe", L"\"D:\\Werkzeuge\\Zoë Łódź\\Kelbrook Beta.exe\""},
        {L"C:\\Tools\\Kelbrook.exe", L"C:\\Elsewhere", L"Kelbrook.exe",
         L"\"C:\\Tools\\Kelbrook.exe\""},
    };
    for (const Case& c : cases) {
        runKey.keys[RunKeyScope::Machine].clear();
        processes.executablePath = c.executable;
        processes.programFolder = c.folder;
        Click(true);
        EXPECT_EQ(Machine(), (Values{{c.name, c.data}})) << c.executable;
        Click(false);
        EXPECT_TRUE(Machine().empty()) << c.executable << ": the same value is deleted";
    }
}

TEST_F(Check5Test, WithoutRightsToTheMachinesKeyTheUsersKeyTakesTheValue) {
    runKey.refused = {RunKeyScope::Machine};
    Click(true);
    EXPECT_TRUE(controls.values[ControlId::Check5]);
    EXPECT_EQ(settings.values[L"Windows Startup"], L"On");
    EXPECT_TRUE(Machine().empty());
    EXPECT_EQ(User(), (Values{{L"Kelbrook.exe", kOwnData}}));
}

TEST_F(Check5Test, WhenNeitherKeyTakesTheValueTheClickRaisesAfterStoringOn) {
    runKey.refused = {RunKeyScope::Machine, RunKeyScope::User};
    controls.hidden = {ControlId::Check8};
    EXPECT_THROW(Click(true), Failure);
    EXPECT_EQ(settings.values[L"Windows Startup"], L"On");
    EXPECT_TRUE(controls.Visible(ControlId::Check8));
}

TEST_F(Check5Test, AValueThatCannotBeDeletedRaisesButTheOtherKeyIsStillCleared) {
    runKey.keys[RunKeyScope::Machine] = {{L"Kelbrook.exe", kOwnData}};
    runKey.keys[RunKeyScope::User] = {{L"Kelbrook.exe", kOwnData}};
    runKey.locked = {RunKeyScope::Machine};
    EXPECT_THROW(Click(false), Failure);
    EXPECT_EQ(settings.values[L"Windows Startup"], L"Off");
    EXPECT_EQ(Machine().size(), 1u);
    EXPECT_TRUE(User().empty());
}

}  // namespace
}  // namespace kelbrook
