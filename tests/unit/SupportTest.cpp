// Help and support: the Help button's message and the occasional home-page visit.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Fakes.h"
#include "core/ErrorReport.h"
#include "core/Failure.h"
#include "support/HelpAndSupport.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

constexpr wchar_t kHelpText[] =
    L"Questions? Please contact Team Tarnwick at http://www.tarnwick.example/contact/";
constexpr wchar_t kHomePageLine[] = L"explorer \"http://www.tarnwick.example/\"";

// Gives the numbers it was told, then those of a seeded generator; counts the draws.
class ScriptedRandom : public RandomSource {
  public:
    explicit ScriptedRandom(std::uint64_t seed = 1) : engine_(seed) {}
    double NextUnit() override {
        ++draws;
        if (!queued.empty()) {
            const double next = queued.front();
            queued.erase(queued.begin());
            return last = next;
        }
        return last = static_cast<double>(engine_() >> 11) * (1.0 / 9007199254740992.0);
    }
    std::vector<double> queued;
    double last = -1;
    int draws = 0;

  private:
    std::mt19937_64 engine_;
};

// Dialogs whose first box fails to come up; the rest are recorded as FakeDialogs does.
class FirstBoxFails : public FakeDialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageButtons buttons, MessageIcon icon) override {
        if (!failed) {
            failed = true;
            throw Failure(L"Out of memory");
        }
        return FakeDialogs::ShowMessage(text, caption, buttons, icon);
    }
    bool failed = false;
};

TEST(Help, ShowsTheContactMessageWithOkOnlyNoIconAndTheApplicationTitle) {
    FakeDialogs dialogs;
    FakeProcesses processes;
    ScriptedRandom random;
    Support::PushButton11_Click({dialogs, processes, random}, L"Kelbrook Publisher Backup");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, kHelpText);
    EXPECT_EQ(dialogs.shown[0].caption, L"Kelbrook Publisher Backup");
    EXPECT_EQ(dialogs.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::None);
    EXPECT_TRUE(processes.started.empty());
    EXPECT_EQ(random.draws, 0);
}

TEST(Help, AFailingBoxIsReportedAtStep100) {
    FirstBoxFails dialogs;
    FakeProcesses processes;
    ScriptedRandom random;
    Support::PushButton11_Click({dialogs, processes, random}, L"Kelbrook");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(
        dialogs.shown[0].text,
        ErrorReportText(L"Kelbrookapp2021/08/31.Form1.PushButton11_Click", 100, L"Out of memory"));
    EXPECT_EQ(dialogs.shown[0].caption, L"Application Error");
}

// n = whole part of (r * 100) + 1, and only n = 7 visits: 0.06 <= r < 0.07.
TEST(HomePage, OnlyTheSeventhHundredthOfTheDrawVisits) {
    const std::pair<double, bool> cases[] = {
        {0.0, false},      {0.05, false}, {0.0599999, false}, {0.06, true},       {0.0650000, true},
        {0.0699999, true}, {0.07, false}, {0.7, false},       {0.9999999, false},
    };
    for (const auto& [unit, visits] : cases) {
        FakeDialogs dialogs;
        FakeProcesses processes;
        ScriptedRandom random;
        random.queued = {unit};
        Support::VisitHomePage({dialogs, processes, random});
        EXPECT_EQ(random.draws, 1) << unit;
        if (visits) {
            ASSERT_EQ(processes.started.size(), 1u) << unit;
            EXPECT_EQ(processes.started[0].first, kHomePageLine);
            EXPECT_EQ(processes.started[0].second, ShowState::MinimizedWithFocus);
        } else {
            EXPECT_TRUE(processes.started.empty()) << unit;
        }
        EXPECT_TRUE(dialogs.shown.empty());
    }
}

TEST(HomePage, OverManyStartsAboutOneInAHundredVisits) {
    constexpr int kStarts = 20000;
    int visits = 0;
    for (int start = 0; start < kStarts; ++start) {
        FakeDialogs dialogs;
        FakeProcesses processes;
        ScriptedRandom random(static_cast<std::uint64_t>(start) * 7919u + 17u);
        Support::VisitHomePage({dialogs, processes, random});
        const bool inBand = random.last >= 0.06 && random.last < 0.07;
        ASSERT_EQ(processes.started.size(), inBand ? 1u : 0u) << "draw " << random.last;
        visits += static_cast<int>(processes.started.size());
    }
    // 200 expected; the bounds are more than three standard deviations away.
    EXPECT_GT(visits, 150);
    EXPECT_LT(visits, 250);
}

TEST(HomePage, AVisitThatCannotStartRaisesToTheCaller) {
    FakeDialogs dialogs;
    FakeProcesses processes;
    processes.failStart = true;
    ScriptedRandom random;
    random.queued = {0.065};
    EXPECT_THROW(Support::VisitHomePage({dialogs, processes, random}), Failure);
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace kelbrook
