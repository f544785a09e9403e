// Pending recoveries: stored in the settings, merged, and told to the user.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "recovery/PendingRecoveries.h"

namespace kelbrook {
namespace {

using namespace kelbrook::testing;

SeenUnsaved SeenAt(std::wstring fullName, int hour, int minute, std::wstring backup = L"",
                   bool incomplete = false, std::wstring lastComplete = L"") {
    const std::wstring name = fullName.substr(fullName.find_last_of(L'\\') + 1);
    return SeenUnsaved{std::move(fullName), name,       LocalTime{2026, 12, 9, hour, minute, 30, 0},
                       std::move(backup),   incomplete, std::move(lastComplete)};
}

TEST(PendingRecoveries, SurviveTheSettingsAndABadLineCostsOnlyItself) {
    const std::vector<SeenUnsaved> seen = {
        SeenAt(L"C:\\News\\News.pub", 14, 5,
               L"C:\\B\\News.pub [News 1A2B3C4D] Date Dec 9 2026 Time 02 05 30 PM.pub"),
        SeenAt(L"Publication1", 9, 0),
        SeenAt(L"C:\\D\\Caf\u00e9.pub", 23, 59, L"C:\\D\\x (incomplete).pub", true,
               L"C:\\D\\x.pub")};
    const std::wstring stored = Recovery::Encode(seen);
    EXPECT_EQ(Recovery::Decode(stored), seen);

    const std::wstring damaged = L"garbage\n" + stored + L"\r\n2026-13-01 10:00:00|0|A|A||\n" +
                                 L"2026-12-01 10:00:00|2|A|A||\n2026-12-01 10:00:00|0||A||\n" +
                                 L"2026-12-01 10:00:00|0|A|A|\n";
    EXPECT_EQ(Recovery::Decode(damaged), seen);
    EXPECT_TRUE(Recovery::Decode(L"").empty());
    // A name with the separator cannot be stored, and is not.
    EXPECT_TRUE(Recovery::Decode(Recovery::Encode({SeenAt(L"C:\\a|b.pub", 1, 0)})).empty());
}

TEST(PendingRecoveries, AnEndAddsEachPublicationOnceTheNewerKnowledgeWinning) {
    std::vector<Recovery::PendingRecovery> pending = {SeenAt(L"C:\\A.pub", 10, 0, L"old")};
    Recovery::AddPending(pending,
                         {SeenAt(L"C:\\A.pub", 11, 0, L"new"), SeenAt(L"C:\\B.pub", 11, 0)});
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_EQ(pending[0].backup, L"new");
    Recovery::RemovePending(pending, L"C:\\A.pub");
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].fullName, L"C:\\B.pub");
}

TEST(PendingRecoveries, TheNoticeSaysWhatTheNewestBackupHoldsAndWhatIsMissing) {
    FakeClock clock;
    const struct {
        std::vector<SeenUnsaved> pending;
        std::wstring text;
    } cases[] = {
        {{SeenAt(L"C:\\News.pub", 14, 5, L"b.pub")},
         L"News.pub: the newest backup, from 2:05 PM, holds the changes seen until then; work "
         L"after 2:05 PM is in no backup"},
        {{SeenAt(L"C:\\News.pub", 9, 30, L"b (incomplete).pub", true, L"a.pub")},
         L"News.pub: the newest backup, from 9:30 AM, is incomplete; it holds the changes seen "
         L"until then that it could carry, and an older complete backup is offered too"},
        {{SeenAt(L"C:\\News.pub", 14, 5)},
         L"News.pub: its changes since it was last saved, seen at 2:05 PM, are in no backup"},
        {{SeenAt(L"C:\\A.pub", 1, 0, L"a"), SeenAt(L"C:\\B.pub", 1, 0, L"b"),
          SeenAt(L"C:\\C.pub", 1, 0, L"c")},
         L"A.pub, B.pub and C.pub had changes not yet saved. Click to see their newest backups."},
    };
    for (const auto& c : cases) EXPECT_EQ(Recovery::NoticeText(c.pending, clock), c.text);
    EXPECT_EQ(Recovery::MenuText(SeenAt(L"C:\\News.pub", 1, 0)), L"Recover News.pub\u2026");
    EXPECT_EQ(Recovery::TrayTip({}), L"Kelbrook");
    EXPECT_EQ(Recovery::TrayTip({SeenAt(L"C:\\News.pub", 1, 0)}),
              L"Kelbrook: News.pub can be recovered");
    EXPECT_LT(Recovery::TrayTip({SeenAt(std::wstring(300, L'x'), 1, 0)}).size(), 128u);
}

}  // namespace
}  // namespace kelbrook
